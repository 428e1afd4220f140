/* Received parts joined into messages: the parts of one sender, each
 * placed by its concatenation numbers, repeats dropped, conflicts named,
 * and the text of each complete message read across its parts, so that a
 * pair a sender cut between two parts comes back whole. */
#include <cstring>

#include "elements.h"
#include "national.h"
#include "received.h"
#include "smpp.h"
#include "wire.h"

namespace {

constexpr size_t NONE = SIZE_MAX;
/* The most parts of one message a call takes: 16 times the most a message
 * has, for repeats, each remembered in a bit. */
constexpr size_t MOST_OF_A_MESSAGE = 4096;

/* A part as the calls that make parts make it: a caller that keeps parts
 * as bytes (a store, a binding) may hand back anything, and a total or
 * a length past what a part holds would make the joiner walk or read
 * past its bounds. */
bool part_holds(const septcvt_join_part &p)
{
    if (p.units_kind < SEPTCVT_UNITS_SEPTETS || p.units_kind > SEPTCVT_UNITS_OCTETS || p.length > sizeof p.units ||
        p.locking < 0 || p.single < 0)
        return false;
    return p.concatenated == 0 || ((p.reference_bits == 8 || p.reference_bits == 16) && p.reference <= 0xFFFF &&
                                   p.total >= 1 && p.total <= SEPTCVT_MOST_PARTS && p.sequence >= 1 &&
                                   p.sequence <= p.total);
}

bool joinable(const septcvt_join_part &p)
{
    return p.concatenated != 0 && p.message_type == 0;
}

/* The same message: the same kind of reference, reference and total. */
bool same_message(const septcvt_join_part &a, const septcvt_join_part &b)
{
    return joinable(a) && joinable(b) && a.sar == b.sar && a.reference_bits == b.reference_bits &&
           a.reference == b.reference && a.total == b.total;
}

/* The same part: its numbers and what it holds. */
bool same_part(const septcvt_join_part &a, const septcvt_join_part &b)
{
    return a.sequence == b.sequence && a.units_kind == b.units_kind && a.locking == b.locking && a.single == b.single &&
           a.length == b.length && memcmp(a.units, b.units, a.length) == 0;
}

/* The first part of parts[from..count) of the message of parts[from] with
 * that sequence number, or NONE. */
size_t part_with(const septcvt_join_part *parts, size_t from, size_t count, unsigned sequence)
{
    for (size_t j = from; j < count; ++j)
        if (same_message(parts[from], parts[j]) && parts[j].sequence == sequence)
            return j;
    return NONE;
}

/* Whether parts[j] repeats a part of its message before it. */
bool repeats(const septcvt_join_part *parts, size_t first, size_t j)
{
    for (size_t k = first; k < j; ++k)
        if (same_message(parts[first], parts[k]) && same_part(parts[k], parts[j]))
            return true;
    return false;
}

/* What the text of parts read in a row takes as UTF-8, written where it
 * fits: septets through each part's own tables (an escape that ends a part
 * takes the code that begins the next through the tables of its own part),
 * UTF-16 units across parts (a high surrogate that ends a part pairs with
 * a low one that begins the next), octets as they are. */
struct reading {
    uint8_t *out;
    size_t size, n = 0;
    uint64_t unmapped = 0;
    const septcvt_join_part *prev = nullptr; /* the part before, while its last unit waits */

    void septets(const uint8_t *s, size_t len, int locking, int single)
    {
        locking = locking < LANGUAGES ? locking : SEPTCVT_DEFAULT;
        single = single < LANGUAGES ? single : SEPTCVT_DEFAULT;
        size_t written = 0;
        uint64_t left_out = 0;
        septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, s, len, out != nullptr ? out + n : nullptr,
                                out != nullptr && size > n ? size - n : 0, &written, &left_out);
        n += written;
        unmapped += left_out;
    }
    void utf16(const uint8_t *u, size_t len)
    {
        n += utf16_to_utf8(u, len, out != nullptr ? out + n : nullptr, out != nullptr && size > n ? size - n : 0, unmapped);
    }

    /* Part p, next the part after it in the message (null at the end). */
    void part(const septcvt_join_part &p, const septcvt_join_part *next)
    {
        const uint8_t *u = p.units;
        size_t len = p.length;
        const bool same_kind_before = prev != nullptr && prev->units_kind == p.units_kind;
        if (p.units_kind == SEPTCVT_UNITS_OCTETS) {
            if (out != nullptr && n + len <= size && len > 0)
                memcpy(out + n, u, len);
            n += len;
            return;
        }
        if (p.units_kind == SEPTCVT_UNITS_SEPTETS) {
            if (same_kind_before && len > 0) { /* the escape the part before ended with */
                const uint8_t pair[2] = {GSM_ESCAPE, u[0]};
                septets(pair, 2, prev->locking, prev->single);
                ++u, --len;
            }
            size_t i = 0;
            while (i + 1 < len || (i < len && u[i] != GSM_ESCAPE))
                i += u[i] == GSM_ESCAPE ? 2 : 1;
            const bool waits = i < len && next != nullptr && next->units_kind == p.units_kind && next->length > 0;
            septets(u, waits ? i : len, p.locking, p.single);
            prev = waits ? &p : nullptr;
            return;
        }
        if (same_kind_before && len >= 2) { /* the high surrogate the part before ended with */
            const uint8_t pair[4] = {prev->units[prev->length - 2], prev->units[prev->length - 1], u[0], u[1]};
            utf16(pair, 4);
            u += 2, len -= 2;
        }
        const bool high_last = len >= 2 && len % 2 == 0 && (u[len - 2] & 0xFC) == 0xD8;
        const bool waits = high_last && next != nullptr && next->units_kind == p.units_kind && next->length >= 2 &&
                           (next->units[0] & 0xFC) == 0xDC;
        utf16(u, waits ? len - 2 : len);
        prev = waits ? &p : nullptr;
    }
};

