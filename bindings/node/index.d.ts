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
  /** The field a fault names, such as 'TP-UDL', 'short_message' or 'data_coding'. */
  field?: string;
  /** With SEPTCVT_BAD_TPDU and SEPTCVT_UNSUPPORTED_TPDU: the field's value (offset is then its octet). */
  value?: number;
  /** join(): the index of the part refused. */
  part?: number;
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

/** An address: digits (with * # a b c) behind a '+' for an international number, or alphanumeric text. */
export interface Address {
  text: string;
  /** Type of number (1 international, 5 alphanumeric, ...) and numbering plan (1 E.164, ...). */
  ton: number;
  npi: number;
}
/** Text alone (its type from the text), or with the type as given. */
export type AddressInput = string | { text: string; ton?: number; npi?: number };

/** TP-SCTS, TP-DT, an absolute TP-VP: two digits a field as sent (no century guessed); zone in quarter hours east of UTC. */
export interface TimeStamp {
  year: number;
  month: number;
  day: number;
  hour: number;
  minute: number;
  second: number;
  zone: number;
}

export interface Validity {
  format: 'relative' | 'enhanced' | 'absolute';
  /** The period in seconds (relative and enhanced): written as the smallest relative octet that lasts as long. */
  seconds: number;
  /** Read: the relative octet as sent. */
  relative: number;
  enhanced: 'none' | 'relative' | 'seconds' | 'hms' | null;
  singleShot: boolean;
  extension: boolean;
  absolute: TimeStamp | null;
}
/** A relative period in seconds, or a period of any format. */
export type ValidityInput = number | { format: 'none' | Validity['format']; seconds?: number; enhanced?: Validity['enhanced'];
  singleShot?: boolean; extension?: boolean; absolute?: TimeStamp | null };

/** A TPDU, every field; members its type lacks are null (or false and 0). */
export interface Tpdu {
  type: 'submit' | 'deliver' | 'status-report';
  /** The service centre in front; null where it is 00 or not there. */
  smsc: Address | null;
  /** TP-DA of SUBMIT, TP-OA of DELIVER, TP-RA of STATUS-REPORT. */
  address: Address;
  rejectDuplicates: boolean;
  replyPath: boolean;
  /** TP-SRR, TP-SRI or TP-SRQ. */
  statusReport: boolean;
  moreMessages: boolean;
  loopPrevention: boolean;
  /** TP-MR. */
  mr: number;
  pid: number;
  /** The message class TP-DCS gives. */
  messageClass: number | null;
  validity: Validity | null;
  scts: TimeStamp | null;
  discharge: TimeStamp | null;
  /** TP-ST as read (a reserved value as 0x63), as sent, and its group. */
  status: number | null;
  statusSent: number | null;
  statusGroup: 'completed' | 'trying' | 'permanent' | 'not-trying' | null;
  /** TP-PI's first octet, where there is one. */
  pi: number | null;
  /** TP-DCS, TP-UDHI, TP-UDL and TP-UD, as readPart and join take them. */
  dcs: number;
  udhi: boolean;
  udl: number;
  userData: Uint8Array;
  /** Octets of the user-data header (its length octet included), of the service centre in front,
   * of the TPDU (the AT+CMGS length), and after TP-UD (not read). */
  headerLength: number;
  smscLength: number;
  tpduLength: number;
  trailing: number;
  /** The user data as readPart reads it; text null for 8-bit and compressed data. */
  received: Omit<Received, 'text'> & { text: string | null };
  /** A character of the text or of an alphanumeric address had no mapping and was left out. */
  unmapped: boolean;
}

export type TpduInput = Partial<Omit<Tpdu, 'type' | 'smsc' | 'address' | 'validity' | 'received'>> & {
  type: Tpdu['type'];
  smsc?: AddressInput | null;
  address?: AddressInput;
  validity?: ValidityInput | null;
};

export interface Encoded {
  tpdu: Uint8Array;
  /** The same in uppercase hexadecimal, as a modem takes it. */
  hex: string;
  /** The TPDU's octets without the service centre in front: what AT+CMGS takes. */
  tpduLength: number;
}

export interface SubmitOptions extends PlanOptions {
  /** The destination, TP-DA. */
  to: AddressInput;
  /** The service centre in front; the modem's own (00) where not given. */
  smsc?: AddressInput | null;
  /** Whether the service centre goes in front, as a modem wants it (the default). */
  withSmsc?: boolean;
  validity?: ValidityInput | null;
  messageClass?: number | null;
  statusReport?: boolean;
  rejectDuplicates?: boolean;
  replyPath?: boolean;
  pid?: number;
  /** TP-MR of the first part; part k has (mr + k) modulo 256. */
  mr?: number;
}

