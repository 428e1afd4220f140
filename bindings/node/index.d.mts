// Types of the ES module entry: the CommonJS entry's, by name and as default.
export * from './index.js';
declare const septcvt: typeof import('./index.js');
export default septcvt;
