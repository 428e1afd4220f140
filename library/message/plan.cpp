/* The planner: which encoding a text goes out in, and where its parts end.
 *
 * The candidates: each allowed locking table, with no single shift element
 * and with one (a character outside the locking table takes an escape pair
 * of the single table, two septets; which single table serves does not
 * change the septets, only whether one holds every such character), and
 * UCS-2. With replacement on, the 7-bit candidates also read the replaced
 * text.
 *
 * A first pass only counts: the septets or units each candidate takes, and
 * which candidates still hold every character. A candidate that takes no
 * more than one part needs no more; and no candidate can take fewer parts
 * than its count over the room of a part, so only those that may take the
 * fewest are filled in a second pass, part by part along grapheme clusters
 * (all that still hold the text, should a cluster or an escape pair push
 * them past that bound). A last pass fills the parts of the chosen
 * candidate again and records them, unless the second recorded them.
 * Short texts, most of them one part, are read once and never split into
 * clusters; a text out of the default alphabet with no national table
 * allowed has only UCS-2 left, and is no longer looked up in the tables. A
 * long text, which takes many parts whatever goes out, has its candidates
 * filled as it is counted. */
#include "septcvt.h"

#include <algorithm>
#include <climits>

#include <utf8proc.h>

#include "message.h"
#include "national.h"

