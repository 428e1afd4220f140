// toGsm and toUnicode with every pair: each row of the national language
// tables, read afresh from their data file, through the language codes;
// where each unmapped character stands; and the ES module entry and worker
// threads, which get an addon instance of their own.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { Worker } = require('worker_threads');
const s = require('..');

const CODES = { Turkish: 'tr', Spanish: 'es', Portuguese: 'pt', Bengali: 'bn', Gujarati: 'gu', Hindi: 'hi',
  Kannada: 'kn', Malayalam: 'ml', Oriya: 'or', Punjabi: 'pa', Tamil: 'ta', Telugu: 'te', Urdu: 'ur' };

test('every row of every table, both ways', () => {
  const data = fs.readFileSync(path.join(__dirname, '../../../library/tables/national-language-tables.tsv'), 'utf8');
  let rows = 0;
  for (const line of data.split('\n')) {
    const m = /^(\d+)\t(\w+)\t(locking|single)\t0x(..)\tU\+(....)$/.exec(line);
    if (!m || m[5] === '001B') continue;
    const language = m[1] === '0' ? null : CODES[m[2]];
    const pair = m[3] === 'locking' ? { locking: language } : { single: language };
    const code = parseInt(m[4], 16);
    const char = String.fromCodePoint(parseInt(m[5], 16));
    const gsm = new Uint8Array(m[3] === 'locking' ? [code] : [0x1b, code]);
    assert.deepStrictEqual(s.toUnicode(gsm, pair), { text: char, unmapped: [] }, line);
    const back = s.toGsm(char, pair);
    assert.deepStrictEqual([back.unmapped, s.toUnicode(back.gsm, pair).text], [[], char], line);
    ++rows;
  }
  assert.ok(rows > 2000, `${rows} rows`);
});

test('where each unmapped character stands', () => {
  const t = 'x\u{1F600}y\u0416\u{1F1EB}\u{1F1F7}\ud800';
  assert.deepStrictEqual(s.toGsm(t), {
    gsm: new Uint8Array([0x78, 0x79]),
    unmapped: [{ index: 1, length: 2, char: '\u{1F600}' }, { index: 4, length: 1, char: '\u0416' },
      { index: 5, length: 2, char: '\u{1F1EB}' }, { index: 7, length: 2, char: '\u{1F1F7}' },
      { index: 9, length: 1, char: '\ud800' }],
  });
  assert.deepStrictEqual(s.toUnicode(new Uint8Array([0x41, 0x80, 0x1b, 0x41, 0x42, 0x1b])),
    { text: 'AB', unmapped: [{ index: 1, length: 1 }, { index: 2, length: 2 }, { index: 5, length: 1 }] });
  assert.deepStrictEqual([s.toGsm('').gsm.length, s.toUnicode(new Uint8Array(0)).text, s.plan('').parts.length], [0, '', 1]);
});

test('the ES module entry, and plans in worker threads beside the main one', async () => {
  const esm = await import('../index.mjs');
  for (const name of Object.keys(s)) assert.strictEqual(esm[name], s[name], name);
  assert.strictEqual(esm.default.readPart, s.readPart);
  assert.strictEqual(require('../package.json').version, s.version);
  const text = '\u0416 '.repeat(100);
  const code = `const s = require(${JSON.stringify(path.join(__dirname, '..'))});
    const p = [];
    for (let i = 0; i < 2000; ++i) p.push(s.plan(${JSON.stringify(text)}, { reference: 9 }).parts.map((q) => q.userData.join()));
    require('worker_threads').parentPort.postMessage(p);`;
  const want = s.plan(text, { reference: 9 }).parts.map((q) => q.userData.join());
  const workers = [1, 2].map(() => new Promise((resolve, reject) => {
    const w = new Worker(code, { eval: true });
    w.on('message', resolve).on('error', reject);
  }));
  for (let i = 0; i < 2000; ++i) assert.deepStrictEqual(s.plan('a'.repeat(300), { reference: 3 }).parts.length, 2);
  for (const got of await Promise.all(workers)) for (const p of got) assert.deepStrictEqual(p, want);
});
