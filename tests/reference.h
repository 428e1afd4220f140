/* A plain reference model of both conversions, written from the printed
 * tables rather than from the production code, and the oracle that holds the
 * conversion core to it. Portable: the kernel check runs it on Windows too. */
#ifndef SEPTCVT_REFERENCE_H
#define SEPTCVT_REFERENCE_H

#include <cstdint>
#include <string>
#include <vector>

std::string ref_utf8(uint32_t code_point);

/* The character at pos: status as the codec's (0 ok, 1 the end, 3 surrogate,
 * 4 noncharacter, 5 malformed), value (0xFFFE for 1 and 5), where the next starts. */
struct RefDecoded {
    int status;
    uint32_t value;
    size_t next;
};
RefDecoded ref_decode(const std::string &in, size_t pos);

/* The tables a conversion reads, as the character of each code 0x00-0x7F
 * of the locking table and of the single shift table, REF_NONE where it has
 * none; and the language ids they go by. */
constexpr uint32_t REF_NONE = 0xFFFFFFFF;
struct RefTables {
    int locking_id = 0, single_id = 0;
    uint32_t locking[128], single[128];
};

/* The code points of well-formed UTF-8. */
std::vector<uint32_t> ref_code_points(const std::string &s);

/* The GSM form of a unit with tables t: its first locking code, else an
 * escape and its first single code, else none. */
std::string ref_gsm(const RefTables &t, uint32_t unit);

/* The default pair, from the alphabet as printed. */
const RefTables &ref_default_tables();

/* Every language's tables as the data file lists them, read afresh, by id
 * 0-13: [id].locking and [id].single. False when the file cannot be read
 * or a row is not understood. */
bool ref_read_languages(const char *path, std::vector<RefTables> &languages);

/* The pair of a locking id and a single id; a language without a locking
 * table leaves the default alphabet in force. */
RefTables ref_pair(const std::vector<RefTables> &languages, int locking, int single);

/* The library's status (OK, UNMAPPED, MALFORMED or NO_MARK), output, the
 * input used up (all, unless it stopped), the characters left out for want of
 * a mapping, and where refused input begins; as a stream ends, so with cut
 * where an escape, a UTF-8 sequence or half a UCS-2 unit that the end cut
 * off begins. */
constexpr size_t REF_NO_FAULT = SIZE_MAX;
struct Converted {
    int status;
    std::string out;
    size_t used;
    uint64_t unmapped = 0;
    size_t fault = REF_NO_FAULT;
    size_t cut = REF_NO_FAULT;
};
Converted ref_convert(bool reverse, bool ucs2, const std::string &in, const RefTables &tables = ref_default_tables());

/* The library's C interface, with the scalar core alone and with every
 * kernel set this processor runs, gives the reference's result fed whole, a
 * byte at a time, and in random pieces (and output room) from seed; so do
 * its whole-buffer helpers in exactly the room of the output. With tables,
 * through the interface's calls for a pair of them. */
bool core_agrees(bool reverse, bool ucs2, const std::string &in, unsigned seed, const RefTables *tables = nullptr);

/* Whether core_agrees runs the emulated AVX-512 set too (it does unless
 * told otherwise): it is a hundred times slower than the others. */
extern bool ref_with_emulated;

#endif