/** Each part of a plan as SMS-SUBMIT. */
export function submit(text: string, options: SubmitOptions): Plan & { parts: (Part & Encoded)[] };
/** A TPDU as it stands: SUBMIT, DELIVER or STATUS-REPORT. */
export function encodeTpdu(tpdu: TpduInput, options?: { withSmsc?: boolean }): Encoded;
/** Reads a TPDU: with the service centre in front unless withSmsc is false; a SUBMIT where toNetwork, else DELIVER or STATUS-REPORT. */
export function decodeTpdu(tpdu: Uint8Array, options?: { withSmsc?: boolean; toNetwork?: boolean }): Tpdu;
/** An address field (smsc: the service centre's, which counts octets). */
export function encodeAddress(address: AddressInput, options?: { smsc?: boolean }): Uint8Array;
export function decodeAddress(field: Uint8Array, options?: { smsc?: boolean }): Address & { used: number; unmapped: boolean };
/** Uppercase hexadecimal, and back from either case: an odd length or another character is SEPTCVT_MALFORMED with its offset. */
export function toHex(bytes: Uint8Array): string;
export function fromHex(hex: string): Uint8Array;

export interface SmppSettings {
  /** What the SMSC takes data_coding 0 for: a septet an octet (the default), packed septets, or Latin-1 (sent as 0x03). */
  smscAlphabet?: 'gsm' | 'gsm-packed' | 'latin1';
  /** UCS-2 with a class (data_coding 0x18-0x1B) is sent and read: SMPP reserves these values, but many SMSCs pass them on. */
  ucs2Class?: boolean;
}

export interface SmppOptions extends PlanOptions, SmppSettings {
  messageClass?: number | null;
}

export interface Sar {
  msgRefNum: number;
  totalSegments: number;
  segmentSeqnum: number;
}

export interface SmppPart {
  shortMessage: Uint8Array;
  esmClass: number;
  dataCoding: number;
  /** The SAR values, where they go instead of a concatenation element. */
  sar: Sar | null;
}

/** Each part of a plan as submit_sm takes it; with sar, the SAR values instead of the header's element (the plan leaves a 16-bit element's room). */
export function smppParts(text: string, options?: SmppOptions & { sar?: boolean }): Plan & { parts: (Part & SmppPart)[] };

/** The whole text in one message_payload, no parts. */
export function smppPayload(text: string, options?: SmppOptions): {
  payload: Uint8Array;
  esmClass: number;
  dataCoding: number;
  encoding: 'gsm7' | 'ucs2';
  locking: number;
  single: number;
  lockingLanguage: Language | null;
  singleLanguage: Language | null;
};

/** A deliver_sm's fields: short_message, or message_payload as payload. */
export interface DeliverSm {
  shortMessage?: Uint8Array;
  payload?: Uint8Array;
  esmClass?: number;
  dataCoding?: number;
  sar?: Sar | null;
}

export interface SmppReceived extends Omit<Received, 'text'> {
  /** The text; null for binary data, whose octets after the header are data. */
  text: string | null;
  data: Uint8Array | null;
  /** esm_class's bits 5-2: 0 a message, 4 a delivery receipt (never text to join), 8, 16, 32 acknowledgements and notifications. */
  messageType: number;
  replyPath: boolean;
  alphabet: 'gsm' | 'ascii' | 'latin1' | 'ucs2' | 'octets';
  messageClass: number | null;
  headerLength: number;
  /** concatenated: the header, or else the SAR values, place the message in a series; sar: the SAR values do. */
  sar: boolean;
  referenceBits: number;
}

export function readDeliverSm(fields: DeliverSm, settings?: SmppSettings): SmppReceived;

/** A part of one sender: deliver_sm's fields, a TPDU that decodeTpdu read, or bare user data. */
export type JoinPart = DeliverSm | Tpdu | { dcs: number; udhi: boolean | number; udl: number; userData: Uint8Array };

export interface Message {
  kind: 'joined' | 'alone' | 'incomplete' | 'conflict';
  sar: boolean;
  referenceBits: number;
  reference: number;
  total: number;
  messageType: number;
  /** Indices of the parts used, in sequence order (repeats left out). */
  parts: number[];
  /** Sequence numbers missing. */
  missing: number[];
  /** Pairs of parts with the same numbers and different contents. */
  conflicts: [number, number][];
  repeats: number;
  /** Joined and lone messages: the text, or the octets of binary data. */
  text: string | null;
  data: Uint8Array | null;
  unmapped: number;
}

/** Sorts one sender's parts into messages, in the order of their first parts. */
export function join(parts: JoinPart[], settings?: SmppSettings): Message[];
