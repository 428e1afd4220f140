/* The one driver: it moves bytes between the streams and the library's
 * conversion, so every rule about reading, writing, failures and -n stands
 * here. */
#include "convert.h"

#include "conversion.h"
#include "kernels.h"
#include "platform.h"

#ifndef SEPTCVT_BLOCK_SIZE
#define SEPTCVT_BLOCK_SIZE 262144
#endif
constexpr size_t BLOCK_SIZE = SEPTCVT_BLOCK_SIZE;
static_assert(BLOCK_SIZE >= 1, "a block holds at least one byte");

/* Static, so a run allocates nothing; the output has room for the worst
 * growth of a whole block. */
static uint8_t input_block[BLOCK_SIZE];
static uint8_t output_block[interface_room(BLOCK_SIZE)];

/* Each block's output is written before the next read, which may wait for
 * input that is slow to come: what has arrived is passed on at once. The
 * first round converts no input and writes only the UCS-2 mark, which goes
 * out before anything is read, also when the input turns out to be empty. */
static int convert_blocks(FILE *in, FILE *out, int direction)
{
    septcvt_state st;
    start_default(&st, direction, opt_ucs2 ? SEPTCVT_UCS2 : SEPTCVT_UTF8, chosen_kernels());
    const int fd = stream_descriptor(in), out_fd = stream_descriptor(out);
    /* With -n a byte is read only when it is needed, so the next reader of
     * a shared input finds everything after the last character used; each
     * character then goes out in one write as soon as it is complete. */
    const size_t want = opt_unbuffered ? 1 : BLOCK_SIZE;
    /* Decided before the first read: may input read ahead be handed back? */
    const bool can_unread = !opt_unbuffered && is_regular_file(fd);
    size_t got = 0;
    for (;;) {
        size_t used = 0, n = 0;
        /* A block whose every code stands for itself (plain ASCII text,
         * most often) goes out as it came, without a copy; one that is so
         * only in part is converted whole, in one write. */
        if (take_as_is(&st, input_block, got)) {
            if (write_output(out_fd, input_block, got) != 0)
                return 1;
            got = 0;
        }
        const int status = septcvt_convert(&st, input_block, got, &used, output_block, sizeof output_block, &n);
        if (n > 0 && write_output(out_fd, output_block, n) != 0)
            return 1; /* what was written before stays written */
        if (status == SEPTCVT_MALFORMED || status == SEPTCVT_NO_MARK) {
            if (can_unread)
                unread_input(fd, got - used);
            return 1;
        }
        const long read = read_input(fd, input_block, want);
        if (read < 0)
            return 1; /* a read error is never taken for the end */
        if (read == 0)
            return septcvt_finish(&st) == SEPTCVT_OK ? 0 : 1;
        got = static_cast<size_t>(read);
    }
}

int gsm_to_unicode(FILE *in, FILE *out)
{
    return convert_blocks(in, out, SEPTCVT_TO_UNICODE);
}

int unicode_to_gsm(FILE *in, FILE *out)
{
    return convert_blocks(in, out, SEPTCVT_TO_GSM);
}

int run_conversion(FILE *in, FILE *out)
{
    int status = opt_reverse ? unicode_to_gsm(in, out) : gsm_to_unicode(in, out);
    /* Nothing waits in the stream's buffer: the output went to the
     * descriptor, and some file systems report a failed write only when it
     * is closed. */
    if (close_output(stream_descriptor(out)) != 0)
        status = 1;
    return status;
}
