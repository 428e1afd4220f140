/* The C interface's conversions: the block core over the caller's memory,
 * with the counters a caller needs around it. */
#include "septcvt.h"

#include <cstring>

#include "conversion.h"
#include "kernels.h"
#include "national.h"

namespace {

/* What the interface keeps in septcvt_state::internal. Plain data, copied in
 * and out with memcpy, so no object's lifetime is at stake in storage that
 * C code owns. */
struct conversion {
    block_state core;
    int direction; /* SEPTCVT_TO_UNICODE or SEPTCVT_TO_GSM; anything else was never initialised */
    uint8_t mark[2]; /* the UCS-2 mark the core begins with, which goes out with the first call */
    uint8_t mark_length;
};
static_assert(sizeof(conversion) <= sizeof(septcvt_state::internal), "the state has room for the conversion");

static_assert(interface_room(0) == sizeof conversion::mark + output_room(0), "the room takes the mark");

bool refused(int status)
{
    return status == SEPTCVT_MALFORMED || status == SEPTCVT_NO_MARK;
}

/* UCS-2 input whose mark is not in: refused when the conversion stopped,
 * or when the input ended before it. */
bool without_mark(const conversion &c)
{
    return c.core.ucs2 && c.core.byte_order == BO_UNKNOWN;
}

/* The verdict so far: the refusal once the input was refused, else whether
 * a character had no mapping. */
int verdict(const conversion &c)
{
    if (c.core.stop)
        return without_mark(c) ? SEPTCVT_NO_MARK : SEPTCVT_MALFORMED;
    return c.core.unmapped > 0 ? SEPTCVT_UNMAPPED : SEPTCVT_OK;
}

/* The conversion in state: SEPTCVT_BAD_ARGUMENT for a state never
 * initialised, the refusal once the input was refused, else SEPTCVT_OK. */
int resume(const septcvt_state *state, conversion &c)
{
    memcpy(&c, state->internal, sizeof c);
    if (c.direction != SEPTCVT_TO_UNICODE && c.direction != SEPTCVT_TO_GSM)
        return SEPTCVT_BAD_ARGUMENT;
    return c.core.stop ? verdict(c) : SEPTCVT_OK;
}

void store(septcvt_state *state, const conversion &c)
{
    memcpy(state->internal, &c, sizeof c);
    state->unmapped = c.core.unmapped;
}

} // namespace

const char *septcvt_version(void)
{
    return SEPTCVT_VERSION_STRING;
}

const char *septcvt_strerror(int status)
{
    switch (status) {
    case SEPTCVT_OK: return "done";
    case SEPTCVT_UNMAPPED: return "characters without a mapping were left out";
    case SEPTCVT_MALFORMED: return "malformed input";
    case SEPTCVT_NO_MARK: return "UCS-2 input without a byte-order mark";
    case SEPTCVT_NULL_POINTER: return "a null pointer";
    case SEPTCVT_NO_ROOM: return "a buffer too short";
    case SEPTCVT_NOT_SEPTET: return "a code above 0x7F";
    case SEPTCVT_BAD_FILL_BITS: return "fill bits outside 0-6";
    case SEPTCVT_BAD_ARGUMENT:
        return "an argument that cannot be right: an unknown direction, form, language or TP-DCS, a state never "
               "initialised, planner options or a reference out of range, a plan or part not made of this text, or a "
               "TPDU field out of range";
    case SEPTCVT_TOO_MANY_PARTS: return "a text that takes more than 255 parts";
    case SEPTCVT_BAD_USER_DATA: return "user data that does not hold together";
    case SEPTCVT_NOT_TEXT: return "8-bit or compressed data, not text";
    case SEPTCVT_BAD_TPDU: return "a TPDU that does not hold together";
    case SEPTCVT_UNSUPPORTED_TPDU: return "a TPDU of a type not read: SUBMIT-REPORT, DELIVER-REPORT, COMMAND or reserved";
    default: return "an unknown status";
    }
}

static bool known_language(int id)
{
    return id >= 0 && id < LANGUAGES;
}

int septcvt_init(septcvt_state *state, int direction, int form)
{
    return start_conversion(state, direction, form, SEPTCVT_DEFAULT, SEPTCVT_DEFAULT, chosen_kernels());
}

