/* The planner as it stood before it was made faster on short texts, kept
 * whole so that the tests and a fuzz target can hold every plan of the
 * library's to it: the same status, plan and parts on every input. Only
 * its name changed, and it reads the text and finds the tables that hold
 * a code point with its own copies of the reader and the lookup, so that
 * a fault brought into those by later work shows as a difference. Do not
 * improve it: its worth is that it stays as it was.
 *
 * The planner then: which encoding a text goes out in, and where its parts end.
 *
 * One pass reads the text and fills parts for every candidate at once: for
 * each allowed locking table, with no single shift element and with one
 * (a character outside the locking table takes an escape pair of the
 * single table, two septets; which single table serves does not change
 * the septets, only whether one holds every such character), and UCS-2.
 * With replacement on, the 7-bit candidates also read the replaced text.
 * A second pass fills the parts of the chosen candidate again and records
 * them. */
#include "septcvt.h"

#include <cstring>
#include <string>
#include <vector>

#include <utf8proc.h>

#include "message.h"
#include "national.h"
#include "reference_plan.h"
#include "utf8.h"

namespace {

/* The reader and the lookup of holders, as they stood. */
int old_reader_next_decoded(text_reader &r, text_char &c)
{
    if (r.pos >= r.end)
        return 0;
    c.begin = r.pos;
    if (r.ucs2) {
        if (r.end - r.pos < 2)
            return -1;
        auto unit_at = [&r](size_t at) {
            return static_cast<uint16_t>(r.swapped ? r.in[at] << 8 | r.in[at + 1] : r.in[at] | r.in[at + 1] << 8);
        };
        const uint16_t unit = unit_at(r.pos);
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return -1;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const uint16_t low = r.end - r.pos >= 4 ? unit_at(r.pos + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return -1;
            c.code_point = 0x10000 + ((unit - 0xD800u) << 10 | (low - 0xDC00u));
            r.pos += 4;
        } else {
            c.code_point = unit;
            r.pos += 2;
        }
    } else {
        size_t used = 0;
        if (utf8_decode(r.in + r.pos, r.end - r.pos, &c.code_point, &used) != UTF_OK || used > 4 ||
            c.code_point > 0x10FFFF)
            return -1;
        r.pos += used;
    }
    c.end = r.pos;
    return 1;
}

int old_reader_next(text_reader &r, text_char &c)
{
    if (r.ucs2 || r.pos >= r.end || r.in[r.pos] >= 0x80)
        return old_reader_next_decoded(r, c);
    c.begin = r.pos;
    c.code_point = r.in[r.pos++];
    c.end = r.pos;
    return 1;
}

uint16_t old_national_holders(int kind, uint16_t unit)
{
    if (unit < NATIONAL_DIRECT)
        return national_holders_direct[kind][unit];
    uint16_t holders = 0;
    for (int language = 0; language < LANGUAGES; ++language)
        if (national_code(national_table_of(language, kind), unit) != NATIONAL_NONE)
            holders = static_cast<uint16_t>(holders | 1u << language);
    return holders;
}

constexpr uint16_t LANGUAGE_BITS = 0x3FFE; /* ids 1-13 */
constexpr size_t INFEASIBLE = SIZE_MAX;

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
        /* Between printable ASCII characters there is always a boundary,
         * and the state would stay that of such a character: text of them
         * needs no lookup. */
        const bool plain = last >= 0x20 && last < 0x7F && cp >= 0x20 && cp < 0x7F;
        const bool starts = last < 0 || plain || utf8proc_grapheme_break_stateful(last, cp, &state);
        last = cp;
        return starts;
    }
};

/* What goes out for one character of the input: the character itself, or
 * its replacement (0 to 3 code points), as one piece that no part
 * boundary cuts; and the tables that hold each code point. */
struct piece {
    uint32_t code_points[3];
    int count;
    uint16_t locking[3], single[3];
};

/* The tables that hold a code point, for the planner: U+001B would turn
 * the next character into an extension one, so no table holds it. */
uint16_t holders(int kind, uint32_t code_point)
{
    return code_point > 0xFFFF || code_point == GSM_ESCAPE ? 0 : old_national_holders(kind, static_cast<uint16_t>(code_point));
}

inline void find_holders(piece &p)
{
    for (int k = 0; k < p.count; ++k) {
        p.locking[k] = holders(LOCKING, p.code_points[k]);
        p.single[k] = holders(SINGLE, p.code_points[k]);
    }
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
    size_t total[LANGUAGES];
    filling fill[LANGUAGES][2];
    rooms room[LANGUAGES][2];
    uint64_t ran_out = SEPTCVT_NO_OFFSET;
};