/* Where septcvt_join writes, or counts only (pass 0). */
struct writer {
    septcvt_join_room &room;
    bool write;
    size_t messages = 0, indices = 0, text = 0;
    bool too_many = false; /* a message of more parts than a call takes */
    void index(size_t v)
    {
        if (write)
            room.indices[indices] = v;
        ++indices;
    }
};

/* The message whose first part is parts[first]: its parts in sequence
 * order, the numbers missing, the pairs in conflict, and its text. */
void message_of(const septcvt_join_part *parts, size_t count, size_t first, writer &w, uint64_t &unmapped)
{
    const septcvt_join_part &p = parts[first];
    septcvt_message m{};
    m.sar = p.sar, m.reference_bits = p.reference_bits, m.reference = p.reference, m.total = p.total;
    m.message_type = p.message_type;
    m.units_kind = p.units_kind;
    if (!joinable(p)) {
        m.kind = SEPTCVT_ALONE;
        m.parts_at = w.indices, m.parts_count = 1;
        w.index(first);
    } else {
        m.parts_at = w.indices;
        for (unsigned seq = 1; seq <= p.total; ++seq) {
            const size_t j = part_with(parts, first, count, seq);
            if (j != NONE)
                w.index(j), ++m.parts_count;
        }
        m.missing_at = w.indices;
        for (unsigned seq = 1; seq <= p.total; ++seq)
            if (part_with(parts, first, count, seq) == NONE)
                w.index(seq), ++m.missing_count;
        m.pairs_at = w.indices;
        /* Which of the message's parts, by their order among its parts,
         * repeat one before them: remembered, so that a sender's flood of
         * differing parts with one number costs a pass over the parts for
         * each, not a pass for each pair. */
        uint64_t repeated[MOST_OF_A_MESSAGE / 64] = {};
        size_t nth = 0;
        for (size_t j = first; j < count; ++j) {
            if (!same_message(p, parts[j]))
                continue;
            /* No sender makes a message of so many parts, and the work of
             * telling repeats from conflicts grows with the square of them. */
            if (nth == MOST_OF_A_MESSAGE) {
                w.too_many = true;
                return;
            }
            const size_t this_one = nth++;
            if (repeats(parts, first, j)) {
                repeated[this_one / 64] |= uint64_t{1} << (this_one % 64);
                ++m.repeats;
                continue;
            }
            /* Not a repeat: it differs from every earlier part with its number. */
            size_t kth = 0;
            for (size_t k = first; k < j; ++k) {
                if (!same_message(p, parts[k]))
                    continue;
                const bool repeat = (repeated[kth / 64] >> (kth % 64) & 1) != 0;
                ++kth;
                if (parts[k].sequence == parts[j].sequence && !repeat)
                    w.index(k), w.index(j), ++m.pairs_count;
            }
        }
        m.kind = m.pairs_count > 0 ? SEPTCVT_CONFLICT : m.missing_count > 0 ? SEPTCVT_INCOMPLETE : SEPTCVT_JOINED;
    }
    if (m.kind == SEPTCVT_ALONE || m.kind == SEPTCVT_JOINED) {
        reading r{w.write ? w.room.text + w.text : nullptr, w.write ? w.room.text_size - w.text : 0};
        if (m.kind == SEPTCVT_ALONE) {
            r.part(p, nullptr);
        } else {
            for (unsigned seq = 1; seq <= p.total; ++seq) {
                const size_t next = seq < p.total ? part_with(parts, first, count, seq + 1) : NONE;
                r.part(parts[part_with(parts, first, count, seq)], next != NONE ? &parts[next] : nullptr);
            }
        }
        m.text_at = w.text, m.text_len = r.n, m.unmapped = r.unmapped;
        w.text += r.n;
        unmapped += r.unmapped;
    }
    if (w.write)
        w.room.messages[w.messages] = m;
    ++w.messages;
}

} // namespace

int septcvt_join(const septcvt_join_part *parts, size_t count, septcvt_join_room *room)
{
    if (room == nullptr || (parts == nullptr && count > 0) || (room->messages == nullptr && room->max_messages > 0) ||
        (room->indices == nullptr && room->max_indices > 0) || (room->text == nullptr && room->text_size > 0))
        return SEPTCVT_NULL_POINTER;
    for (size_t i = 0; i < count; ++i)
        if (!part_holds(parts[i]))
            return SEPTCVT_BAD_ARGUMENT;
    uint64_t unmapped = 0;
    for (int pass = 0; pass < 2; ++pass) {
        writer w{*room, pass == 1};
        unmapped = 0;
        for (size_t i = 0; i < count && !w.too_many; ++i) {
            bool seen = false; /* a message is made at its first part */
            for (size_t j = 0; j < i && !seen; ++j)
                seen = same_message(parts[i], parts[j]);
            if (!seen)
                message_of(parts, count, i, w, unmapped);
        }
        if (w.too_many)
            return SEPTCVT_BAD_ARGUMENT;
        if (pass == 0 && (w.messages > room->max_messages || w.indices > room->max_indices || w.text > room->text_size)) {
            room->messages_count = w.messages, room->indices_count = w.indices, room->text_len = w.text;
            return SEPTCVT_NO_ROOM;
        }
        room->messages_count = w.messages, room->indices_count = w.indices, room->text_len = w.text;
    }
    return unmapped > 0 ? SEPTCVT_UNMAPPED : SEPTCVT_OK;
}
