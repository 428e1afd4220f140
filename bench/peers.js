#!/usr/bin/env node
// Time per text of two npm segment calculators, sms-segments-calculator and
// split-sms, each in its own loop over the texts in the files given, rounds
// interleaved as in the planner's benchmark. Prints one tab-separated line
// per peer and text: peer, file, bytes of UTF-8 taken, microseconds per
// text (median), parts, encoding. bench/run.py installs the peers and reads
// the lines.
//
//   node [--expose-gc] peers.js --modules DIR [--rounds N] [--budget SECONDS] FILE...
//   node [--expose-gc] peers.js --modules DIR [--package PKG --languages NAMES] ... FILE...
//   node peers.js --modules DIR --parts FILE...
//
// DIR is the node_modules folder the peers were installed into. With
// --package, the septcvt package built in PKG is timed in the same rounds,
// as a caller would use it (its plan, user data and parts' text included),
// with all 13 languages allowed on the texts NAMES (comma-separated file
// names), with the default options on the others.
// sms-segments-calculator slows with the square of the text: a text that
// would take it longer than the budget is cut to the largest prefix
// (doubling from 1 KiB) that stays within it, and the line says how many
// bytes it took. --parts prints instead each peer's encoding and the
// septets or UTF-16 units of every part, and whether the parts' text
// differs from the input.
'use strict';
const fs = require('fs');
const path = require('path');

const args = process.argv.slice(2);
let modules = null, rounds = 5, budget = 2, showParts = false, pkg = null, withLanguages = [];
const files = [];
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--modules') modules = args[++i];
  else if (args[i] === '--rounds') rounds = Math.max(1, parseInt(args[++i], 10) || 1);
  else if (args[i] === '--budget') budget = Number(args[++i]) || budget;
  else if (args[i] === '--parts') showParts = true;
  else if (args[i] === '--package') pkg = args[++i];
  else if (args[i] === '--languages') withLanguages = args[++i].split(',');
  else files.push(args[i]);
}
if (!modules || files.length === 0) {
  console.error('usage: peers.js --modules DIR [--rounds N] [--budget SECONDS] [--parts] FILE...');
  process.exit(2);
}
const { SegmentedMessage } = require(path.resolve(modules, 'sms-segments-calculator'));
const splitSms = require(path.resolve(modules, 'split-sms'));

// The characters of a segment of sms-segments-calculator, its header left out.
function text(segment) {
  return Array.from(segment).filter((c) => !c.isUserDataHeader);
}

// Each peer as a user calls it: the text in, the parts and encoding out.
const peers = [
  {
    name: 'sms-segments-calculator',
    square: true,
    plan(text) {
      const m = new SegmentedMessage(text);
      return { parts: m.segmentsCount, encoding: m.encodingName, detail: m };
    },
    // A segment is an Array of its own kind whose constructor adds a
    // header when called as filter() calls it: read it as a plain array.
    units(m) {
      return m.segments.map((s) => text(s).reduce((n, c) => n + c.codeUnits.length, 0));
    },
    content(m) {
      return m.segments.map((s) => text(s).map((c) => c.raw).join('')).join('');
    },
  },
  {
    name: 'split-sms',
    plan(text) {
      const r = splitSms.split(text);
      return { parts: r.parts.length, encoding: r.characterSet, detail: r };
    },
    units(r) {
      return r.parts.map((p) => (r.characterSet === 'GSM' ? p.bytes : p.bytes / 2));
    },
    content(r) {
      return r.parts.map((p) => p.content).join('');
    },
  },
];

if (pkg) {
  const septcvt = require(path.resolve(pkg));
  const all = { languages: septcvt.LANGUAGES };
  peers.push({
    name: 'septcvt',
    plan(text, name) {
      try {
        const r = septcvt.plan(text, withLanguages.includes(name) ? all : undefined);
        return { parts: r.parts.length, encoding: r.encoding };
      } catch (e) {
        // The planner's answer for a text of more than 255 parts.
        if (e.code !== 'SEPTCVT_TOO_MANY_PARTS') throw e;
        return { parts: e.parts, encoding: e.code };
      }
    },
  });
}

const texts = files.map((f) => ({ name: path.basename(f), text: fs.readFileSync(f, 'utf8') }));

if (showParts) {
  for (const t of texts) {
    const cells = peers.map((p) => {
      const r = p.plan(t.text);
      const changed = p.content(r.detail) !== t.text ? ' (text changed)' : '';
      return `${r.encoding} ${r.parts}:${p.units(r.detail).join('+')}${changed}`;
    });
    console.log([t.name, ...cells].join('\t'));
  }
  process.exit(0);
}

function seconds(start) {
  const [s, ns] = process.hrtime(start);
  return s + ns / 1e9;
}

// One call: its seconds and its result.
function call(peer, text, name) {
  const start = process.hrtime();
  const result = peer.plan(text, name);
  return { once: seconds(start), result };
}

// Each peer's input per text: the whole text, or for a peer that slows with
// the square of the text and a text it would take too long over, the
// largest prefix within the budget, found by doubling from 1 KiB. Its time
// is reckoned to grow tenfold as the text doubles: fourfold for the square,
// and more once its garbage outgrows the young heap (from 16 to 32 KiB it
// grew ninefold here).
const jobs = [];
for (const p of peers) {
  for (const t of texts) {
    let size = p.square ? Math.min(t.text.length, 1024) : t.text.length;
    let last = call(p, t.text.slice(0, size), t.name);
    while (size < t.text.length) {
      const next = Math.min(2 * size, t.text.length);
      if (last.once * 10 > budget) break;
      size = next;
      last = call(p, t.text.slice(0, size), t.name);
    }
    const text = t.text.slice(0, size);
    // A call of more than a fifth of a second is timed once, by the call
    // just made. Others are repeated for 50 ms first, for the compiler to
    // warm up and to learn how many calls make a round of some
    // milliseconds.
    const slow = last.once > 0.2;
    let reps = 1;
    if (!slow) {
      const start = process.hrtime();
      let calls = 0;
      do {
        p.plan(text, t.name);
        ++calls;
      } while (seconds(start) < 0.05);
      reps = Math.max(1, Math.floor((5e-3 * calls) / seconds(start)));
    }
    jobs.push({ peer: p, name: t.name, text, reps, slow, times: slow ? [last.once] : [], result: last.result });
  }
}

for (let r = 0; r < rounds; ++r) {
  const order = r % 2 === 0 ? jobs : [...jobs].reverse();
  for (const j of order) {
    if (j.slow) continue;
    // The garbage of the texts before is collected outside the clock, where
    // node lets it (--expose-gc).
    if (global.gc) global.gc();
    const start = process.hrtime();
    for (let k = 0; k < j.reps; ++k) j.peer.plan(j.text, j.name);
    j.times.push(seconds(start) / j.reps);
  }
}

function median(t) {
  const s = [...t].sort((a, b) => a - b);
  return (s[(s.length - 1) >> 1] + s[s.length >> 1]) / 2;
}

for (const j of jobs) {
  const bytes = Buffer.byteLength(j.text, 'utf8');
  console.log([j.peer.name, j.name, bytes, (median(j.times) * 1e6).toFixed(3), j.result.parts, j.result.encoding].join('\t'));
}