struct ucs2_candidate {
    size_t total = 0;
    filling fill;
    rooms room;
};

/* The septets a piece takes through the locking table of language id, and
 * the single tables that can serve what it lacks (all where it lacks
 * nothing). */
size_t septets_of(const piece &p, int id, uint16_t &singles)
{
    size_t septets = 0;
    for (int k = 0; k < p.count; ++k) {
        const bool held = (p.locking[k] >> id & 1) != 0;
        septets += held ? 1 : 2;
        if (!held)
            singles &= p.single[k];
    }
    return septets;
}

/* Fills the parts of every live 7-bit candidate with one piece. */
inline void add(seven_bit &s, const piece &p, bool starts, size_t least_room, uint64_t at)
{
    if (p.count == 0)
        return; /* dropped: it stays with the character before it */
    bool alive = false;
    for (int i = 0; i < s.slots; ++i) {
        if (s.ok[i] == 0)
            continue;
        const size_t septets = septets_of(p, s.ids[i], s.ok[i]);
        s.total[i] += septets;
        for (int c = 0; c < s.classes; ++c)
            if (s.room[i][c].multi >= least_room)
                place(s.fill[i][c], starts, septets, s.room[i][c].multi);
        alive |= s.ok[i] != 0;
    }
    if (!alive && s.ran_out == SEPTCVT_NO_OFFSET)
        s.ran_out = at;
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
 * leaves too little room. */
void parts_of(const filling &f, size_t total, const rooms &r, size_t least_room, size_t &parts, size_t &left)
{
    if (r.single >= least_room && total <= r.single) {
        parts = 1;
        left = r.single - total;
    } else if (r.multi >= least_room) {
        parts = f.parts;
        left = r.multi - (f.base + f.run);
    } else {
        parts = INFEASIBLE;
        left = 0;
    }
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
            const uint16_t serving = static_cast<uint16_t>(s.ok[i] & (c == 0 ? 1u : singles & ~1u));
            if (serving == 0)
                continue;
            int single = 0;
            while (c == 1 && (serving >> single & 1) == 0)
                ++single;
            outcome o{id == 0 && single == 0 ? 0 : 2, id, single, static_cast<size_t>((id != 0) + (single != 0)), 0, 0,
                      replaced, i, c};
            parts_of(s.fill[i][c], s.total[i], s.room[i][c], least_room, o.parts, o.room_left);
            if (o.parts == INFEASIBLE)
                continue;
            if (!any || better(o, best))
                best = o;
            any = true;
        }
    }
}

/* Reads the next character and what goes out for it, on the original
 * stream and (with replacement) the replaced one. */
struct text_pieces {
    text_reader reader;
    bool replace;
    size_t replaced = 0;
    int next(text_char &c, piece &original, piece &out)
    {
        const int got = old_reader_next(reader, c);
        if (got <= 0)
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
    s.classes = singles == 1 ? 1 : 2;
    for (int id = 0; id < LANGUAGES; ++id) {
        /* A locking id without a table is the default alphabet, slot 0. */
        if ((id == 0 || (o.locking_languages >> id & 1) != 0) && locking_table_of(id) == id) {
            s.ids[s.slots] = id;
            s.ok[s.slots] = singles;
            s.total[s.slots] = 0;
            for (int c = 0; c < 2; ++c) {
                s.fill[s.slots][c] = filling{};
                const size_t languages = static_cast<size_t>((id != 0) + c) * LANGUAGE_OCTETS;
                s.room[s.slots][c] = rooms_of(o.elements_len + languages, concatenation, false);
            }
            ++s.slots;
        }
    }
}

} // namespace