namespace {

constexpr uint16_t LANGUAGE_BITS = 0x3FFE; /* ids 1-13 */
constexpr size_t INFEASIBLE = SIZE_MAX;
/* Bytes of a text past which its candidates are filled as it is counted. */
constexpr size_t LONG_TEXT = 2048;

/* Where a character lands as parts fill: a part takes whole grapheme
 * clusters while they fit; a cluster that does not fit starts the next
 * part, and one longer than a part is cut between characters. */
constexpr int STAYS = 0, MOVED = 1, CUT = 2;
struct filling {
    size_t parts = 1;
    size_t base = 0; /* units of the part before the current cluster */
    size_t run = 0;  /* units of the current cluster in the part */
};

inline int place(filling &f, bool cluster_starts, size_t units, size_t room)
{
    if (cluster_starts) {
        f.base += f.run;
        f.run = 0;
    }
    if (f.base + f.run + units <= room) {
        f.run += units;
        return STAYS;
    }
    int began = STAYS;
    if (f.base > 0) {
        ++f.parts;
        f.base = 0;
        began = MOVED;
        if (f.run + units <= room) {
            f.run += units;
            return began;
        }
    }
    ++f.parts;
    f.run = units;
    return began | CUT;
}

/* Grapheme cluster boundaries of one stream of code points. */
struct clusters {
    int32_t state = 0;
    int32_t last = -1;
    bool starts_at(uint32_t code_point)
    {
        const int32_t cp = static_cast<int32_t>(code_point);
        /* Between two plain characters there is always a boundary, and the
         * state would stay that of such a character: text of them needs no
         * lookup. */
        const bool plain = last >= 0 && cluster_plain(static_cast<uint32_t>(last)) && cluster_plain(code_point);
        const bool starts = last < 0 || plain || utf8proc_grapheme_break_stateful(last, cp, &state);
        last = cp;
        return starts;
    }
};

/* What goes out for one character of the input: the character itself, or
 * its replacement (0 to 3 code points), as one piece that no part
 * boundary cuts; and the locking tables that hold each code point. */
struct piece {
    uint32_t code_points[3];
    int count;
    uint16_t locking[3];
};

/* The tables that hold a code point, for the planner: U+001B would turn
 * the next character into an extension one, so no table holds it. */
uint16_t holders(int kind, uint32_t code_point)
{
    return code_point > 0xFFFF || code_point == GSM_ESCAPE ? 0 : national_holders(kind, static_cast<uint16_t>(code_point));
}

inline void find_holders(piece &p)
{
    for (int k = 0; k < p.count; ++k)
        p.locking[k] = holders(LOCKING, p.code_points[k]);
}

/* Whether a cluster starts with a piece; its later code points only move
 * the state on. */
inline bool starts_with(clusters &breaks, const piece &p)
{
    bool starts = p.count > 0 && breaks.starts_at(p.code_points[0]);
    for (int k = 1; k < p.count; ++k)
        breaks.starts_at(p.code_points[k]);
    return starts;
}

/* The room of one candidate: as one part, and as one of several. */
struct rooms {
    size_t single, multi;
};

rooms rooms_of(size_t elements, size_t concatenation, bool ucs2)
{
    const size_t one = header_octets(elements), several = header_octets(elements + concatenation);
    return ucs2 ? rooms{unit_room(one), unit_room(several)} : rooms{septet_room(one), septet_room(several)};
}

/* The 7-bit candidates on one stream. Slot i is the locking table ids[i];
 * class 0 has no single shift element, class 1 has one. */
struct seven_bit {
    int slots;
    int classes; /* 1 where no single table but the default is allowed */
    int ids[LANGUAGES];
    uint16_t ok[LANGUAGES]; /* allowed single tables that hold every character outside the locking one */
    uint16_t live;          /* the ids of the slots whose ok is not 0 */
    size_t shared;          /* septets that every live slot took alike, not yet in total */
    size_t total[LANGUAGES];
    filling fill[LANGUAGES][2];
    bool filled[LANGUAGES][2]; /* whether the fill pass fills it */
    int filled_count;          /* how many it fills: slot * 2 + class in fills[0..filled_count) */
    int fills[2 * LANGUAGES];
    rooms room[LANGUAGES][2];
    uint64_t ran_out = SEPTCVT_NO_OFFSET;
};

struct ucs2_candidate {
    size_t total = 0;
    filling fill;
    bool filled = false;
    rooms room;
};

/* The septets a piece takes through the locking table of language id. */
size_t septets_of(const piece &p, int id)
{
    size_t septets = 0;
    for (int k = 0; k < p.count; ++k)
        septets += (p.locking[k] >> id & 1) != 0 ? 1 : 2;
    return septets;
}

/* Counts the septets of one piece for every live 7-bit candidate, and
 * drops the slots none of whose allowed single tables serves what their
 * locking table lacks. A code point that every live locking table holds,
 * most of most text, takes one septet in each: it is counted once for
 * all. */
inline void count(seven_bit &s, const piece &p, uint64_t at)
{
    if (p.count == 0 || s.live == 0)
        return; /* dropped: it stays with the character before it; or nothing left to count */
    for (int k = 0; k < p.count; ++k) {
        if ((p.locking[k] & s.live) == s.live) {
            ++s.shared;
            continue;
        }
        const uint16_t single = holders(SINGLE, p.code_points[k]);
        for (int i = 0; i < s.slots; ++i) {
            if (s.ok[i] == 0)
                continue;
            const bool held = (p.locking[k] >> s.ids[i] & 1) != 0;
            s.total[i] += held ? 1 : 2;
            if (!held && (s.ok[i] &= single) == 0)
                s.live = static_cast<uint16_t>(s.live & ~(1u << s.ids[i]));
        }
    }
    if (s.live == 0 && s.ran_out == SEPTCVT_NO_OFFSET)
        s.ran_out = at;
}

/* Fills the parts of the 7-bit candidates the fill pass fills with one
 * piece; of those that still hold the text only, where `live_only` asks. */
inline void add(seven_bit &s, const piece &p, bool starts, bool live_only = false)
{
    if (p.count == 0)
        return;
    for (int n = 0; n < s.filled_count; ++n) {
        const int i = s.fills[n] >> 1, c = s.fills[n] & 1;
        if (!live_only || s.ok[i] != 0)
            place(s.fill[i][c], starts, septets_of(p, s.ids[i]), s.room[i][c].multi);
    }
}

/* A candidate's outcome. */
struct outcome {
    int rank; /* on a tie: 0 the default alphabet, 1 UCS-2, 2 a national pair */
    int locking, single;
    size_t elements; /* language elements */
    size_t parts, room_left;
    bool replaced;
    int slot, cls; /* where it was filled; slot -1 for UCS-2 */
};

bool better(const outcome &a, const outcome &b)
{
    if (a.parts != b.parts)
        return a.parts < b.parts;
    if (a.rank != b.rank)
        return a.rank < b.rank;
    if (a.elements != b.elements)
        return a.elements < b.elements;
    if (a.room_left != b.room_left)
        return a.room_left > b.room_left;
    if (a.locking != b.locking)
        return a.locking < b.locking;
    return a.single < b.single;
}

/* The parts of a filling that held `total` units: one where the whole fits
 * a part without concatenation, else as filled; INFEASIBLE where a header
 * leaves too little room, or where it was not filled. */
void parts_of(const filling &f, bool filled, size_t total, const rooms &r, size_t least_room, size_t &parts,
              size_t &left)
{
    if (r.single >= least_room && total <= r.single) {
        parts = 1;
        left = r.single - total;
    } else if (r.multi >= least_room && filled) {
        parts = f.parts;
        left = r.multi - (f.base + f.run);
    } else {
        parts = INFEASIBLE;
        left = 0;
    }
}

/* The fewest parts a candidate can take: one where it fits one part, else
 * as many as its units fill at the room of a part; INFEASIBLE where a
 * header leaves too little room. */
size_t fewest_parts(size_t total, const rooms &r, size_t least_room)
{
    if (r.single >= least_room && total <= r.single)
        return 1;
    return r.multi >= least_room ? (total + r.multi - 1) / r.multi : INFEASIBLE;
}

/* Whether class c of slot i can go out: an allowed single table serves it. */
inline bool serves(const seven_bit &s, int i, int c, uint16_t singles)
{
    return (s.ok[i] & (c == 0 ? 1u : singles & ~1u)) != 0;
}

/* How better() orders candidates that take as many parts, before the room
 * left decides: the default alphabet, UCS-2, then national pairs by their
 * language elements (class 1 of the default locking table has one). */
constexpr int UCS2_RANK = 1;
inline int rank_of(int id, int c)
{
    return id == 0 && c == 0 ? 0 : 1 + (id != 0) + c;
}

/* The fewest parts any candidate of a stream can take, and the best rank
 * among those that can take as few: *fewest and *rank lowered to them. */
void fewest_of(const seven_bit &s, uint16_t singles, size_t least_room, size_t &fewest, int &rank)
{
    for (int i = 0; i < s.slots; ++i)
        for (int c = 0; c < s.classes; ++c) {
            const size_t n = serves(s, i, c, singles) ? fewest_parts(s.total[i], s.room[i][c], least_room) : INFEASIBLE;
            const int r = rank_of(s.ids[i], c);
            if (n < fewest || (n == fewest && n != INFEASIBLE && r < rank))
                fewest = n, rank = r;
        }
}

/* The single table that class c of slot i names: none for class 0, else
 * the lowest allowed one that serves. */
inline int single_of(const seven_bit &s, int i, int c, uint16_t singles)
{
    const uint16_t serving = static_cast<uint16_t>(s.ok[i] & (c == 0 ? 1u : singles & ~1u));
    int single = 0;
    while (c == 1 && (serving >> single & 1) == 0)
        ++single;
    return single;
}

/* Whether class c of slot i may take as few as `bound` parts with rank
 * `rank`; and the most room it can leave in the last of them, the room of
 * them all but its septets. */
inline bool in_group(const seven_bit &s, int i, int c, uint16_t singles, size_t least_room, size_t bound, int rank)
{
    return serves(s, i, c, singles) && fewest_parts(s.total[i], s.room[i][c], least_room) == bound &&
           rank_of(s.ids[i], c) == rank;
}
inline size_t most_left(const seven_bit &s, int i, int c, size_t bound)
{
    return bound * s.room[i][c].multi - s.total[i];
}

/* Whether class c of slot i can do better than (left, locking, single)
 * among candidates of as many parts and the same rank. */
inline bool may_beat(const seven_bit &s, int i, int c, uint16_t singles, size_t bound, size_t left, int locking,
                     int single)
{
    const size_t most = most_left(s, i, c, bound);
    return most != left ? most > left
                        : std::make_pair(s.ids[i], single_of(s, i, c, singles)) < std::make_pair(locking, single);
}

/* Marks for the fill pass the candidates of a stream that take more than
 * one part: with `bound` INFEASIBLE all that can go out; else the one of
 * those that may take as few as bound with rank `rank` that may leave the
 * most room (then the lowest ids), which where it takes no more leaves no
 * other of them but those that may_beat it. How many are marked. */
int mark(seven_bit &s, uint16_t singles, size_t least_room, size_t bound, int rank)
{
    s.filled_count = 0;
    int first = -1;
    for (int i = 0; i < s.slots; ++i)
        for (int c = 0; c < s.classes; ++c) {
            const size_t fewest = serves(s, i, c, singles) ? fewest_parts(s.total[i], s.room[i][c], least_room) : INFEASIBLE;
            s.filled[i][c] = fewest != INFEASIBLE && fewest > 1 && bound == INFEASIBLE;
            s.fill[i][c] = filling{};
            if (s.filled[i][c])
                s.fills[s.filled_count++] = i * 2 + c;
            const int j = first >> 1, d = first & 1;
            if (bound != INFEASIBLE && bound > 1 && in_group(s, i, c, singles, least_room, bound, rank) &&
                (first < 0 ||
                 may_beat(s, i, c, singles, bound, most_left(s, j, d, bound), s.ids[j], single_of(s, j, d, singles))))
                first = i * 2 + c;
        }
    if (first >= 0) {
        s.filled[first >> 1][first & 1] = true;
        s.fills[s.filled_count++] = first;
    }
    return s.filled_count;
}

/* Marks every candidate of a stream whose header leaves room, for filling
 * as the text is counted. */
void mark_all(seven_bit &s, size_t least_room)
{
    s.filled_count = 0;
    for (int i = 0; i < s.slots; ++i)
        for (int c = 0; c < s.classes; ++c) {
            s.filled[i][c] = s.room[i][c].multi >= least_room;
            if (s.filled[i][c])
                s.fills[s.filled_count++] = i * 2 + c;
        }
}

/* Whether a candidate of a stream that was not filled may do better than
 * its best, of `bound` parts and rank `rank`. None where the best takes one
 * part: a candidate of one part is never filled, its outcome known exactly
 * from its count (and most_left, which bounds a multi-part fill, would wrap
 * below zero for a part of 154 to 160 septets). */
bool others_may_beat(const seven_bit &s, uint16_t singles, size_t least_room, size_t bound, int rank,
                     const outcome &best)
{
    if (bound <= 1)
        return false;
    for (int i = 0; i < s.slots; ++i)
        for (int c = 0; c < s.classes; ++c)
            if (!s.filled[i][c] && in_group(s, i, c, singles, least_room, bound, rank) &&
                may_beat(s, i, c, singles, bound, best.room_left, best.locking, best.single))
                return true;
    return false;
}

/* Keeps the better of best and each outcome of a stream's 7-bit
 * candidates. */
void choose_seven_bit(const seven_bit &s, uint16_t singles, size_t least_room, bool replaced, outcome &best,
                      bool &any)
{
    for (int i = 0; i < s.slots; ++i) {
        for (int c = 0; c < 2; ++c) {
            const int id = s.ids[i];
            /* Class 0 needs the default escape extension to serve; class 1
             * the lowest allowed single table that serves. */
            if (!serves(s, i, c, singles))
                continue;
            const int single = single_of(s, i, c, singles);
            outcome o{id == 0 && single == 0 ? 0 : 2, id, single, static_cast<size_t>((id != 0) + (single != 0)), 0, 0,
                      replaced, i, c};
            parts_of(s.fill[i][c], s.filled[i][c], s.total[i], s.room[i][c], least_room, o.parts, o.room_left);
            if (o.parts == INFEASIBLE)
                continue;
            if (!any || better(o, best))
                best = o;
            any = true;
        }
    }
}

/* Reads the next character and what goes out for it, on the original
 * stream and (with replacement) the replaced one; the tables that hold
 * them where `look_up` asks. */
struct text_pieces {
    text_reader reader;
    bool replace;
    bool look_up = true;
    size_t replaced = 0;
    int next(text_char &c, piece &original, piece &out)
    {
        const int got = reader_next(reader, c);
        if (got <= 0 || !look_up)
            return got;
        original.code_points[0] = c.code_point;
        original.count = 1;
        find_holders(original);
        if (replace) { /* out is read only then */
            const int n = lookalike(c.code_point, out.code_points);
            out.count = n < 0 ? 1 : n;
            out.code_points[0] = n < 0 ? c.code_point : out.code_points[0];
            find_holders(out);
            replaced += n >= 0;
        }
        return 1;
    }
};

void start_seven_bit(seven_bit &s, const septcvt_plan_options &o, uint16_t singles, size_t concatenation)
{
    s.slots = 0;
    s.live = 0;
    s.shared = 0;
    s.filled_count = 0;
    s.classes = singles == 1 ? 1 : 2;
    /* The rooms by the language elements a candidate's header holds. */
    rooms by_elements[3];
    for (size_t n = 0; n < 3; ++n)
        by_elements[n] = rooms_of(o.elements_len + n * LANGUAGE_OCTETS, concatenation, false);
    for (int id = 0; id < LANGUAGES; ++id) {
        /* A locking id without a table is the default alphabet, slot 0. */
        if ((id == 0 || (o.locking_languages >> id & 1) != 0) && locking_table_of(id) == id) {
            s.ids[s.slots] = id;
            s.ok[s.slots] = singles;
            s.live = static_cast<uint16_t>(s.live | 1u << id);
            s.total[s.slots] = 0;
            for (int c = 0; c < 2; ++c) {
                s.fill[s.slots][c] = filling{};
                s.filled[s.slots][c] = false;
                s.room[s.slots][c] = by_elements[(id != 0) + c];
            }
            ++s.slots;
        }
    }
}

/* Fills, from the start of the text, the parts of the candidates marked
 * for it; the clusters of a stream are looked up only where one of its
 * candidates is filled. */
void fill_pass(text_pieces read, seven_bit &original, seven_bit &replaced, bool fill_original,
               bool fill_replaced, ucs2_candidate &ucs2)
{
    read.look_up = fill_original || fill_replaced;
    read.replace = read.replace && fill_replaced;
    clusters original_breaks, replaced_breaks;
    text_char c;
    piece as_is, out;
    while (read.next(c, as_is, out) > 0) {
        const bool starts = (fill_original || ucs2.filled) && original_breaks.starts_at(c.code_point);
        if (fill_original)
            add(original, as_is, starts);
        if (fill_replaced)
            add(replaced, out, starts_with(replaced_breaks, out));
        if (ucs2.filled)
            place(ucs2.fill, starts, c.code_point > 0xFFFF ? 2 : 1, ucs2.room.multi);
    }
}

/* Where the parts of one candidate begin, as its characters fill them at
 * `room` a part, into f: a part begins where a cluster moved on, or where
 * one was cut. The first max_parts parts go to parts; f.parts counts all. */
struct recorder {
    septcvt_part *parts;
    size_t max_parts, room;
    filling &f;
    size_t cluster_begin; /* where the text begins, at first */
    size_t k = 0, counted = 0, in_cluster = 0;

