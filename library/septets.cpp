/* Packed septets, and GSM text split into SMS parts. */
#include "septcvt.h"

#include "gsm_tables.h"

namespace {

constexpr unsigned MOST_FILL_BITS = 6;
constexpr uint8_t CARRIAGE_RETURN = 0x0D;

/* Every code fits in seven bits. */
bool all_septets(const uint8_t *codes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (codes[i] > 0x7F)
            return false;
    return true;
}

/* Bits a text of count septets takes behind fill_bits; 64 bits, so that no
 * count a buffer can hold overflows it. */
uint64_t bits_of(size_t count, unsigned fill_bits)
{
    return fill_bits + 7 * static_cast<uint64_t>(count);
}

} // namespace

size_t septcvt_packed_size(size_t count, unsigned fill_bits)
{
    if (count == 0)
        return 0;
    /* Eight septets fill seven octets; only the rest and the fill bits are
     * reckoned in bits, so no count overflows the bits, and a size that
     * size_t cannot hold stays at its largest rather than wrapping to a
     * small one. */
    const size_t whole = count / 8 * 7;
    const uint64_t rest = (bits_of(count % 8, fill_bits) + 7) / 8;
    return rest > SIZE_MAX - whole ? SIZE_MAX : whole + static_cast<size_t>(rest);
}

int septcvt_pack(const uint8_t *codes, size_t count, unsigned fill_bits, uint8_t *out, size_t out_size,
                 size_t *out_len)
{
    if (out_len == nullptr || (codes == nullptr && count > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    if (fill_bits > MOST_FILL_BITS)
        return SEPTCVT_BAD_FILL_BITS;
    if (!all_septets(codes, count))
        return SEPTCVT_NOT_SEPTET;
    *out_len = septcvt_packed_size(count, fill_bits);
    if (out_size < *out_len)
        return SEPTCVT_NO_ROOM;
    /* Low bits first: each septet goes in above the bits before it, and
     * every full octet leaves at the bottom. */
    uint32_t bits = 0;
    unsigned held = fill_bits;
    size_t o = 0;
    for (size_t i = 0; i < count; ++i) {
        bits |= static_cast<uint32_t>(codes[i]) << held;
        held += 7;
        if (held >= 8) {
            out[o++] = static_cast<uint8_t>(bits);
            bits >>= 8;
            held -= 8;
        }
    }
    if (held > 0 && count > 0) {
        /* Seven spare bits would read as one more septet, "@". */
        if (held == 1)
            bits |= CARRIAGE_RETURN << 1;
        out[o++] = static_cast<uint8_t>(bits);
    }
    return SEPTCVT_OK;
}

/* Septet j of packed octets, from its place in the bit stream. */
static uint8_t septet_at(const uint8_t *octets, size_t octet_len, unsigned fill_bits, size_t j)
{
    const uint64_t bit = bits_of(j, fill_bits);
    const size_t at = static_cast<size_t>(bit / 8);
    const unsigned shift = static_cast<unsigned>(bit % 8);
    unsigned value = octets[at] >> shift;
    if (shift > 1 && at + 1 < octet_len)
        value |= static_cast<unsigned>(octets[at + 1]) << (8 - shift);
    return static_cast<uint8_t>(value & 0x7F);
}

int septcvt_unpack(const uint8_t *octets, size_t octet_len, unsigned fill_bits, size_t count, uint8_t *out,
                   size_t out_size)
{
    if ((octets == nullptr && octet_len > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    if (fill_bits > MOST_FILL_BITS)
        return SEPTCVT_BAD_FILL_BITS;
    if (octet_len < septcvt_packed_size(count, fill_bits) || out_size < count)
        return SEPTCVT_NO_ROOM;
    for (size_t j = 0; j < count; ++j)
        out[j] = septet_at(octets, octet_len, fill_bits, j);
    return SEPTCVT_OK;
}

int septcvt_unpack_octets(const uint8_t *octets, size_t octet_len, unsigned fill_bits, uint8_t *out,
                          size_t out_size, size_t *count)
{
    if (count == nullptr || (octets == nullptr && octet_len > 0) || (out == nullptr && out_size > 0))
        return SEPTCVT_NULL_POINTER;
    if (fill_bits > MOST_FILL_BITS)
        return SEPTCVT_BAD_FILL_BITS;
    const uint64_t bits = 8 * static_cast<uint64_t>(octet_len);
    size_t n = bits > fill_bits ? static_cast<size_t>((bits - fill_bits) / 7) : 0;
    /* A carriage return that fills the last octet exactly is padding: a
     * sender puts one into seven spare bits. */
    if (n > 0 && bits_of(n, fill_bits) == bits && septet_at(octets, octet_len, fill_bits, n - 1) == CARRIAGE_RETURN)
        --n;
    *count = n;
    return septcvt_unpack(octets, octet_len, fill_bits, n, out, out_size);
}

/* The parts of GSM text gsm[0..len), each end stored in ends where it is
 * not null. */
static size_t split_into(const uint8_t *gsm, size_t len, size_t *ends)
{
    const size_t most = len <= SEPTCVT_SINGLE_SEPTETS ? SEPTCVT_SINGLE_SEPTETS : SEPTCVT_PART_SEPTETS;
    size_t n = 0, start = 0;
    do {
        /* Escape pairs are read from the start of the text, two codes each,
         * so a part that would end inside one ends before it. */
        size_t i = start;
        while (i < len && i - start < most)
            i += gsm[i] == GSM_ESCAPE && i + 1 < len ? 2 : 1;
        const size_t end = i - start > most ? i - 2 : i;
        if (ends != nullptr)
            ends[n] = end;
        ++n;
        start = end;
    } while (start < len);
    return n;
}

int septcvt_split(const uint8_t *gsm, size_t len, size_t *ends, size_t max_parts, size_t *parts)
{
    if (parts == nullptr || (gsm == nullptr && len > 0) || (ends == nullptr && max_parts > 0))
        return SEPTCVT_NULL_POINTER;
    if (!all_septets(gsm, len))
        return SEPTCVT_NOT_SEPTET;
    /* Counted first, so that too few ends are left as they were. */
    *parts = split_into(gsm, len, nullptr);
    if (*parts > max_parts)
        return SEPTCVT_NO_ROOM;
    split_into(gsm, len, ends);
    return SEPTCVT_OK;
}
