// Types of the septcvt package. Indices into a text are string indices
// (UTF-16 units), as String.prototype.slice takes them.

/** ISO 639-1 codes of the national language tables. */
export type Language = 'tr' | 'es' | 'pt' | 'bn' | 'gu' | 'hi' | 'kn' | 'ml' | 'or' | 'pa' | 'ta' | 'te' | 'ur';

/** The codes, in the order of the language ids 1-13. */
export const LANGUAGES: readonly Language[];

/** The library's version, such as "1.3.1". */
export const version: string;
/** The Unicode version whose grapheme cluster rules place part boundaries. */
export const unicodeVersion: string;

/** Thrown for every refusal; TypeError or RangeError for a bad argument. */
export interface SeptcvtError extends Error {
  /** The status's name, such as 'SEPTCVT_MALFORMED' or 'SEPTCVT_BAD_ARGUMENT'. */
  code: string;
  /** Where refused text begins, as a string index. */
  offset?: number;
  /** With SEPTCVT_TOO_MANY_PARTS: the parts the best encoding needs. */
  parts?: number;
}

export interface PlanOptions {
  /** Languages whose locking and single shift tables may both be used. */
  languages?: readonly Language[];
  /** Languages whose locking shift table may be used. */
  locking?: readonly Language[];
  /** Languages whose single shift table may be used. */
  single?: readonly Language[];
  /** Replace typographic look-alikes (curly quotes, dashes, ...) where that saves parts. */
  replaceLookalikes?: boolean;
  /** The concatenation reference; a random one where it is not given. */
  reference?: number;
  /** A 16-bit concatenation reference instead of an 8-bit one. */
  ref16?: boolean;
  /** Header elements of the caller's own (IEI, length, data, ...), put in every part. */
  elements?: Uint8Array;
}

export interface Part {
  /** The part's text as a receiver shows it (look-alikes replaced where they were). */
  text: string;
  /** Where the part lies in the text planned. */
  start: number;
  end: number;
  /** Its septets (7-bit) or UTF-16 units (UCS-2). */
  length: number;
  /** TP-DCS, TP-UDHI, TP-UDL and TP-UD. */
  dcs: number;
  udhi: boolean;
  udl: number;
  userData: Uint8Array;
}

export interface Place {
  /** String index, and UTF-16 units, of a character. */
  index: number;
  length: number;
  char: string;
}

export interface Replacement extends Place {
  /** What the look-alike became: '' where it was dropped. */
  became: string;
}

export interface Plan {
  encoding: 'gsm7' | 'ucs2';
  dcs: number;
  /** 7-bit: the language ids (1-13) of the locking and single shift tables, 0 the default ones. */
  locking: number;
  single: number;
  lockingLanguage: Language | null;
  singleLanguage: Language | null;
  parts: Part[];
  /** Septets or units still free in the last part. */
  roomLeft: number;
  /** The index of the first character at which no allowed pair of tables holds all the text up to it. */
  ranOut: number | null;
  /** The concatenation reference, where there is more than one part. */
  reference: number | null;
  ref16: boolean;
  /** UCS-2: each character that no allowed table holds. */
  ruledOut: Place[];
  /** Each look-alike that went out replaced. */
  replaced: Replacement[];
}

/** How a text goes out as SMS: the encoding with the fewest parts, and each part's user data. */
export function plan(text: string, options?: PlanOptions): Plan;

export interface Pair {
  /** The locking and single shift tables; the default ones where not given. */
  locking?: Language | null;
  single?: Language | null;
}

/** A text as GSM codes (an escape and a code for the extension), each character the pair lacks left out. */
export function toGsm(text: string, pair?: Pair): { gsm: Uint8Array; unmapped: Place[] };

/** GSM codes as text; unmapped gives the index and length of each code (or escape pair) the pair lacks. */
export function toUnicode(gsm: Uint8Array, pair?: Pair): { text: string; unmapped: { index: number; length: number }[] };

export interface Received {
  text: string;
  /** The concatenation element, where the header holds a valid one. */
  concatenated: boolean;
  reference: number;
  total: number;
  sequence: number;
  locking: number;
  single: number;
  lockingLanguage: Language | null;
  singleLanguage: Language | null;
  /** Characters without a mapping, each left out of text. */
  unmapped: number;
}

/** A received part read back from its TP-DCS, TP-UDHI, TP-UDL and TP-UD. */
export function readPart(part: { dcs: number; udhi: boolean | number; udl: number; userData: Uint8Array }): Received;