    void start()
    {
        f = filling{};
        if (max_parts > 0)
            parts[0].begin = cluster_begin;
    }
    void begin_part(size_t at, size_t length)
    {
        if (k < max_parts) {
            parts[k].end = at;
            parts[k].length = length;
        }
        if (++k < max_parts)
            parts[k].begin = at;
    }
    void take(size_t begin, bool starts, size_t units)
    {
        if (starts) {
            cluster_begin = begin;
            in_cluster = 0;
        }
        const int landed = place(f, starts, units, room);
        if (landed & MOVED) {
            begin_part(cluster_begin, counted - in_cluster);
            counted = in_cluster;
        }
        if (landed & CUT) {
            begin_part(begin, counted);
            counted = 0;
            in_cluster = 0;
        }
        counted += units;
        in_cluster += units;
    }
    void end(size_t text_len, size_t last_length)
    {
        if (k < max_parts) {
            parts[k].end = text_len;
            parts[k].length = last_length;
        }
    }
};

/* The pieces of a 7-bit candidate: through the locking table of language
 * id `locking`, on the original or the replaced stream. */
struct septet_pieces {
    text_pieces read;
    int locking;
    bool replaced;
    int next(text_char &c, piece &p, size_t &units)
    {
        piece as_is, out;
        const int got = read.next(c, as_is, out);
        if (got > 0) {
            p = replaced ? out : as_is;
            units = septets_of(p, locking);
        }
        return got;
    }
};
/* The characters of UCS-2, each its own piece. */
struct unit_pieces {
    text_pieces read; /* only its reader */
    int next(text_char &c, piece &p, size_t &units)
    {
        const int got = reader_next(read.reader, c);
        p.code_points[0] = c.code_point;
        p.count = 1;
        units = c.code_point > 0xFFFF ? 2 : 1;
        return got;
    }
};

/* Fills the parts of one candidate from the start of its pieces, looking
 * clusters up only where a part ends. A piece takes the same units
 * wherever clusters begin, so a part fills, without a lookup, up to the
 * piece that no longer fits; only there must the cluster that holds it be
 * known. The clusters are then followed from the last point where one
 * surely begins and the state of the boundary rules is known: a piece that
 * begins with a plain character after one that is no prepended mark (a
 * boundary stands between them, and after it the rules stand as after any
 * such character), or else where the part began. */
template <typename Pieces>
void record(Pieces pieces, recorder &r)
{
    clusters breaks;
    r.start();
    text_reader &reader = pieces.read.reader;
    text_reader known = reader; /* where breaks and r stand */
    size_t filled = 0;          /* units of the part up to reader */
    size_t restart = SIZE_MAX;  /* the last sure cluster start since known */
    size_t restart_filled = 0;
    int32_t previous = -1; /* the last code point of the last piece */
    text_char c;
    piece p;
    size_t units;
    while (pieces.next(c, p, units) > 0) {
        if (p.count == 0)
            continue;
        if (filled + units <= r.room) {
            if (cluster_plain(p.code_points[0]) &&
                (previous < 0 || cluster_plain(static_cast<uint32_t>(previous)) ||
                 utf8proc_get_property(previous)->boundclass != UTF8PROC_BOUNDCLASS_PREPEND)) {
                restart = c.begin;
                restart_filled = filled;
            }
            filled += units;
            previous = static_cast<int32_t>(p.code_points[p.count - 1]);
            continue;
        }
        /* The piece that does not fit: the clusters up to it. */
        const size_t at = c.begin;
        if (restart != SIZE_MAX) {
            reader.pos = restart;
            breaks = clusters{};
            r.f.base = r.counted = restart_filled;
            r.f.run = r.in_cluster = 0;
        } else {
            reader = known;
        }
        for (bool reached = false; !reached;) {
            if (pieces.next(c, p, units) <= 0)
                return; /* never: the count read the whole text */
            reached = c.begin == at;
            if (p.count > 0)
                r.take(c.begin, starts_with(breaks, p), units);
        }
        known = reader;
        filled = r.counted;
        restart = SIZE_MAX;
        previous = static_cast<int32_t>(p.code_points[p.count - 1]);
    }
    /* Where the last cluster of the last part began is of no matter from
     * here on: only how much of the part is filled. */
    r.f.base = filled;
    r.f.run = 0;
    r.end(reader.end, filled);
}

/* Fills the parts of one candidate from the start of the text (locking
 * -1: UCS-2) at `room` a part, into f, and records them. */
void record_parts(text_pieces read, int locking, bool replaced, size_t room, septcvt_part *parts, size_t max_parts,
                  filling &f)
{
    recorder r{parts, max_parts, room, f, read.reader.pos};
    if (locking < 0) {
        record(unit_pieces{read}, r);
    } else {
        read.look_up = true;
        read.replace = read.replace && replaced;
        record(septet_pieces{read, locking, replaced}, r);
    }
}

} // namespace