int septcvt_init_pair(septcvt_state *state, int direction, int form, int locking, int single)
{
    return start_conversion(state, direction, form, locking, single, chosen_kernels());
}

int start_conversion(septcvt_state *state, int direction, int form, int locking, int single,
                     const kernel_set *kernels)
{
    if (state == nullptr)
        return SEPTCVT_NULL_POINTER;
    if ((direction != SEPTCVT_TO_UNICODE && direction != SEPTCVT_TO_GSM) ||
        (form != SEPTCVT_UTF8 && form != SEPTCVT_UCS2) || !known_language(locking) || !known_language(single))
        return SEPTCVT_BAD_ARGUMENT;
    conversion c{};
    c.direction = direction;
    const bool ucs2 = form == SEPTCVT_UCS2;
    locking = locking_table_of(locking);
    if (direction == SEPTCVT_TO_UNICODE) {
        c.mark_length = static_cast<uint8_t>(forward_start(c.core, ucs2, locking, single, kernels, c.mark));
    } else {
        reverse_start(c.core, ucs2, locking, single, kernels);
    }
    memset(state, 0, sizeof *state);
    store(state, c);
    return SEPTCVT_OK;
}

size_t septcvt_output_room(size_t in_len)
{
    return interface_room(in_len);
}

size_t septcvt_output_room_pair(size_t in_len, int locking, int single)
{
    /* An unknown pair, which septcvt_init_pair refuses, gets the most any
     * pair needs. */
    const bool known = known_language(locking) && known_language(single);
    return interface_room(in_len, known ? national_growth(locking_table_of(locking)) : MOST_GROWTH);
}

