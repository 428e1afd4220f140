// plan() held to worked examples with their bytes, each part read back
// through the reader; string indices past emoji and flags; errors as the
// language's errors.
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
    // Read back: the header where udhi says, the numbers, the text as it went out.
    assert.deepStrictEqual(p.parts.map((q) => { const r = s.readPart(q); return [r.text, r.total, r.sequence, r.locking, r.single]; }),
      p.parts.map((q, k) => [q.text, udls.length > 1 ? udls.length : 0, udls.length > 1 ? k + 1 : 0, p.locking, p.single]), text);
    assert.strictEqual(p.parts.map((q) => q.text).join(''), text);
  }
  const hello = s.plan('Hello world');
  assert.deepStrictEqual([hello.parts[0].start, hello.parts[0].end, hello.parts[0].length, hello.parts[0].dcs, hello.roomLeft],
    [0, 11, 11, 0, 149]);
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
  const r = s.plan('\u201cQuote\u201d\u2026 \u00a0\u20ac'.repeat(20), { replaceLookalikes: true });
  assert.deepStrictEqual([r.encoding, r.ranOut, p.ranOut], ['gsm7', null, 1]);
  assert.deepStrictEqual(r.replaced.slice(0, 4).map((x) => [x.index, x.char, x.became]),
    [[0, '\u201c', '"'], [6, '\u201d', '"'], [7, '\u2026', '...'], [9, '\u00a0', ' ']]);
  assert.strictEqual(r.parts[0].text.slice(0, 14), '"Quote"...  \u20ac"');
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
