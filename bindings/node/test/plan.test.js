// plan() held to worked examples with their bytes, and on random texts to
// plainly written references: the parts cover the text on grapheme
// boundaries, each part's user data is its header and its text as toGsm
// codes packed (or UTF-16 big-endian), and the reader gives the text back.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const s = require('..');

const hex = (bytes) => Buffer.from(bytes).toString('hex').toUpperCase();

test('worked examples', () => {
  const cases = [
    // text, options, encoding, parts' udl, first part's user data (its start)
    ['Hello world', {}, 'gsm7', [11], 'C8329BFD06DDDF723619'],
    ['a'.repeat(161), { reference: 0x42 }, 'gsm7', [160, 15], '050003420201C2E170381C0E87'],
    ['a'.repeat(161), { reference: 0x1234, ref16: true }, 'gsm7', [160, 17], '06080412340201'],
    ['\u0416', {}, 'ucs2', [2], '0416'],
    ['\u011f'.repeat(100), { languages: ['tr'] }, 'gsm7', [105], '03250101'],
    ['\u011f'.repeat(100), { locking: ['tr'], single: ['pt'] }, 'gsm7', [105], '03250101'],
    ['\u00e7'.repeat(40) + 'a'.repeat(40), { single: ['tr'] }, 'gsm7', [125], '03240101'],
    ['x', { elements: new Uint8Array([0x0a, 1, 7]) }, 'gsm7', [6], '030A0107'],
  ];
  for (const [text, options, encoding, udls, start] of cases) {
    const p = s.plan(text, options);
    assert.strictEqual(p.encoding, encoding, text);
    assert.deepStrictEqual(p.parts.map((q) => q.udl), udls, text);
    assert.ok(hex(p.parts[0].userData).startsWith(start), `${text}: ${hex(p.parts[0].userData)}`);
  }
});

// Seeded, so that a failure can be run again.
function random(seed) {
  return () => ((seed = (seed * 1103515245 + 12345) >>> 0) >>> 8) / (1 << 24);
}
// Characters by the encodings they call for: the default alphabet with its
// extension, Turkish, Portuguese, Hindi (with a look-alike or two each; no
// virama, whose clusters changed in Unicode 15.1, past the planner's 15.0),
// then anything, UCS-2 and clusters among them.
const pools = [
  ['1', '.', '\u20ac', '{', '^', '\u00c4', '\u0394', '\r\n', '\u201c', '\u2019', '\u2026'],
  ['\u00e7', '\u011f', '\u0131', '\u015e', '\u00f6', '\u2014', '\u00a0', '\u20ac'],
  ['\u00e3', '\u00ea', '\u00e7', '\u00c1', '\uff21', '{'],
  ['\u0928', '\u092e', '\u0938\u093e', '\u0964', '\u2019', '5'],
  ['\u00f1', '\u0416', '\u{1F600}', '\u{1F1EB}\u{1F1F7}', '\u{1F468}\u200d\u{1F469}\u200d\u{1F467}',
    'e\u0301', '\r\n', '\u20ac', '\u011f'],
];

// The header a part must carry, as the user data's first octets.
function header(p, k, elements) {
  const e = [];
  const ref = p.reference;
  if (p.parts.length > 1) e.push(...(p.ref16 ? [8, 4, ref >> 8, ref & 255] : [0, 3, ref]), p.parts.length, k + 1);
  e.push(...elements);
  if (p.single) e.push(0x24, 1, p.single);
  if (p.locking) e.push(0x25, 1, p.locking);
  return e.length ? [e.length, ...e] : [];
}

// Septets packed low bits first behind fill bits; seven spare bits at the
// end hold a carriage return.
function pack(codes, fill) {
  const bits = fill + 7 * codes.length;
  const out = new Array(Math.ceil(bits / 8)).fill(0);
  codes.forEach((c, i) => {
    for (let b = 0; b < 7; ++b) if ((c >> b) & 1) out[(fill + 7 * i + b) >> 3] |= 1 << ((fill + 7 * i + b) & 7);
  });
  if (bits % 8 === 1) out[out.length - 1] |= 0x0d << 1;
  return out;
}

