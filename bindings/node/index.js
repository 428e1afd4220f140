// septcvt for Node: how a text goes out as SMS (the encoding, the national
// language tables, the parts with their user data), GSM 03.38 text to and
// from Unicode, and received parts read back, through libseptcvt; whole
// TPDUs, SMPP's fields and the joining of received parts in wire.js.
//
// This file checks the caller's arguments and builds the objects the caller
// sees; the addon (src/) calls the library. Indices into a text are string
// indices (UTF-16 units), as String.prototype.slice takes them.
'use strict';
const native = require('./build/Release/septcvt.node');

// ISO 639-1 codes of the national language tables, by language id - 1.
const LANGUAGES = Object.freeze(['tr', 'es', 'pt', 'bn', 'gu', 'hi', 'kn', 'ml', 'or', 'pa', 'ta', 'te', 'ur']);
// What the addon writes into the shared arrays: a plan's numbers (a head,
// then a row a part) and each part's user data at USER_DATA_OCTETS * k.
const { numbers, bytes, headNumbers: HEAD, partNumbers: PART, userDataOctets: USER_DATA_OCTETS } = native;

function fail(Kind, message) {
  const e = new Kind(message);
  e.code = 'SEPTCVT_BAD_ARGUMENT';
  return e;
}

function languageId(code, what) {
  const id = LANGUAGES.indexOf(code) + 1;
  if (id === 0) throw fail(RangeError, `${what}: unknown language ${JSON.stringify(code)} (one of ${LANGUAGES.join(' ')})`);
  return id;
}

// A language code, or none for the default table; its id.
function tableId(code, what) {
  return code === undefined || code === null ? 0 : languageId(code, what);
}

function languageOf(id) {
  return id === 0 ? null : LANGUAGES[id - 1] || null;
}

function mask(list, what) {
  if (list === undefined || list === null) return 0;
  if (!Array.isArray(list)) throw fail(TypeError, `${what}: an array of language codes is needed`);
  let m = 0;
  for (const code of list) m |= 1 << languageId(code, what);
  return m;
}

function text(value, what) {
  if (typeof value !== 'string') throw fail(TypeError, `${what}: a string is needed`);
  return value;
}

function uint8(value, what) {
  if (!(value instanceof Uint8Array)) throw fail(TypeError, `${what}: a Uint8Array is needed`);
  return value;
}

function options(value) {
  if (value === undefined || value === null) return {};
  if (typeof value !== 'object') throw fail(TypeError, 'options: an object is needed');
  return value;
}

// The (index, length) pairs the addon gives, as objects; with the text,
// each character too.
function places(flat, of) {
  const out = [];
  for (let i = 0; i < flat.length; i += 2) {
    const place = { index: flat[i], length: flat[i + 1] };
    if (of !== undefined) place.char = of.slice(flat[i], flat[i] + flat[i + 1]);
    out.push(place);
  }
  return out;
}

// plan()'s text and options as the addon takes them; forceRef16 for the
// callers whose concatenation needs the room of a 16-bit reference.
function planArguments(value, o, what, forceRef16) {
  const t = text(value, what);
  const both = mask(o.languages, 'languages');
  const ref16 = Boolean(forceRef16 || o.ref16);
  let reference = o.reference;
  if (reference === undefined || reference === null) {
    // Receivers join the parts of a message by sender and reference, so a
    // fixed default would let two messages to one handset mix; a counter
    // per recipient, passed in, is better still.
    reference = Math.floor(Math.random() * (ref16 ? 65536 : 256));
  } else if (!Number.isInteger(reference) || reference < 0 || reference > (ref16 ? 65535 : 255)) {
    throw fail(RangeError, `reference: an integer from 0 to ${ref16 ? 65535 : 255} is needed`);
  }
  const elements = o.elements === undefined || o.elements === null ? null : uint8(o.elements, 'elements');
  const locking = both | mask(o.locking, 'locking');
  const single = both | mask(o.single, 'single');
  const replace = o.replaceLookalikes ? 1 : 0;
  return [t, locking, single, replace, ref16 ? 16 : 8, reference, elements];
}

