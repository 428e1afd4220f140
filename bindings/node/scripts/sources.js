// node scripts/sources.js copy|remove: puts the library's sources beside
// the package while npm packs it (npm packs nothing outside the package's
// folder), and takes them away after. Only what the addon's build reads is
// copied: the project's CMakeLists.txt (for its version), library/,
// platform/ and cmake/; and the licence.
'use strict';
const fs = require('fs');
const path = require('path');

const here = path.join(__dirname, '..');
const root = path.join(here, '..', '..');
const copy = path.join(here, 'septcvt');
const parts = ['CMakeLists.txt', 'library', 'platform', 'cmake'];

function remove() {
  fs.rmSync(copy, { recursive: true, force: true });
  fs.rmSync(path.join(here, 'LICENSE'), { force: true });
}

if (process.argv[2] === 'copy') {
  remove();
  for (const p of parts) fs.cpSync(path.join(root, p), path.join(copy, p), { recursive: true });
  fs.copyFileSync(path.join(root, 'LICENSE'), path.join(here, 'LICENSE'));
} else if (process.argv[2] === 'remove') {
  remove();
} else {
  console.error('usage: node scripts/sources.js copy|remove');
  process.exit(2);
}
