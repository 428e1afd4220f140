/* The one driver: it moves bytes between the streams and the conversion core,
 * so every rule about reading, writing, failures and -n stands here. */
#include "convert.h"

#include "block.h"
#include "kernels.h"
#include "platform.h"

#ifndef SEPTCVT_BLOCK_SIZE
#define SEPTCVT_BLOCK_SIZE 65536
#endif
constexpr size_t BLOCK_SIZE = SEPTCVT_BLOCK_SIZE;
static_assert(BLOCK_SIZE >= 1, "a block holds at least one byte");

/* Static, so a run allocates nothing; the output has room for the worst
 * growth of a whole block. */
static uint8_t input_block[BLOCK_SIZE];
static uint8_t output_block[output_room(BLOCK_SIZE)];
static_assert(sizeof output_block >= output_room(sizeof input_block), "output room for a whole block");

using block_function = size_t (*)(block_state &, const uint8_t *, size_t, size_t *, uint8_t *);

/* Each block's output is written before the next read, which may wait for
 * input that is slow to come: what has arrived is passed on at once. */
static int convert_blocks(FILE *in, FILE *out, block_state &st, block_function convert)
{
    const int fd = stream_descriptor(in), out_fd = stream_descriptor(out);
    /* With -n a byte is read only when it is needed, so the next reader of
     * a shared input finds everything after the last character used; each
     * character then goes out in one write as soon as it is complete. */
    const size_t want = opt_unbuffered ? 1 : BLOCK_SIZE;
    /* Decided before the first read: may input read ahead be handed back? */
    const bool can_unread = !opt_unbuffered && is_regular_file(fd);
    for (;;) {
        const long got = read_input(fd, input_block, want);
        if (got < 0)
            return 1; /* a read error is never taken for the end */
        if (got == 0)
            return end_status(st);
        size_t used;
        const size_t n = convert(st, input_block, static_cast<size_t>(got), &used, output_block);
        if (n > 0 && write_output(out_fd, output_block, n) != 0)
            return 1; /* what was written before stays written */
        if (st.stop) {
            if (can_unread)
                unread_input(fd, static_cast<size_t>(got) - used);
            return 1;
        }
    }
}

int gsm_to_unicode(FILE *in, FILE *out)
{
    block_state st;
    const size_t n = forward_start(st, opt_ucs2 != 0, chosen_kernels(), output_block);
    if (n > 0 && write_output(stream_descriptor(out), output_block, n) != 0)
        return 1;
    return convert_blocks(in, out, st, forward_block);
}

int unicode_to_gsm(FILE *in, FILE *out)
{
    block_state st;
    reverse_start(st, opt_ucs2 != 0, chosen_kernels());
    return convert_blocks(in, out, st, reverse_block);
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
