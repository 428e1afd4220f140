/* The C interface's whole-buffer calls and counts: a loop of the streaming
 * calls over the caller's buffer. */
#include "septcvt.h"

#include <cstring>

#include "conversion.h"
#include "national.h"

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
