/* The C interface's streaming conversions: the block core over the caller's
 * memory, with the counters a caller needs around it. */
#include "septcvt.h"

#include <cstring>

#include "conversion.h"
#include "kernels.h"

namespace {

static_assert(interface_room(0) == sizeof conversion::mark + output_room(0), "the room takes the mark");

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

int septcvt_init(septcvt_state *state, int direction, int form)
{
    return start_default(state, direction, form, chosen_kernels());
}

int start_default(septcvt_state *state, int direction, int form, const kernel_set *kernels)
{
    return start_tables(state, direction, form, SEPTCVT_DEFAULT, SEPTCVT_DEFAULT, nullptr, kernels);
}

int start_tables(septcvt_state *state, int direction, int form, int locking, int single,
                 const table_set *national, const kernel_set *kernels)
{
    if (state == nullptr)
        return SEPTCVT_NULL_POINTER;
    if ((direction != SEPTCVT_TO_UNICODE && direction != SEPTCVT_TO_GSM) ||
        (form != SEPTCVT_UTF8 && form != SEPTCVT_UCS2))
        return SEPTCVT_BAD_ARGUMENT;
    conversion c{};
    c.direction = direction;
    const bool ucs2 = form == SEPTCVT_UCS2;
    if (direction == SEPTCVT_TO_UNICODE) {
        c.mark_length = static_cast<uint8_t>(forward_start(c.core, ucs2, locking, single, national, kernels, c.mark));
    } else {
        reverse_start(c.core, ucs2, locking, single, national, kernels);
    }
    memset(state, 0, sizeof *state);
    store(state, c);
    return SEPTCVT_OK;
}

size_t septcvt_output_room(size_t in_len)
{
    return interface_room(in_len);
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
    const int growth = c.core.growth;
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

bool take_as_is(septcvt_state *state, const uint8_t *in, size_t len)
{
    conversion c;
    if (resume(state, c) != SEPTCVT_OK || c.direction != SEPTCVT_TO_UNICODE || c.mark_length > 0 || len == 0 ||
        forward_as_is(c.core, in, len) != len)
        return false;
    state->total_in += len;
    state->total_out += len;
    return true;
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