int septcvt_convert(septcvt_state *state, const void *in, size_t in_len, size_t *in_used, void *out,
                    size_t out_size, size_t *out_written)
{
    if (state == nullptr || in_used == nullptr || out_written == nullptr || (in == nullptr && in_len > 0) ||
        (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    conversion c;
    const int so_far = resume(state, c);
    if (so_far == SEPTCVT_BAD_ARGUMENT)
        return so_far;
    if (so_far != SEPTCVT_OK) { /* refused before: nothing more is taken */
        *in_used = 0;
        *out_written = 0;
        return so_far;
    }
    const size_t mark = c.mark_length;
    const int growth = national_growth(c.core.locking);
    if (out_size < mark || (in_len > 0 && out_size < mark + output_room(1, growth)))
        return SEPTCVT_NO_ROOM;
    uint8_t *o = static_cast<uint8_t *>(out);
    if (mark > 0)
        memcpy(o, c.mark, mark);
    c.mark_length = 0;
    /* As much input as the room is sure to hold. */
    const size_t fits = out_size >= mark + output_room(0) ? (out_size - mark - output_room(0)) / growth : 0;
    const size_t take = in_len < fits ? in_len : fits;
    size_t used = 0, n = 0;
    if (take > 0) {
        const uint8_t *from = static_cast<const uint8_t *>(in);
        n = c.direction == SEPTCVT_TO_UNICODE ? forward_block(c.core, from, take, &used, o + mark)
                                              : reverse_block(c.core, from, take, &used, o + mark);
    }
    state->total_in += used;
    state->total_out += mark + n;
    if (c.core.stop)
        state->error_offset = state->total_in - c.core.fault_length;
    *in_used = used;
    *out_written = mark + n;
    store(state, c);
    return verdict(c);
}

int septcvt_finish(septcvt_state *state)
{
    if (state == nullptr)
        return SEPTCVT_NULL_POINTER;
    conversion c;
    const int so_far = resume(state, c);
    if (so_far != SEPTCVT_OK)
        return so_far;
    /* What the end cut off (an escape, a sequence, half a unit) is dropped
     * without a verdict; a mark that never came is one. */
    if (without_mark(c)) {
        state->error_offset = 0;
        return SEPTCVT_NO_MARK;
    }
    return verdict(c);
}

/* A whole buffer. Output goes straight into out while out has room for a
 * piece of input, else through a small buffer of its own, so out needs no
 * more room than the output itself; past the end of out it is only
 * counted, and unless only the count is wanted that is SEPTCVT_NO_ROOM. */
static int convert_whole(int direction, int form, int locking, int single, const void *in, size_t in_len, void *out,
                         size_t out_size, size_t *out_len, uint64_t *unmapped, uint64_t *error_offset,
                         bool count_only = false)
{
    if (out_len == nullptr || (in == nullptr && in_len > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    septcvt_state st;
    int status = septcvt_init_pair(&st, direction, form, locking, single);
    if (status != SEPTCVT_OK)
        return status;
    const uint8_t *from = static_cast<const uint8_t *>(in);
    uint8_t *to = static_cast<uint8_t *>(out);
    uint8_t spare[interface_room(1024, MOST_GROWTH)];
    size_t left = in_len, written = 0;
    do {
        const size_t room = written < out_size ? out_size - written : 0;
        const bool direct = room >= septcvt_output_room_pair(left < 64 ? left : 64, locking, single);
        size_t used = 0, n = 0;
        status = septcvt_convert(&st, from, left, &used, direct ? to + written : spare,
                                 direct ? room : sizeof spare, &n);
        if (!direct && room > 0)
            memcpy(to + written, spare, n < room ? n : room);
        written += n;
        from += used;
        left -= used;
    } while (left > 0 && !refused(status));
    status = septcvt_finish(&st);
    /* A whole buffer is the whole text, so what its end cut off waits for
     * nothing: a cut UTF-8 sequence or half a UCS-2 unit is refused where
     * it begins, and an escape with no code after it had no mapping. A
     * stream's end drops them, as the program does. */
    if (!refused(status)) {
        conversion c;
        memcpy(&c, st.internal, sizeof c);
        if (c.core.pending_len > 0) {
            status = SEPTCVT_MALFORMED;
            st.error_offset = st.total_in - c.core.pending_len;
        } else if (c.core.escape_pending) {
            ++st.unmapped;
            status = SEPTCVT_UNMAPPED;
        }
    }
    *out_len = written;
    if (unmapped != nullptr)
        *unmapped = st.unmapped;
    if (error_offset != nullptr)
        *error_offset = refused(status) ? st.error_offset : 0;
    if (!refused(status) && written > out_size && !count_only)
        return SEPTCVT_NO_ROOM;
    return status;
}

int septcvt_to_unicode(int form, const void *gsm, size_t gsm_len, void *out, size_t out_size, size_t *out_len,
                       uint64_t *unmapped)
{
    return septcvt_to_unicode_pair(form, SEPTCVT_DEFAULT, SEPTCVT_DEFAULT, gsm, gsm_len, out, out_size, out_len,
                                   unmapped);
}

int septcvt_to_gsm(int form, const void *text, size_t text_len, void *out, size_t out_size, size_t *out_len,
                   uint64_t *unmapped, uint64_t *error_offset)
{
    return septcvt_to_gsm_pair(form, SEPTCVT_DEFAULT, SEPTCVT_DEFAULT, text, text_len, out, out_size, out_len,
                               unmapped, error_offset);
}

int septcvt_count_septets(int form, const void *text, size_t text_len, size_t *septets, uint64_t *error_offset)
{
    return septcvt_count_septets_pair(form, SEPTCVT_DEFAULT, SEPTCVT_DEFAULT, text, text_len, septets, error_offset);
}

int septcvt_to_unicode_pair(int form, int locking, int single, const void *gsm, size_t gsm_len, void *out,
                            size_t out_size, size_t *out_len, uint64_t *unmapped)
{
    return convert_whole(SEPTCVT_TO_UNICODE, form, locking, single, gsm, gsm_len, out, out_size, out_len, unmapped,
                         nullptr);
}

int septcvt_to_gsm_pair(int form, int locking, int single, const void *text, size_t text_len, void *out,
                        size_t out_size, size_t *out_len, uint64_t *unmapped, uint64_t *error_offset)
{
    return convert_whole(SEPTCVT_TO_GSM, form, locking, single, text, text_len, out, out_size, out_len, unmapped,
                         error_offset);
}

int septcvt_count_septets_pair(int form, int locking, int single, const void *text, size_t text_len,
                               size_t *septets, uint64_t *error_offset)
{
    if (septets == nullptr)
        return SEPTCVT_NULL_POINTER;
    /* GSM text takes a septet a byte: its length, counted without a place
     * to put it. */
    return convert_whole(SEPTCVT_TO_GSM, form, locking, single, text, text_len, nullptr, 0, septets, nullptr,
                         error_offset, true);
}
