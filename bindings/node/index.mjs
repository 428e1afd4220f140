// The ES module entry: the CommonJS one's exports, by name and as default.
import { createRequire } from 'node:module';

const septcvt = createRequire(import.meta.url)('./index.js');
export const { plan, toGsm, toUnicode, readPart, LANGUAGES, version, unicodeVersion } = septcvt;
export const { submit, encodeTpdu, decodeTpdu, encodeAddress, decodeAddress, toHex, fromHex } = septcvt;
export const { smppParts, smppPayload, readDeliverSm, join } = septcvt;
export default septcvt;