int reference_plan(int form, const void *text, size_t text_len, const septcvt_plan_options *options,
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
    start_seven_bit(replaced, o, singles, concatenation);
    ucs2_candidate ucs2;
    ucs2.room = rooms_of(o.elements_len, concatenation, true);

    /* The original text's clusters serve its 7-bit candidates and UCS-2. */
    clusters original_breaks, replaced_breaks;
    text_char c;
    piece as_is, out;
    int got;
    while ((got = read.next(c, as_is, out)) > 0) {
        const bool starts = starts_with(original_breaks, as_is);
        add(original, as_is, starts, least_septets, c.begin);
        if (read.replace)
            add(replaced, out, starts_with(replaced_breaks, out), least_septets, c.begin);
        const size_t units = c.code_point > 0xFFFF ? 2 : 1;
        ucs2.total += units;
        if (ucs2.room.multi >= least_units)
            place(ucs2.fill, starts, units, ucs2.room.multi);
    }
    if (got < 0) {
        if (error_offset != nullptr)
            *error_offset = read.reader.pos;
        return SEPTCVT_MALFORMED;
    }

    /* The original text's best, UCS-2 among them; then the replaced text's
     * best, which goes out only where it takes fewer parts. */
    outcome best{1, 0, 0, 0, 0, 0, false, -1, 0};
    parts_of(ucs2.fill, ucs2.total, ucs2.room, least_units, best.parts, best.room_left);
    bool any = best.parts != INFEASIBLE;
    choose_seven_bit(original, singles, least_septets, false, best, any);
    if (read.replace) {
        outcome best_replaced{};
        bool any_replaced = false;
        choose_seven_bit(replaced, singles, least_septets, true, best_replaced, any_replaced);
        if (any_replaced && (!any || best_replaced.parts < best.parts))
            best = best_replaced, any = true;
    }
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

    /* The chosen candidate's parts, filled again and recorded: a part
     * begins where a cluster moved on, or where one was cut. */
    read.reader = start;
    seven_bit *stream = best.slot < 0 ? nullptr : best.replaced ? &replaced : &original;
    clusters breaks;
    filling f;
    const rooms &r = stream != nullptr ? stream->room[best.slot][best.cls] : ucs2.room;
    const size_t room = best.parts == 1 ? r.single : r.multi;
    size_t k = 0, counted = 0, in_cluster = 0, cluster_begin = start.pos;
    parts[0].begin = start.pos;
    auto begin_part = [&](size_t at, size_t length) {
        parts[k].end = at;
        parts[k].length = length;
        if (++k < best.parts)
            parts[k].begin = at;
    };
    while (read.next(c, as_is, out) > 0 && k < best.parts) {
        const piece &p = stream != nullptr && best.replaced ? out : as_is;
        if (p.count == 0)
            continue;
        uint16_t ignored = 0xFFFF;
        const size_t units = stream != nullptr ? septets_of(p, best.locking, ignored) : c.code_point > 0xFFFF ? 2 : 1;
        const bool starts = starts_with(breaks, p);
        if (starts) {
            cluster_begin = c.begin;
            in_cluster = 0;
        }
        const int landed = place(f, starts, units, room);
        if (landed & MOVED) {
            begin_part(cluster_begin, counted - in_cluster);
            counted = in_cluster;
        }
        if (landed & CUT) {
            begin_part(c.begin, counted);
            counted = 0;
            in_cluster = 0;
        }
        counted += units;
        in_cluster += units;
    }
    if (k < best.parts) { /* both passes fill alike, so k is the last part */
        parts[k].end = text_len;
        parts[k].length = counted;
    }
    return SEPTCVT_OK;
}

std::string plans_differ(int form, const void *text, size_t text_len, const septcvt_plan_options &o, size_t max_parts)
{
    septcvt_plan plan[2];
    std::vector<septcvt_part> parts[2];
    uint64_t at[2];
    int status[2];
    for (int side = 0; side < 2; ++side) {
        memset(&plan[side], 0x5A, sizeof plan[side]);
        parts[side].assign(max_parts + 1, septcvt_part{7, 7, 7});
        at[side] = 7;
        status[side] = (side == 0 ? septcvt_plan_text : reference_plan)(form, text, text_len, &o, &plan[side], parts[side].data(),
                                                                    max_parts, &at[side]);
    }
    const septcvt_plan &a = plan[0], &b = plan[1];
    if (status[0] != status[1] || at[0] != at[1])
        return "the status or the error offset";
    if (a.dcs != b.dcs || a.locking != b.locking || a.single != b.single || a.parts != b.parts || a.room_left != b.room_left ||
        a.replaced != b.replaced || a.ran_out != b.ran_out || a.form != b.form || a.reference_bits != b.reference_bits)
        return "the plan";
    for (size_t k = 0; k <= max_parts; ++k)
        if (parts[0][k].begin != parts[1][k].begin || parts[0][k].end != parts[1][k].end || parts[0][k].length != parts[1][k].length)
            return "part " + std::to_string(k);
    for (size_t k = 0; status[0] == SEPTCVT_OK && k < a.parts; ++k) {
        septcvt_user_data ud[2];
        for (int side = 0; side < 2; ++side)
            if (septcvt_part_user_data(text, text_len, &o, &plan[side], parts[side].data(), k, 9, &ud[side]) != SEPTCVT_OK)
                return "no user data of part " + std::to_string(k);
        if (ud[0].dcs != ud[1].dcs || ud[0].udhi != ud[1].udhi || ud[0].udl != ud[1].udl || ud[0].length != ud[1].length ||
            memcmp(ud[0].ud, ud[1].ud, ud[0].length) != 0)
            return "the user data of part " + std::to_string(k);
    }
    return "";
}
