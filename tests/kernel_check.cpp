/* Every vector kernel this processor runs, held against the scalar core on
 * the same inputs: each special sequence at every offset of a window, random
 * text, random pieces. Plain C++ with no test framework, so that it also
 * runs as a Windows program (under wine in CI), where a 256-bit value
 * spilled to a 16-byte-aligned stack would fault. Ends with its counts. */
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "block.h"
#include "kernels.h"

namespace {

struct Result {
    int status;
    std::string out;
    size_t used;
    bool operator==(const Result &r) const { return status == r.status && out == r.out && used == r.used; }
};

/* The core with the given kernels (none: the scalar core alone), fed in
 * pieces that end at each of cuts. */
Result convert(const kernel_set *kernels, bool reverse, bool ucs2, const std::string &in,
               const std::vector<size_t> &cuts)
{
    block_state st;
    std::vector<uint8_t> out(output_room(in.size()));
    Result r{0, "", in.size()};
    if (reverse)
        reverse_start(st, ucs2);
    else
        r.out.assign(reinterpret_cast<char *>(out.data()), forward_start(st, ucs2, out.data()));
    st.kernels = kernels;
    size_t pos = 0;
    for (size_t end : cuts) {
        if (end <= pos)
            continue;
        const std::vector<uint8_t> piece(in.begin() + static_cast<long>(pos), in.begin() + static_cast<long>(end));
        size_t used = 0;
        const size_t n =
            (reverse ? reverse_block : forward_block)(st, piece.data(), piece.size(), &used, out.data());
        r.out.append(reinterpret_cast<char *>(out.data()), n);
        if (st.stop)
            return {1, r.out, pos + used};
        pos = end;
    }
    r.status = end_status(st);
    return r;
}

int passed = 0, failed = 0;

void check(const kernel_set *k, bool reverse, bool ucs2, const std::string &in, const std::vector<size_t> &cuts,
           const char *what, size_t at)
{
    if (convert(k, reverse, ucs2, in, cuts) == convert(nullptr, reverse, ucs2, in, cuts)) {
        ++passed;
        return;
    }
    if (++failed <= 20)
        printf("FAIL %s: %s%s%s at offset %zu, %zu bytes\n", k->name, reverse ? "reverse " : "forward ",
               ucs2 ? "UCS-2, " : "UTF-8, ", what, at, in.size());
}

struct Special {
    bool reverse, ucs2;
    const char *name;
    std::string bytes;
};

} // namespace

int main()
{
    using namespace std::string_literals;
    /* Filler that the kernels take whole (codes that stand for themselves),
     * and filler of two-byte characters. */
    const std::string plain(80, 'a'), gsm_mixed = std::string(40, '\x10') + "ab\x04 ",
                      utf8_mixed = "a\xce\x94\xc3\xa9" "b";
    const Special specials[] = {
        {false, false, "escape pair", "\x1b\x65"},
        {false, false, "escape after escape", "\x1b\x1b\x65"},
        {false, false, "escape without mapping", "\x1b\x41"},
        {false, false, "byte above 0x7F", "\x80"},
        {false, false, "byte 0xFF after escape", "\x1b\xff"},
        {false, false, "code with no identity", "\x10\x00\x24"s},
        {true, false, "two-byte form", "\xce\x94"},
        {true, false, "brace", "{"},
        {true, false, "three-byte form", "\xe2\x82\xac"},
        {true, false, "four-byte form", "\xf0\x90\x81\x81"},
        {true, false, "overlong", "\xc0\x80"},
        {true, false, "lone continuation", "\x80"},
        {true, false, "lead and ASCII", "\xc3\x41"},
        {true, false, "surrogate", "\xed\xa0\x80"},
        {true, false, "unmapped ASCII", "`"},
        {true, true, "unit with no identity", "\x94\x03"},
        {true, true, "unit FF FE", "\xff\xfe"},
        {true, true, "unit above 0xFF", "\x41\x01"},
        {true, true, "unmapped unit", "`\0"s},
    };
    const kernel_set *const *kernels = runnable_kernels();
    printf("kernels:");
    for (const kernel_set *const *k = kernels; *k != nullptr; ++k)
        printf(" %s", (*k)->name);
    printf("%s\n", *kernels == nullptr ? " none (the scalar core alone)" : "");

    for (const kernel_set *const *k = kernels; *k != nullptr; ++k) {
        for (const Special &s : specials) {
            for (int filler = 0; filler < 2; ++filler) {
                for (size_t at = 0; at <= 70; ++at) {
                    std::string in;
                    if (s.ucs2) {
                        /* 80 units of filler, the special unit at unit offset `at`. */
                        for (int u = 0; u < 80; ++u)
                            in += filler && u % 3 == 1 ? "\x94\x03"s : "a\0"s;
                        in.insert(2 * at, s.bytes);
                        for (bool big : {false, true}) {
                            std::string units = in;
                            if (big)
                                for (size_t i = 0; i + 1 < units.size(); i += 2)
                                    std::swap(units[i], units[i + 1]);
                            units.insert(0, big ? "\xfe\xff" : "\xff\xfe");
                            check(*k, true, true, units, {units.size()}, s.name, at);
                        }
                        continue;
                    }
                    const std::string &fill = s.reverse ? (filler ? utf8_mixed : plain) : (filler ? gsm_mixed : plain);
                    while (in.size() < at)
                        in += fill;
                    in = in.substr(0, at) + s.bytes + plain.substr(0, 70);
                    check(*k, s.reverse, false, in, {in.size()}, s.name, at);
                    check(*k, s.reverse, false, in, {at + 1, in.size()}, s.name, at);
                }
            }
        }
        /* Random text from the bytes that matter, in random pieces. */
        std::mt19937 rng(2001);
        const std::string alphabets[4] = {"\x1b\x1b\x65\x80\x10 abcAB\x00"s, "\x1b\x65\x28 abcdefgh"s,
                                          "\xc2\xa3\xce\x94\xe2\x82\xac\xf0\x90\xc0\x80\xbf{` abcdefgh"s,
                                          "\xff\xfe\x00\x94\x03\x20\xac\x41\x61\x62"s};
        for (int round = 0; round < 2000; ++round) {
            const int mode = round % 4;
            const bool reverse = mode >= 2, ucs2 = mode == 3;
            const std::string &alphabet = alphabets[mode];
            std::string in = ucs2 ? "\xff\xfe" : "";
            const size_t len = rng() % 400;
            while (in.size() < len)
                in += alphabet[rng() % alphabet.size()] == 'a' ? plain.substr(0, rng() % 40)
                                                               : std::string(1, alphabet[rng() % alphabet.size()]);
            std::vector<size_t> cuts;
            for (size_t i = 1; i < in.size(); ++i)
                if (rng() % 50 == 0)
                    cuts.push_back(i);
            cuts.push_back(in.size());
            check(*k, reverse, ucs2, in, cuts, "random text", round);
        }
    }
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