test('random texts: parts, user data and the reader against references', () => {
  const graphemes = new Intl.Segmenter('en', { granularity: 'grapheme' });
  const elements = [0x0a, 2, 1, 2];
  const optionSets = [{}, { languages: s.LANGUAGES }, { languages: ['tr', 'pt', 'hi'], replaceLookalikes: true },
    { ref16: true, elements: new Uint8Array(elements) }];
  for (let seed = 1; seed <= 300; ++seed) {
    const rnd = random(seed);
    let text = '';
    const plainness = rnd();
    const pool = pools[Math.floor(rnd() * pools.length)];
    for (let n = Math.floor(rnd() * 400); text.length < n;)
      text += rnd() < plainness ? 'abc de '[Math.floor(rnd() * 7)] : pool[Math.floor(rnd() * pool.length)];
    const options = optionSets[seed % optionSets.length];
    const p = s.plan(text, options);
    const why = `seed ${seed}, options ${seed % optionSets.length}, text ${JSON.stringify(text)}`;
    const cuts = new Set([0, ...[...graphemes.segment(text)].map((g) => g.index)]);
    const pair = { locking: p.lockingLanguage, single: p.singleLanguage };
    let at = 0;
    p.parts.forEach((part, k) => {
      assert.strictEqual(part.start, at, why);
      assert.ok(cuts.has(part.start), `${why}: part ${k} starts inside a cluster`);
      at = part.end;
      if (p.replaced.length === 0) assert.strictEqual(part.text, text.slice(part.start, part.end), why);
      const h = header(p, k, options.elements ? elements : []);
      let body, udl, room;
      if (p.encoding === 'gsm7') {
        const { gsm, unmapped } = s.toGsm(part.text, pair);
        assert.deepStrictEqual(unmapped, [], why);
        const headerSeptets = Math.ceil((h.length * 8) / 7);
        body = pack([...gsm], headerSeptets * 7 - h.length * 8);
        [udl, room] = [headerSeptets + gsm.length, 160 - headerSeptets - gsm.length];
        assert.strictEqual(part.length, gsm.length, why);
      } else {
        body = [...Buffer.from(part.text, 'utf16le').swap16()];
        [udl, room] = [h.length + body.length, (140 - h.length - body.length) >> 1];
        assert.strictEqual(part.length, part.text.length, why);
      }
      assert.strictEqual(hex(part.userData), hex([...h, ...body]), why);
      assert.strictEqual(part.udl, udl, why);
      assert.strictEqual(part.udhi, h.length > 0, why);
      if (k === p.parts.length - 1) assert.strictEqual(p.roomLeft, room, why);
      const back = s.readPart(part);
      assert.deepStrictEqual([back.text, back.total, back.sequence, back.locking, back.single],
        [part.text, p.parts.length > 1 ? p.parts.length : 0, p.parts.length > 1 ? k + 1 : 0, p.locking, p.single], why);
    });
    assert.strictEqual(at, text.length, why);
  }
});

test('string indices with emoji and flags before a part ends', () => {
  const cases = [
    // text, where the parts end
    ['\u0416'.repeat(65) + '\u{1F1EB}\u{1F1F7}' + 'x'.repeat(10), [65, 79]],
    ['\u0416'.repeat(66) + '\u{1F600}' + 'x'.repeat(10), [66, 78]],
    ['\u{1F600}'.repeat(33) + '\u{1F1EB}\u{1F1F7}' + 'x', [66, 71]],
    ['\u{1F600}' + 'e\u0301'.repeat(34) + 'x', [66, 71]],
  ];
  for (const [text, ends] of cases) assert.deepStrictEqual(s.plan(text).parts.map((q) => q.end), ends, text);
});

test('what ruled the 7-bit encodings out, what was replaced, where the pairs ran out', () => {
  const p = s.plan('a\u{1F600}b\u0416\u2019', { replaceLookalikes: true });
  assert.deepStrictEqual(p.ruledOut, [{ index: 1, length: 2, char: '\u{1F600}' }, { index: 4, length: 1, char: '\u0416' }]);
  const r = s.plan('\u201cQuote\u201d\u2026 \u00a0'.repeat(20), { replaceLookalikes: true });
  assert.deepStrictEqual([r.encoding, r.ranOut, p.ranOut], ['gsm7', null, 1]);
  assert.deepStrictEqual(r.replaced.slice(0, 4).map((x) => [x.index, x.char, x.became]),
    [[0, '\u201c', '"'], [6, '\u201d', '"'], [7, '\u2026', '...'], [9, '\u00a0', ' ']]);
  assert.strictEqual(r.parts[0].text.slice(0, 13), '"Quote"...  "');
  const t = s.plan('\u00e7\u011f'.repeat(40) + '\u00e3' + '\u0416', { languages: ['tr', 'pt'] });
  // Turkish locking with the Portuguese single table holds the \u00e3 too.
  assert.strictEqual(t.ranOut, 81);
  const references = new Set(Array.from({ length: 200 }, () => s.plan('y'.repeat(200)).reference));
  assert.ok(references.size > 50 && [...references].every((x) => x >= 0 && x < 256));
});

test('errors carry the status and the offset as a string index', () => {
  const cases = [
    [() => s.plan('\u{1F600}a\ud800'), Error, 'SEPTCVT_MALFORMED', 3],
    [() => s.plan('\udc00'), Error, 'SEPTCVT_MALFORMED', 0],
    [() => s.plan(7), TypeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.plan('x', { languages: ['en'] }), RangeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.plan('x', { reference: 256 }), RangeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.plan('x', { elements: new Uint8Array([0, 3, 1, 1, 1]) }), Error, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.plan('x', { elements: [1, 0] }), TypeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.readPart({ dcs: 0, udhi: true, udl: 10, userData: new Uint8Array([20, 0, 0]) }), Error, 'SEPTCVT_BAD_USER_DATA'],
    [() => s.readPart({ dcs: 4, udhi: false, udl: 1, userData: new Uint8Array([65]) }), Error, 'SEPTCVT_NOT_TEXT'],
    [() => s.readPart({ dcs: 0, udhi: false, udl: 2 ** 32 + 1, userData: new Uint8Array([65]) }), TypeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.toUnicode('abc'), TypeError, 'SEPTCVT_BAD_ARGUMENT'],
    [() => s.toGsm('abc', { single: 'xx' }), RangeError, 'SEPTCVT_BAD_ARGUMENT'],
  ];
  for (const [call, Kind, code, offset] of cases)
    assert.throws(call, (e) => e instanceof Kind && e.code === code && e.offset === offset, call.toString());
  const unmapped = s.readPart({ dcs: 0, udhi: false, udl: 3, userData: new Uint8Array([0x9b, 0xa0, 0x10]) });
  assert.deepStrictEqual([unmapped.text, unmapped.unmapped], ['B', 1]);
  assert.throws(() => s.plan('\u0416'.repeat(67 * 255 + 1)), (e) => e.code === 'SEPTCVT_TOO_MANY_PARTS' && e.parts === 256);
});