// The plan the addon left in the shared arrays, made of args, as plan()
// gives it; got is what the addon's plan() returned.
function planResult(args, got) {
  const [t, locking, single, replace, bits, reference] = args;
  const shown = typeof got === 'string' ? got : got[0];
  const dcs = numbers[0];
  const count = numbers[3];
  const parts = new Array(count);
  for (let k = 0, at = 0; k < count; ++k) {
    const n = HEAD + PART * k;
    const ud = USER_DATA_OCTETS * k;
    parts[k] = {
      text: shown.slice(at, (at += numbers[n + 6])),
      start: numbers[n],
      end: numbers[n + 1],
      length: numbers[n + 2],
      dcs,
      udhi: numbers[n + 3] === 1,
      udl: numbers[n + 4],
      userData: bytes.slice(ud, ud + numbers[n + 5]),
    };
  }
  const result = {
    encoding: dcs === 0 ? 'gsm7' : 'ucs2',
    dcs,
    locking: numbers[1],
    single: numbers[2],
    lockingLanguage: languageOf(numbers[1]),
    singleLanguage: languageOf(numbers[2]),
    parts,
    roomLeft: numbers[4],
    ranOut: numbers[6] < 0 ? null : numbers[6],
    reference: count > 1 ? reference : null,
    ref16: bits === 16,
    ruledOut: [],
    replaced: [],
  };
  // Only a UCS-2 plan has characters that ruled the 7-bit encodings out;
  // they are looked for when first asked for, as it takes another pass.
  if (dcs !== 0) {
    Object.defineProperty(result, 'ruledOut', {
      enumerable: true,
      configurable: true,
      get() {
        const ruled = native.ruledOut(t, locking, single, replace);
        const list = [];
        for (let i = 0; i < ruled.length; i += 3)
          list.push({ index: ruled[i], length: ruled[i + 1], char: String.fromCodePoint(ruled[i + 2]) });
        Object.defineProperty(result, 'ruledOut', { value: list, enumerable: true, writable: true });
        return list;
      },
    });
  }
  if (typeof got === 'string') return result;
  const replaced = got[1];
  for (let i = 0; i < replaced.length; i += 6) {
    const [index, length, n] = replaced.slice(i, i + 3);
    const became = String.fromCodePoint(...replaced.slice(i + 3, i + 3 + n));
    result.replaced.push({ index, length, char: t.slice(index, index + length), became });
  }
  return result;
}

function plan(value, opts) {
  const args = planArguments(value, options(opts), 'plan');
  return planResult(args, native.plan(...args));
}

function pair(opts) {
  const o = options(opts);
  return [tableId(o.locking, 'locking'), tableId(o.single, 'single')];
}

function toGsm(value, opts) {
  const t = text(value, 'toGsm');
  const [gsm, flat] = native.toGsm(t, ...pair(opts));
  return { gsm, unmapped: places(flat, t) };
}

function toUnicode(gsm, opts) {
  const [t, flat] = native.toUnicode(uint8(gsm, 'toUnicode'), ...pair(opts));
  return { text: t, unmapped: places(flat) };
}

function readPart(part) {
  if (part === null || typeof part !== 'object') throw fail(TypeError, 'readPart: an object is needed');
  const { dcs, udhi, udl } = part;
  // Exactly 32-bit integers: the addon would take 2 ** 32 + 5 for 5.
  for (const [name, v] of [['dcs', dcs], ['udl', udl]])
    if ((v | 0) !== v) throw fail(TypeError, `readPart: ${name} must be a 32-bit integer`);
  const t = native.readPart(dcs, udhi ? 1 : 0, udl, uint8(part.userData, 'readPart: userData'));
  return { text: t, ...receivedAt(0) };
}

// What a reader of parts found, at numbers[at]: the concatenation numbers,
// the tables and the characters left out, in this order.
function receivedAt(at) {
  const n = numbers;
  return {
    concatenated: n[at] === 1,
    reference: n[at + 1],
    total: n[at + 2],
    sequence: n[at + 3],
    locking: n[at + 4],
    single: n[at + 5],
    lockingLanguage: languageOf(n[at + 4]),
    singleLanguage: languageOf(n[at + 5]),
    unmapped: n[at + 6],
  };
}

const wire = require('./wire.js')({ native, fail, options, text, uint8, languageOf, receivedAt, planArguments, planResult });

module.exports = {
  plan,
  toGsm,
  toUnicode,
  readPart,
  ...wire,
  LANGUAGES,
  version: native.version,
  unicodeVersion: native.unicodeVersion,
};
