// The wire: whole TPDUs as a modem in PDU mode takes and gives them, their
// addresses and hexadecimal; SMPP's fields that carry text; and the joining
// of received parts. index.js hands in what it shares with these calls: the
// addon, argument checks, and the plan's arguments and result.
'use strict';

module.exports = ({ native, fail, options, text, uint8, languageOf, receivedAt, planArguments, planResult }) => {
  const { numbers } = native;

  // A TPDU's numbers lie in the shared numbers array by name ('type',
  // 'scts.zone', ...), as the addon says; a group's names ('scts': year,
  // month, ...) make the objects of time stamps and the like.
  const SLOTS = native.tpduSlots;
  const SLOT_COUNT = Object.keys(SLOTS).length;
  const GROUPS = {};
  for (const key of Object.keys(SLOTS)) {
    const dot = key.indexOf('.');
    if (dot > 0) (GROUPS[key.slice(0, dot)] ||= []).push(key.slice(dot + 1));
  }
  const slot = (name) => numbers[SLOTS[name]];
  const group = (name) => Object.fromEntries(GROUPS[name].map((k) => [k, slot(`${name}.${k}`)]));

  // The library's numbers by name, in the order of their values.
  const TYPES = ['deliver', 'submit', 'status-report'];
  const VALIDITY = ['none', 'relative', 'enhanced', 'absolute'];
  const ENHANCED = ['none', 'relative', 'seconds', 'hms'];
  const ST_GROUPS = ['completed', 'trying', 'permanent', 'not-trying'];
  const SMSC_ALPHABETS = ['gsm', 'gsm-packed', 'latin1'];
  const SMPP_ALPHABETS = ['gsm', 'ascii', 'latin1', 'ucs2', 'octets'];
  const KINDS = ['joined', 'alone', 'incomplete', 'conflict'];
  const TO_NETWORK = 1;
  const FROM_NETWORK = 2;

  function named(list, value, what) {
    const i = list.indexOf(value);
    if (i < 0) throw fail(RangeError, `${what}: one of ${list.join(' ')} is needed`);
    return i;
  }

  // A whole number that a 32-bit field of the library holds.
  function int32(value, what) {
    if ((value | 0) !== value) throw fail(TypeError, `${what}: a 32-bit integer is needed`);
    return value;
  }
  function uint32(value, what) {
    if (!Number.isInteger(value) || value < 0 || value > 0xffffffff) throw fail(TypeError, `${what}: an unsigned 32-bit integer is needed`);
    return value;
  }

  // An address as text alone (its type from the text), or {text, ton, npi}
  // with the type as given: [text, ton, npi, explicit].
  function addressOf(a, what) {
    if (typeof a === 'string') return [a, 0, 0, 0];
    if (a === null || typeof a !== 'object' || typeof a.text !== 'string')
      throw fail(TypeError, `${what}: a string or {text, ton, npi} is needed`);
    if (a.ton === undefined && a.npi === undefined) return [a.text, 0, 0, 0];
    return [a.text, int32(a.ton ?? 0, `${what}.ton`), int32(a.npi ?? 0, `${what}.npi`), 1];
  }

  // Writes the numbers of TPDU fields f into the shared array; returns the
  // texts of the service centre and the address.
  function putTpdu(f, what) {
    numbers.fill(0, 0, SLOT_COUNT);
    const put = (name, value) => (numbers[SLOTS[name]] = int32(value, `${what}: ${name}`));
    const flag = (name) => put(name, f[name] ? 1 : 0);
    const putGroup = (name, value) => {
      if (value === null || typeof value !== 'object') throw fail(TypeError, `${what}: ${name}: an object is needed`);
      for (const k of GROUPS[name]) put(`${name}.${k}`, value[k] ?? 0);
    };
    const putAddress = (name, a) => {
      if (a === undefined || a === null) return '';
      const [t, ton, npi, explicit] = addressOf(a, `${what}: ${name}`);
      [ton, npi, explicit].forEach((v, i) => put(`${name}.${['ton', 'npi', 'explicit'][i]}`, v));
      return t;
    };
    put('type', named(TYPES, f.type, `${what}: type`));
    const texts = [putAddress('smsc', f.smsc), putAddress('address', f.address)];
    ['rejectDuplicates', 'replyPath', 'statusReport', 'moreMessages', 'loopPrevention'].forEach(flag);
    put('mr', f.mr ?? 0);
    put('pid', f.pid ?? 0);
    if (f.messageClass !== undefined && f.messageClass !== null) put('hasClass', 1), put('messageClass', f.messageClass);
    let v = f.validity;
    if (typeof v === 'number') v = { format: 'relative', seconds: v };
    if (v !== undefined && v !== null) {
      if (typeof v !== 'object') throw fail(TypeError, `${what}: validity: seconds or an object is needed`);
      put('validity.format', named(VALIDITY, v.format, `${what}: validity.format`));
      put('validity.seconds', v.seconds ?? 0);
      if (v.format === 'enhanced') put('validity.enhanced', named(ENHANCED, v.enhanced, `${what}: validity.enhanced`));
      put('validity.singleShot', v.singleShot ? 1 : 0);
      put('validity.extension', v.extension ? 1 : 0);
      if (v.format === 'absolute') putGroup('absolute', v.absolute);
    }
    for (const name of ['scts', 'discharge']) if (f[name] !== undefined && f[name] !== null) putGroup(name, f[name]);
    put('statusSent', f.statusSent ?? f.status ?? 0);
    if (f.pi !== undefined && f.pi !== null) put('hasPi', 1), put('pi', f.pi);
    put('dcs', f.dcs ?? 0);
    put('udhi', f.udhi ? 1 : 0);
    put('udl', f.udl ?? 0);
    return texts;
  }

  function withSmsc(o) {
    return o.withSmsc === undefined || o.withSmsc ? 1 : 0;
  }

  function encoded(tpdu, length) {
    return { tpdu, hex: native.toHex(tpdu), tpduLength: length };
  }

  function submit(value, opts) {
    const o = options(opts);
    const args = planArguments(value, o, 'submit');
    if (o.to === undefined || o.to === null) throw fail(TypeError, 'submit: to, the destination, is needed');
    const { smsc, rejectDuplicates, replyPath, statusReport, mr, pid, validity } = o;
    const [sc, address] = putTpdu({ type: 'submit', smsc, address: o.to, rejectDuplicates, replyPath, statusReport, mr,
      pid, messageClass: o.messageClass, validity }, 'submit');
    const [got, tpdus, lengths] = native.submit(...args, sc, address, withSmsc(o));
    const result = planResult(args, got);
    result.parts.forEach((part, k) => Object.assign(part, encoded(tpdus[k], lengths[k])));
    return result;
  }

  function encodeTpdu(tpdu, opts) {
    if (tpdu === null || typeof tpdu !== 'object') throw fail(TypeError, 'encodeTpdu: an object is needed');
    const [sc, address] = putTpdu(tpdu, 'encodeTpdu');
    const ud = tpdu.userData === undefined || tpdu.userData === null ? new Uint8Array(0) : uint8(tpdu.userData, 'encodeTpdu: userData');
    return encoded(...native.encodeTpdu(sc, address, ud, withSmsc(options(opts))));
  }

  function decodeTpdu(bytes, opts) {
    const o = options(opts);
    const [sc, address, t, userData, unmapped] = native.decodeTpdu(uint8(bytes, 'decodeTpdu'), withSmsc(o),
      o.toNetwork ? TO_NETWORK : FROM_NETWORK);
    const type = TYPES[slot('type')];
    const report = type === 'status-report';
    const addressAt = (name, at) => ({ text: at, ton: slot(`${name}.ton`), npi: slot(`${name}.npi`) });
    const v = group('validity');
    return {
      type,
      smsc: sc === '' ? null : addressAt('smsc', sc),
      address: addressAt('address', address),
      rejectDuplicates: slot('rejectDuplicates') === 1,
      replyPath: slot('replyPath') === 1,
      statusReport: slot('statusReport') === 1,
      moreMessages: slot('moreMessages') === 1,
      loopPrevention: slot('loopPrevention') === 1,
      mr: slot('mr'),
      pid: slot('pid'),
      messageClass: slot('hasClass') === 1 ? slot('messageClass') : null,
      validity: v.format === 0 ? null : {
        format: VALIDITY[v.format],
        seconds: v.seconds,
        relative: v.relative,
        enhanced: v.format === 2 ? ENHANCED[v.enhanced] : null,
        singleShot: v.singleShot === 1,
        extension: v.extension === 1,
        absolute: v.format === 3 ? group('absolute') : null,
      },
      scts: type === 'submit' ? null : group('scts'),
      discharge: report ? group('discharge') : null,
      status: report ? slot('status') : null,
      statusSent: report ? slot('statusSent') : null,
      statusGroup: report ? ST_GROUPS[slot('statusGroup')] : null,
      pi: slot('hasPi') === 1 ? slot('pi') : null,
      dcs: slot('dcs'),
      udhi: slot('udhi') === 1,
      udl: slot('udl'),
      userData,
      headerLength: slot('headerLength'),
      smscLength: slot('smscLength'),
      tpduLength: slot('tpduLength'),
      trailing: slot('trailing'),
      // The reader's numbers lie in the order receivedAt reads.
      received: { text: t, ...receivedAt(SLOTS['received.concatenated']) },
      unmapped,
    };
  }

  function encodeAddress(address, opts) {
    return native.encodeAddress(...addressOf(address, 'encodeAddress'), options(opts).smsc ? 1 : 0);
  }

  function decodeAddress(bytes, opts) {
    const [t, ton, npi, used, unmapped] = native.decodeAddress(uint8(bytes, 'decodeAddress'), options(opts).smsc ? 1 : 0);
    return { text: t, ton, npi, used, unmapped };
  }

  function toHex(bytes) {
    return native.toHex(uint8(bytes, 'toHex'));
  }

  function fromHex(hex) {
    return native.fromHex(text(hex, 'fromHex'));
  }

  // What an SMSC takes data_coding 0 for, and whether it passes UCS-2 with
  // a class on: the addon's two numbers.
  function settings(o) {
    return [o.smscAlphabet === undefined ? 0 : named(SMSC_ALPHABETS, o.smscAlphabet, 'smscAlphabet'), o.ucs2Class ? 1 : 0];
  }

  function messageClass(o) {
    return o.messageClass === undefined || o.messageClass === null ? -1 : int32(o.messageClass, 'messageClass');
  }

  function smppParts(value, opts) {
    const o = options(opts);
    // The SMSC writes a 16-bit element on the air: the plan leaves its room.
    const args = planArguments(value, o, 'smppParts', o.sar);
    const [got, messages, n] = native.smppParts(...args, o.sar ? 1 : 0, messageClass(o), ...settings(o));
    const result = planResult(args, got);
    const N = native.smppPartNumbers;
    result.parts.forEach((part, k) => Object.assign(part, {
      shortMessage: messages[k],
      esmClass: n[N * k],
      dataCoding: n[N * k + 1],
      sar: n[N * k + 2] ? { msgRefNum: n[N * k + 3], totalSegments: n[N * k + 4], segmentSeqnum: n[N * k + 5] } : null,
    }));
    return result;
  }

  function smppPayload(value, opts) {
    const o = options(opts);
    const [payload, esmClass, dataCoding] = native.smppPayload(...planArguments(value, o, 'smppPayload'), messageClass(o),
      ...settings(o));
    return {
      payload,
      esmClass,
      dataCoding,
      encoding: numbers[0] === 0 ? 'gsm7' : 'ucs2',
      locking: numbers[1],
      single: numbers[2],
      lockingLanguage: languageOf(numbers[1]),
      singleLanguage: languageOf(numbers[2]),
    };
  }

  // A deliver_sm's fields (and the settings' numbers) as the addon takes them.
  function smppArguments(f, what, s) {
    const payload = f.payload !== undefined && f.payload !== null;
    const message = uint8(payload ? f.payload : f.shortMessage, `${what}: ${payload ? 'payload' : 'shortMessage'}`);
    const sar = f.sar === undefined || f.sar === null ? [0, 0, 0, 0]
      : [1, uint32(f.sar.msgRefNum, `${what}: sar.msgRefNum`), uint32(f.sar.totalSegments, `${what}: sar.totalSegments`),
        uint32(f.sar.segmentSeqnum, `${what}: sar.segmentSeqnum`)];
    return [message, payload ? 1 : 0, int32(f.esmClass ?? 0, `${what}: esmClass`),
      int32(f.dataCoding ?? 0, `${what}: dataCoding`), ...sar, ...s];
  }

  function readDeliverSm(fields, opts) {
    if (fields === null || typeof fields !== 'object') throw fail(TypeError, 'readDeliverSm: an object is needed');
    const [t, data] = native.readDeliverSm(...smppArguments(fields, 'readDeliverSm', settings(options(opts))));
    const n = numbers;
    return {
      text: t,
      data,
      messageType: n[7],
      replyPath: n[8] === 1,
      alphabet: SMPP_ALPHABETS[n[9]],
      messageClass: n[10] === 1 ? n[11] : null,
      headerLength: n[12],
      sar: n[13] === 1,
      referenceBits: n[14],
      ...receivedAt(0),
    };
  }

  // A part as the joiner takes it: deliver_sm's fields, a TPDU that
  // decodeTpdu read (a status report is a receipt), or bare user data.
  function joinPart(p, s, what) {
    if (p === null || typeof p !== 'object') throw fail(TypeError, `${what}: an object is needed`);
    if (p.shortMessage !== undefined || p.payload !== undefined) return native.joinPartFromSmpp(...smppArguments(p, what, s));
    const type = p.type === undefined ? -1 : named(TYPES, p.type, `${what}: type`);
    return native.joinPartFromUserData(int32(p.dcs, `${what}: dcs`), p.udhi ? 1 : 0, int32(p.udl, `${what}: udl`),
      uint8(p.userData, `${what}: userData`), type);
  }

  function join(parts, opts) {
    if (!Array.isArray(parts)) throw fail(TypeError, 'join: an array of parts is needed');
    const s = settings(options(opts));
    const made = parts.map((p, i) => {
      try {
        return joinPart(p, s, `join: part ${i}`);
      } catch (e) {
        // Which part was refused, so that the caller can drop it.
        e.part = i;
        throw e;
      }
    });
    const [n, indices, texts] = native.join(made);
    const M = native.messageNumbers;
    return texts.map((t, i) => {
      const m = n.slice(M * i, M * (i + 1));
      const pairs = indices.slice(m[11], m[11] + 2 * m[12]);
      return {
        kind: KINDS[m[0]],
        sar: m[1] === 1,
        referenceBits: m[2],
        reference: m[3],
        total: m[4],
        messageType: m[5],
        parts: indices.slice(m[7], m[7] + m[8]),
        missing: indices.slice(m[9], m[9] + m[10]),
        conflicts: Array.from({ length: m[12] }, (_, k) => pairs.slice(2 * k, 2 * k + 2)),
        repeats: m[13],
        text: typeof t === 'string' ? t : null,
        data: t instanceof Uint8Array ? t : null,
        unmapped: m[14],
      };
    });
  }

  return {
    submit,
    encodeTpdu,
    decodeTpdu,
    encodeAddress,
    decodeAddress,
    toHex,
    fromHex,
    smppParts,
    smppPayload,
    readDeliverSm,
    join,
  };
};