int septcvt_has_planner(void)
{
    return 1;
}

const char *septcvt_unicode_version(void)
{
    return utf8proc_unicode_version();
}

int septcvt_plan_text(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
                      septcvt_plan *plan, septcvt_part *parts, size_t max_parts, uint64_t *error_offset)
{
    if (plan == nullptr || (text == nullptr && text_len > 0) || (parts == nullptr && max_parts > 0))
        return SEPTCVT_NULL_POINTER;
    const septcvt_plan_options o = options != nullptr ? *options : septcvt_plan_options{};
    if ((form != SEPTCVT_UTF8 && form != SEPTCVT_UCS2) || (o.locking_languages & ~LANGUAGE_BITS) != 0 ||
        (o.single_languages & ~LANGUAGE_BITS) != 0 ||
        (o.reference_bits != 0 && o.reference_bits != 8 && o.reference_bits != 16) || !elements_hold(o))
        return SEPTCVT_BAD_ARGUMENT;
    if (error_offset != nullptr)
        *error_offset = SEPTCVT_NO_OFFSET;
    const size_t concatenation = concatenation_octets(o.reference_bits);
    const uint16_t singles = static_cast<uint16_t>(o.single_languages | 1u);
    const size_t least_septets = o.replace_lookalikes ? 3 : 2, least_units = 2;

    text_pieces read{};
    read.replace = o.replace_lookalikes != 0;
    if (reader_start(read.reader, form, text, text_len) != SEPTCVT_OK) {
        if (error_offset != nullptr)
            *error_offset = 0;
        return SEPTCVT_NO_MARK;
    }
    const text_reader start = read.reader;
    static_assert(sizeof(seven_bit) < 2048, "the candidates stay small");
    seven_bit original, replaced;
    start_seven_bit(original, o, singles, concatenation);
    if (read.replace)
        start_seven_bit(replaced, o, singles, concatenation);
    else
        replaced.slots = replaced.live = 0;
    ucs2_candidate ucs2;
    ucs2.room = rooms_of(o.elements_len, concatenation, true);

    /* The count: once no 7-bit candidate is left, only UCS-2's units. A
     * long text takes many parts whatever goes out: the count could spare
     * little, and every candidate that still holds it is filled as it is
     * counted, in one pass. */
    const bool at_once = text_len > LONG_TEXT;
    if (at_once) {
        mark_all(original, least_septets);
        if (read.replace)
            mark_all(replaced, least_septets);
        ucs2.filled = ucs2.room.multi >= least_units;
    }
    clusters original_breaks, replaced_breaks;
    text_char c;
    piece as_is{}, out{};
    int got;
    while ((got = read.next(c, as_is, out)) > 0) {
        count(original, as_is, c.begin);
        if (read.replace)
            count(replaced, out, c.begin);
        const size_t units = c.code_point > 0xFFFF ? 2 : 1;
        ucs2.total += units;
        if (at_once) {
            const bool starts = original_breaks.starts_at(c.code_point);
            add(original, as_is, starts, true);
            if (read.replace)
                add(replaced, out, starts_with(replaced_breaks, out), true);
            if (ucs2.filled)
                place(ucs2.fill, starts, units, ucs2.room.multi);
        }
        if (original.live == 0 && (replaced.live == 0 || !read.replace)) {
            /* Only UCS-2 is left: its units, and its parts where they are
             * filled as they are counted. */
            if (at_once && ucs2.filled) {
                while ((got = reader_next(read.reader, c)) > 0) {
                    ucs2.total += c.code_point > 0xFFFF ? 2 : 1;
                    place(ucs2.fill, original_breaks.starts_at(c.code_point), c.code_point > 0xFFFF ? 2 : 1,
                          ucs2.room.multi);
                }
            } else {
                got = reader_count_units(read.reader, ucs2.total);
            }
            break;
        }
    }
    if (got < 0) {
        if (error_offset != nullptr)
            *error_offset = read.reader.pos;
        return SEPTCVT_MALFORMED;
    }
    for (seven_bit *s : {&original, &replaced})
        for (int i = 0; i < s->slots; ++i)
            s->total[i] += s->shared;

    /* The fill pass, for the candidates of the best rank among those that
     * may take the fewest parts of their stream (UCS-2 is of the
     * original's): where one of them takes no more, no other can do better.
     * Else again for all. The replaced text only counts where it may take
     * fewer parts than the original. */
    const size_t ucs2_fewest = fewest_parts(ucs2.total, ucs2.room, least_units);
    size_t original_fewest = ucs2_fewest, replaced_fewest = INFEASIBLE;
    int original_rank = UCS2_RANK, replaced_rank = 0;
    fewest_of(original, singles, least_septets, original_fewest, original_rank);
    if (read.replace && original_fewest > 1)
        fewest_of(replaced, singles, least_septets, replaced_fewest, replaced_rank);
    /* The original text's best, UCS-2 among them; then the replaced text's
     * best, which goes out only where it takes fewer parts. */
    outcome best{}, best_replaced{};
    bool any = false, any_replaced = false;
    /* Where only one candidate is filled, its parts are recorded as it
     * fills, so that they need not be filled again if it is chosen; a few,
     * as most texts take. */
    constexpr size_t EARLY_PARTS = 16;
    septcvt_part early[EARLY_PARTS];
    int early_slot = INT_MIN, early_cls = 0;
    bool early_replaced = false;
    auto choose_all = [&]() {
        best = outcome{1, 0, 0, 0, 0, 0, false, -1, 0};
        parts_of(ucs2.fill, ucs2.filled, ucs2.total, ucs2.room, least_units, best.parts, best.room_left);
        any = best.parts != INFEASIBLE;
        choose_seven_bit(original, singles, least_septets, false, best, any);
        any_replaced = false;
        if (replaced_fewest != INFEASIBLE)
            choose_seven_bit(replaced, singles, least_septets, true, best_replaced, any_replaced);
    };
    for (int round = 0; round < 2; ++round) {
        if (at_once) {
            /* Every candidate that can go out is filled: one choice. */
            replaced_fewest = read.replace ? 0 : INFEASIBLE;
            choose_all();
            break;
        }
        const size_t bound = round == 0 ? original_fewest : INFEASIBLE;
        ucs2.filled = ucs2_fewest > 1 && ucs2_fewest != INFEASIBLE &&
                      (bound == INFEASIBLE || (ucs2_fewest == bound && original_rank == UCS2_RANK));
        ucs2.fill = filling{};
        const int original_marked = original_fewest > 1 ? mark(original, singles, least_septets, bound, original_rank) : 0;
        const int replaced_marked =
            replaced_fewest != INFEASIBLE
                ? mark(replaced, singles, least_septets, round == 0 ? replaced_fewest : INFEASIBLE, replaced_rank)
                : 0;
        if (original_marked + replaced_marked + ucs2.filled == 1) {
            seven_bit *s = original_marked > 0 ? &original : replaced_marked > 0 ? &replaced : nullptr;
            early_slot = -1;
            early_replaced = s == &replaced;
            for (int i = 0; s != nullptr && i < s->slots; ++i)
                for (int c = 0; c < s->classes; ++c)
                    if (s->filled[i][c])
                        early_slot = i, early_cls = c;
            filling &f = s != nullptr ? s->fill[early_slot][early_cls] : ucs2.fill;
            record_parts(text_pieces{start, read.replace}, s != nullptr ? s->ids[early_slot] : -1, early_replaced,
                         s != nullptr ? s->room[early_slot][early_cls].multi : ucs2.room.multi, early, EARLY_PARTS, f);
        } else if (original_marked + replaced_marked + ucs2.filled > 0) {
            early_slot = INT_MIN;
            fill_pass(text_pieces{start, read.replace}, original, replaced, original_marked > 0, replaced_marked > 0, ucs2);
        }
        choose_all();
        if ((!any || (best.parts == original_fewest &&
                      !others_may_beat(original, singles, least_septets, original_fewest, original_rank, best))) &&
            (replaced_fewest == INFEASIBLE ||
             (best_replaced.parts == replaced_fewest &&
              !others_may_beat(replaced, singles, least_septets, replaced_fewest, replaced_rank, best_replaced))))
            break;
    }
    if (any_replaced && (!any || best_replaced.parts < best.parts))
        best = best_replaced, any = true;
    *plan = septcvt_plan{};
    plan->form = form;
    plan->reference_bits = o.reference_bits == 16 ? 16 : 8;
    plan->ran_out = read.replace ? replaced.ran_out : original.ran_out;
    if (!any)
        return SEPTCVT_NO_ROOM;
    plan->dcs = best.slot < 0 ? SEPTCVT_DCS_UCS2 : SEPTCVT_DCS_7BIT;
    plan->locking = best.locking;
    plan->single = best.single;
    plan->parts = best.parts;
    plan->room_left = best.room_left;
    plan->replaced = best.replaced ? read.replaced : 0;
    if (best.parts > SEPTCVT_MOST_PARTS)
        return SEPTCVT_TOO_MANY_PARTS;
    if (best.parts > max_parts)
        return SEPTCVT_NO_ROOM;

    /* One part is the whole text; and the parts of a candidate filled
     * alone are recorded. */
    if (best.parts == 1) {
        parts[0] = septcvt_part{start.pos, text_len,
                                best.slot < 0 ? ucs2.total : (best.replaced ? replaced : original).total[best.slot]};
        return SEPTCVT_OK;
    }
    if (best.slot == early_slot && (best.slot < 0 || (best.cls == early_cls && best.replaced == early_replaced)) &&
        best.parts <= EARLY_PARTS) {
        std::copy(early, early + best.parts, parts);
        return SEPTCVT_OK;
    }

    /* The chosen candidate's parts, filled again and recorded. */
    const seven_bit *stream = best.slot < 0 ? nullptr : best.replaced ? &replaced : &original;
    filling f;
    record_parts(text_pieces{start, read.replace}, stream != nullptr ? best.locking : -1, best.replaced,
                 stream != nullptr ? stream->room[best.slot][best.cls].multi : ucs2.room.multi, parts, best.parts, f);
    return SEPTCVT_OK;
}
