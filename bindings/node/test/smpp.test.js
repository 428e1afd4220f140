// SMPP's fields and the joiner held to the library's worked examples
// (their octets from its own tests), and a planned text sent as submit_sm
// parts and as message_payload, read back and joined.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const s = require('..');

const octets = (hex) => s.fromHex(hex.replace(/ /g, ''));
const hex = (bytes) => s.toHex(bytes).replace(/(..)(?!$)/g, '$1 ');
const a400 = 'a'.repeat(400);
const times = (x, n) => Array(n).fill(x).join(' ');

test('parts as submit_sm takes them', () => {
  const cases = [
    // text, options, part, esm_class data_coding SAR short_message
    [a400, { reference: 0x2a }, 2, '40 00 - 05 00 03 2A 03 03 ' + times('61', 94)],
    [a400, { reference: 0x1234, sar: true }, 1, '00 00 4660/3/2 ' + times('61', 152)],
    ['\u0436'.repeat(66) + '\u{1F600}' + 'x'.repeat(10), { reference: 7 }, 1,
      '40 08 - 05 00 03 07 02 02 D8 3D DE 00 ' + times('00 78', 10)],
    ['a\u011fa\u00e7'.repeat(18), { languages: ['tr'] }, 0, '40 00 - 03 25 01 01 ' + times('61 0C 61 60', 18)],
    ['Hi', { messageClass: 0 }, 0, '00 F0 - 48 69'],
    ['\u0436', { messageClass: 1, ucs2Class: true }, 0, '00 19 - 04 36'],
    ['Hi', { smscAlphabet: 'gsm-packed' }, 0, '00 00 - C8 34'],
    ['Hi \u00a3{', { smscAlphabet: 'latin1' }, 0, '00 03 - 48 69 20 A3 7B'],
  ];
  const two = (n) => n.toString(16).toUpperCase().padStart(2, '0');
  for (const [text, options, k, want] of cases) {
    const p = s.smppParts(text, options).parts[k];
    const sar = p.sar ? `${p.sar.msgRefNum}/${p.sar.totalSegments}/${p.sar.segmentSeqnum}` : '-';
    assert.strictEqual(`${two(p.esmClass)} ${two(p.dataCoding)} ${sar} ${hex(p.shortMessage)}`, want, text);
  }
  for (const [text, options, code] of [['\u0436', { messageClass: 1 }, 'SEPTCVT_BAD_ARGUMENT'],
    ['\u0394', { smscAlphabet: 'latin1' }, 'SEPTCVT_UNMAPPED'], ['Hi', { smscAlphabet: 'latin1', messageClass: 0 }, 'SEPTCVT_BAD_ARGUMENT'],
    ['Hi', { smscAlphabet: 'ascii' }, 'SEPTCVT_BAD_ARGUMENT']])
    assert.throws(() => s.smppParts(text, options), { code }, text);
  // One payload holds what no 255 parts hold.
  const long = 'a'.repeat(40000);
  assert.throws(() => s.smppParts(long), { code: 'SEPTCVT_TOO_MANY_PARTS' });
  assert.strictEqual(Buffer.from(s.smppPayload(long).payload).toString(), long);
});

test('deliver_sm read, and what is refused', () => {
  const sar = { msgRefNum: 0x1234, totalSegments: 3, segmentSeqnum: 2 };
  const cases = [
    // message, esm_class, data_coding, settings, SAR, what is read
    ['48 69 1B 65', 0x00, 0x00, {}, null, 'Hi\u20ac gsm'],
    ['C8 34', 0x00, 0x00, { smscAlphabet: 'gsm-packed' }, null, 'Hi gsm'],
    ['48 69 A3', 0x00, 0x00, { smscAlphabet: 'latin1' }, null, 'Hi\u00a3 latin1'],
    ['48 80 69', 0x00, 0x01, {}, null, 'Hi ascii unmapped 1'],
    ['D8 3D DE 00', 0x00, 0x08, {}, null, '\u{1F600} ucs2'],
    ['01 02', 0x00, 0xf6, {}, null, '01 02 octets class 2'],
    ['00 48', 0x00, 0x18, { ucs2Class: true }, null, 'H ucs2 class 0'],
    ['05 00 03 2A 02 01 48 69', 0x40, 0x00, {}, null, 'Hi gsm 8:42/2/1'],
    ['48 69', 0x00, 0x00, {}, sar, 'Hi gsm SAR:4660/3/2'],
    ['69 64 3A 31', 0x04, 0x00, {}, null, 'id:1 gsm type 4'],
    [times('41', 255), 0x00, 0x00, {}, null, 'short_message 255 at 254'],
    ['05 00 03 2A', 0x40, 0x00, {}, null, 'UDHL 5 at 0'],
    ['48', 0x00, 0x00, {}, { msgRefNum: 1, totalSegments: 3, segmentSeqnum: 4 }, 'sar_segment_seqnum 4 at 0'],
    ['48', 0x00, 0x06, {}, null, 'data_coding 6 at 0'],
  ];
  for (const [message, esmClass, dataCoding, settings, sarValues, want] of cases) {
    let got;
    try {
      const r = s.readDeliverSm({ shortMessage: octets(message), esmClass, dataCoding, sar: sarValues }, settings);
      got = [r.text ?? hex(r.data), r.alphabet, r.unmapped && `unmapped ${r.unmapped}`, r.messageClass !== null && `class ${r.messageClass}`,
        r.concatenated && `${r.sar ? 'SAR' : r.referenceBits}:${r.reference}/${r.total}/${r.sequence}`,
        r.messageType && `type ${r.messageType}`].filter((x) => x !== false && x !== 0).join(' ');
    } catch (e) {
      assert.strictEqual(e.code, 'SEPTCVT_BAD_TPDU');
      got = `${e.field} ${e.value} at ${e.offset}`;
    }
    assert.strictEqual(got, want, message);
  }
  // A payload is read a stretch at a time: an escape pair across two stays whole.
  const payload = new Uint8Array([...Array(1023).fill(0x61), 0x1b, 0x65]);
  assert.strictEqual(s.readDeliverSm({ payload }).text, 'a'.repeat(1023) + '\u20ac');
});

