/* The conversion core: both conversions over memory, a block at a time.
 *
 * A block function takes a span of input and fills an output buffer; what a
 * block end cut off (an escape waiting for its code, a byte-order mark, a
 * UCS-2 unit or a UTF-8 sequence) waits in the state for the next block, so
 * the result never depends on where the blocks end. No I/O, no allocation:
 * the library's interface serves it to its callers, who move the bytes. */
#ifndef SEPTCVT_BLOCK_H
#define SEPTCVT_BLOCK_H

#include <cstddef>
#include <cstdint>

#include "tables.h"

/* Byte order of UCS-2 input, as its mark showed. */
constexpr int BO_AS_READ = 0; /* FF FE: little-endian units */
constexpr int BO_SWAPPED = 1; /* FE FF: big-endian units */
constexpr int BO_UNKNOWN = 2; /* the mark is not in yet */

struct kernel_set;
struct table_set;

struct block_state {
    uint64_t unmapped;    /* characters without a mapping so far, each left out */
    size_t pending_len;
    const kernel_set *kernels;    /* the vector kernels, or none: the scalar core alone */
    const table_set *national; /* the national tables, or none: the default pair */
    int byte_order;       /* reverse UCS-2: BO_UNKNOWN until the mark is in */
    bool stop;            /* the input was refused: the conversion ends after this block's output */
    uint8_t fault_length; /* once stopped: the bytes of the faulty sequence, which ends at *used */
    bool ucs2;            /* the Unicode side is UCS-2, not UTF-8 */
    bool escape_pending;  /* forward: the last block ended on an escape */
    uint8_t pending[6];   /* reverse: the start of a mark, unit or sequence */
    uint8_t locking;      /* the tables in force, by language id: the locking */
    uint8_t single;       /* table as locking_table_of gives it, and the single */
    uint8_t growth;       /* the most output a byte of input gives (national_growth) */
};

/* The default pair: the tables the vector kernels know. */
inline bool default_pair(const block_state &st)
{
    return st.national == nullptr;
}

/* Room for the output of len bytes of input, where one byte gives at most
 * growth bytes (national_growth of the locking table): the slack takes the
 * rest of a character begun in an earlier block and the unconditional
 * 4-byte stores. */
constexpr size_t output_room(size_t len, int growth = MAX_GROWTH)
{
    return static_cast<size_t>(growth) * len + 8;
}

/* Starts a conversion with the locking and single tables given by language
 * id (the locking one as locking_table_of gives it) in the national tables
 * (none for the default pair, whose ids are 0) and the vector kernels given
 * (chosen_kernels(), or none for the scalar core alone); only the default
 * pair has kernels. forward_start writes the preamble (the byte-order mark
 * of UCS-2 output, 2 bytes at most) into out and returns its length. */
size_t forward_start(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                     const kernel_set *kernels, uint8_t *out);
void reverse_start(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                   const kernel_set *kernels);

/* What both starts set alike. */
void start_block(block_state &st, bool ucs2, int locking, int single, const table_set *national,
                 const kernel_set *kernels);

/* Converts in[0..len) into out, which has output_room(len, growth) bytes, and returns
 * the bytes written. *used is the input used up: all of it, unless st.stop
 * was set, when it ends with the faulty sequence. */
size_t forward_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out);

/* How many bytes at the start of in forward_block would write as they are,
 * each a code that stands for itself in UTF-8; 0 where it writes UCS-2, a
 * national pair's forms or, first, the code after an escape. */
size_t forward_as_is(const block_state &st, const uint8_t *in, size_t len);
size_t reverse_block(block_state &st, const uint8_t *in, size_t len, size_t *used, uint8_t *out);

#endif