test('joining: worked examples', () => {
  const part = (h, esmClass = 0x40, dataCoding = 0, sar = null) => ({ shortMessage: octets(h), esmClass, dataCoding, sar });
  const first8 = part('05 00 03 05 02 01 41');
  const second8 = part('05 00 03 05 02 02 42');
  const report = s.decodeTpdu(octets('00 46 2A 00 81' + ' 21 30 80 41 15 95 0A'.repeat(2) + ' 00 07 00 08 08 05 00 03 05 02 02 00 42'));
  const cases = [
    // parts, messages
    [[part('05 00 03 01 02 02 65 20 6E 65 74'), part('05 00 03 01 02 01 50 72 69 63 65 20 31 30 1B')],
      ['joined 8:1/2 parts 1,0 Price 10\u20ac net']],
    [[part('05 00 03 02 02 01 00 41 D8 3D', 0x40, 8), part('05 00 03 02 02 02 DE 00 00 42', 0x40, 8)],
      ['joined 8:2/2 parts 0,1 A\u{1F600}B']],
    [[first8, part('06 08 04 00 05 02 02 42'), part('42', 0, 0, { msgRefNum: 5, totalSegments: 2, segmentSeqnum: 2 })],
      ['incomplete 8:5/2 parts 0 missing 2', 'incomplete 16:5/2 parts 1 missing 1', 'incomplete SAR:5/2 parts 2 missing 1']],
    [[second8, first8, second8], ['joined 8:5/2 parts 1,0 repeats 1 AB']],
    [[first8, second8, part('05 00 03 05 02 02 43'), second8], ['conflict 8:5/2 parts 0,1 pairs 1,2 repeats 1']],
    [[first8, report], ['incomplete 8:5/2 parts 0 missing 2', 'alone parts 1 B']],
    [[part('05 00 03 05 02 00 5A'), { dcs: 0, udhi: true, udl: 8, userData: octets('05 00 03 05 02 00 B4') }],
      ['alone parts 0 Z', 'alone parts 1 Z']],
    // more numbers missing than parts given; binary data joined as octets
    [[part('05 00 03 09 05 03 43')], ['incomplete 8:9/5 parts 0 missing 1,2,4,5']],
    [[part('05 00 03 06 02 02 FF', 0x40, 4), part('05 00 03 06 02 01 01 02', 0x40, 4)], ['joined 8:6/2 parts 1,0 01 02 FF']],
  ];
  for (const [parts, want] of cases) {
    const got = s.join(parts).map((m) => [m.kind, m.kind === 'alone' ? null : `${m.sar ? 'SAR' : m.referenceBits}:${m.reference}/${m.total}`,
      `parts ${m.parts}`, m.missing.length && `missing ${m.missing}`, m.conflicts.length && `pairs ${m.conflicts}`,
      m.repeats && `repeats ${m.repeats}`, m.text ?? (m.data && hex(m.data))].filter((x) => x !== null && x !== 0).join(' '));
    assert.deepStrictEqual(got, want);
  }
  // data_coding is a parameter of its own, at no octet of the message.
  assert.throws(() => s.join([first8, part('48', 0, 6)]),
    { code: 'SEPTCVT_BAD_TPDU', field: 'data_coding', part: 1, message: /: data_coding 6$/ });
  assert.throws(() => s.join([first8, { dcs: 0, udhi: true, udl: 10, userData: octets('14 00') }]),
    { code: 'SEPTCVT_BAD_USER_DATA', part: 1 });
});

test('a planned text as submit_sm parts and as message_payload, read back and joined', () => {
  const text = 'a\u011f\u00e7{\u2019'.repeat(80);
  const options = { languages: ['tr'], replaceLookalikes: true };
  for (const settings of [{ smscAlphabet: 'gsm' }, { smscAlphabet: 'gsm-packed' }]) {
    const p = s.smppParts(text, { ...options, ...settings, sar: settings.smscAlphabet === 'gsm' });
    const sent = p.parts.map((q) => q.text).join('');
    for (const part of p.parts) assert.strictEqual(s.readDeliverSm(part, settings).text, part.text);
    assert.strictEqual(s.readDeliverSm(s.smppPayload(text, { ...options, ...settings }), settings).text, sent);
    assert.deepStrictEqual(s.join([...p.parts].reverse(), settings).map((m) => [m.kind, m.text]), [['joined', sent]]);
  }
  // The payload's pair is its own, whatever the call before it had.
  assert.deepStrictEqual([s.smppPayload(text, options), s.smppPayload('Hi')].map((x) => [x.encoding, x.locking, x.single]),
    [['gsm7', 1, 0], ['gsm7', 0, 0]]);
});
