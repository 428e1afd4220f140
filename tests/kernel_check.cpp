/* The library's conversions (its interface over the core), with the scalar
 * core alone and with every vector kernel this processor runs, against the
 * reference model: every byte alone and after an escape, every UCS-2 unit
 * in its three forms and in place of the mark and all of them in one text,
 * each kind of sequence at every offset 0-70 of a window (each fed whole,
 * by bytes and in random pieces; random text is the fuzz target's). Plain
 * C++ with no test framework, so that it also runs as a Windows program
 * (where a 256-bit value on a 16-byte-aligned stack would fault) and under
 * qemu. */
#include <cstdio>
#include <cstring>

#include "conversion.h"
#include "kernels.h"
#include "reference.h"

#ifndef _WIN32
#include <sys/time.h>
#endif

/* A fault that turns a conversion into an endless loop fails the check in
 * seconds, not at the test runner's timeout: each input has ten seconds of
 * the processor (SIGPROF ends the check). Processor time, not the clock's:
 * on a loaded or paused machine a window of the clock's seconds came and
 * went while the check waited its turn. */
static void watchdog()
{
#ifndef _WIN32
    const itimerval ten = {{0, 0}, {10, 0}};
    setitimer(ITIMER_PROF, &ten, nullptr);
#endif
}

/* One character of each kind a pair's kernels tell apart, as GSM text
 * (forward) and as code points (reverse): a code of one, two and three
 * UTF-8 bytes, an escape pair, a code and an escape pair without a
 * character, and characters that the pair lacks. */
static void kinds_of(const RefTables &pair, std::string &gsm, std::vector<uint32_t> &units)
{
    bool seen[8] = {};
    for (int code = 0; code < 256; ++code) {
        const uint32_t cp = code < 128 ? pair.locking[code] : pair.single[code - 128];
        const int kind = cp == REF_NONE ? 4 + (code >= 128) : code >= 128 ? 3 : static_cast<int>(ref_utf8(cp).size()) - 1;
        if (code == 0x1B || seen[kind] || (cp < 0x80 && kind < 3))
            continue;
        seen[kind] = true;
        gsm += code < 128 ? std::string(1, static_cast<char>(code)) : std::string{'\x1b', static_cast<char>(code - 128)};
        if (cp != REF_NONE)
            units.push_back(cp);
    }
    units.insert(units.end(), {0xFF, 0x4E00, 0x20AC, 0x5E});
}

/* Every pair of a locking and a single table, against the data file read
 * afresh: every code, alone and after an escape; every character the pair
 * holds and the code points on either side of it, in both Unicode forms;
 * and a character of each kind at every offset 0-70 of a window, in every
 * mode. The emulated AVX-512 set runs only on the sample of pairs named
 * here, and with sample_only no other pair runs: it is a hundred times
 * slower, and so are the checks under emulators. Returns the pairs that
 * failed. */
static int check_pairs(const char *data, bool sample_only, int &passed)
{
    std::vector<RefTables> languages;
    if (!ref_read_languages(data, languages)) {
        printf("FAIL: cannot read the tables in %s\n", data);
        return 1;
    }
    /* Turkish, Portuguese (its single table's 0x7F), Hindi and Urdu, each
     * whole; the default locking table with a single one, and the other way. */
    const int sample[][2] = {{1, 1}, {3, 3}, {6, 6}, {13, 13}, {0, 2}, {6, 0}};
    int failed = 0;
    for (int locking = 0; locking < 14; ++locking) {
        for (int single = 0; single < 14; ++single) {
            bool sampled = false;
            for (const auto &s : sample)
                sampled |= s[0] == locking && s[1] == single;
            if (sample_only && !sampled)
                continue;
            ref_with_emulated = sampled;
            const RefTables pair = ref_pair(languages, locking, single);
            watchdog();
            std::string gsm, escaped, around;
            for (int code = 0; code < 0x80; ++code) {
                gsm += code == 0x1B ? "" : std::string(1, static_cast<char>(code));
                escaped += std::string{'\x1b', static_cast<char>(code)};
            }
            for (const uint32_t *table : {pair.locking, pair.single}) {
                for (int code = 0; code < 128; ++code) {
                    const uint32_t cp = table[code];
                    if (cp == REF_NONE)
                        continue;
                    for (uint32_t near = cp > 0 ? cp - 1 : cp; near <= cp + 1; ++near)
                        around += ref_utf8(near);
                }
            }
            /* Eight units of one code each, but that the last lies past the
             * table of units by code, where a lookup must not wrap onto 'a'. */
            std::string around_ucs2 = "\xff\xfe" + std::string("a\0a\0a\0a\0a\0a\0a\0\x61\x0e", 16);
            for (size_t at = 0; at < around.size();) {
                const RefDecoded d = ref_decode(around, at);
                around_ucs2 += std::string{static_cast<char>(d.value & 0xFF), static_cast<char>(d.value >> 8)};
                at = d.next;
            }
            bool good = core_agrees(false, false, gsm + escaped + "\x1b", 1, &pair) && core_agrees(false, true, gsm + escaped, 2, &pair) &&
                        core_agrees(true, false, around, 3, &pair) && core_agrees(true, true, around_ucs2, 4, &pair);
            std::string kinds;
            std::vector<uint32_t> units;
            kinds_of(pair, kinds, units);
            std::string utf8, ucs2, swapped;
            for (const uint32_t u : units) {
                utf8 += ref_utf8(u);
                ucs2 += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
                swapped += std::string{static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
            }
            for (size_t at = 0; at <= 70 && good; ++at) {
                /* Capitals, which stand for themselves in the default
                 * alphabet but not in every locking table; and a form of
                 * three bytes that must be refused. */
                const std::string filler(at, 'a'), after(72, 'b'), capitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
                const char *const refused[] = {"\xed\xa0\x80", "\xe0\x9f\xbf", "\xef\xbf\xbe"};
                std::string wide_filler, wide_after;
                for (size_t k = 0; k < at; ++k)
                    wide_filler += std::string("a\0", 2);
                for (size_t k = 0; k < 72; ++k)
                    wide_after += std::string("b\0", 2);
                good = core_agrees(false, false, filler + kinds + capitals + capitals, 5, &pair) &&
                       core_agrees(false, true, filler + kinds + filler, 6, &pair) &&
                       core_agrees(true, false, filler + utf8 + after + refused[at % 3] + after, 7, &pair) &&
                       core_agrees(true, true, "\xff\xfe" + wide_filler + ucs2 + wide_after, 8, &pair) &&
                       core_agrees(true, true, "\xfe\xff" + std::string(wide_filler.rbegin(), wide_filler.rend()) + swapped, 9, &pair);
            }
            passed += good;
            if (!good && ++failed <= 20)
                printf("FAIL: locking table %d, single table %d\n", locking, single);
        }
    }
    ref_with_emulated = true;
    return failed;
}

/* The blocks the program writes as they came, with the scalar core alone
 * and with every kernel set: exactly those that the reference converts
 * into themselves, for a byte of each value at every offset 0-130 of text
 * that does (windows before it, and a tail of none, some and a window's
 * worth after it); never after an escape, into UCS-2 or through a national
 * pair, where the same bytes become others. Returns the failures. */
static int check_as_is(int &passed)
{
    int failed = 0;
    auto expect = [&](bool got, bool want, const char *what, const char *kernels, size_t at, unsigned b) {
        if (got == want)
            return void(++passed);
        if (++failed <= 2000)
            printf("FAIL: as is, %s, %s kernels, byte 0x%02X at %zu: %d\n", what, kernels, b, at, got);
    };
    const std::string filler(300, 'a');
    for (const kernel_set *const *k = runnable_kernels();; ++k) {
        const char *name = *k != nullptr ? (*k)->name : "no";
        septcvt_state st;
        watchdog();
        for (unsigned b = 0; b < 256; ++b) {
            for (size_t at = 0; at <= 130; ++at) {
                for (size_t tail : {0, 5, 71}) {
                    const std::string text = filler.substr(0, at) + static_cast<char>(b) + filler.substr(0, tail);
                    const Converted ref = ref_convert(false, false, text);
                    start_default(&st, SEPTCVT_TO_UNICODE, SEPTCVT_UTF8, *k);
                    const bool took = take_as_is(&st, reinterpret_cast<const uint8_t *>(text.data()), text.size());
                    expect(took, ref.status == SEPTCVT_OK && ref.out == text, "a byte", name, at, b);
                    if (took && (st.total_in != text.size() || st.total_out != text.size()))
                        expect(false, true, "counted", name, at, b);
                }
            }
        }
        const uint8_t *plain = reinterpret_cast<const uint8_t *>(filler.data());
        size_t used, n;
        uint8_t out[16];
        for (const char *before : {"ab", "a\x1b"}) { /* the escape makes the next block's first byte another */
            start_default(&st, SEPTCVT_TO_UNICODE, SEPTCVT_UTF8, *k);
            septcvt_convert(&st, before, 2, &used, out, sizeof out, &n);
            expect(take_as_is(&st, plain, 200), before[1] == 'b', before[1] == 'b' ? "after a code" : "after an escape", name, 0, 0);
        }
        start_default(&st, SEPTCVT_TO_UNICODE, SEPTCVT_UCS2, *k);
        septcvt_convert(&st, nullptr, 0, &used, out, sizeof out, &n); /* the mark out */
        expect(take_as_is(&st, plain, 200), false, "into UCS-2", name, 0, 0);
        start_conversion(&st, SEPTCVT_TO_UNICODE, SEPTCVT_UTF8, 1, 1, *k);
        expect(take_as_is(&st, plain, 200), false, "through a pair", name, 0, 0);
        start_default(&st, SEPTCVT_TO_GSM, SEPTCVT_UTF8, *k);
        expect(take_as_is(&st, plain, 200), false, "into GSM", name, 0, 0);
        if (*k == nullptr)
            return failed;
    }
}

int main(int argc, char **argv)
{
    using namespace std::string_literals;
    printf("kernels:");
    for (const kernel_set *const *k = runnable_kernels(); *k != nullptr; ++k)
        printf(" %s", (*k)->name);
    printf(" scalar\nchosen: %s\n", chosen_kernels() != nullptr ? chosen_kernels()->name : "scalar");
    if (argc > 1 && strcmp(argv[1], "--kernels") == 0) /* the lists alone: what the program runs, SEPTCVT_KERNELS heeded */
        return 0;
    /* --sample: only the sample of national pairs, for emulators. */
    const bool sample_only = argc > 1 && strcmp(argv[1], "--sample") == 0;
    const char *data = argc > 1 + sample_only ? argv[1 + sample_only] : NATIONAL_DATA;
    int passed = 0, failed = 0;
    auto check = [&](int mode, const std::string &in, unsigned seed) {
        watchdog();
        if (core_agrees(mode >= 2, mode % 2 == 1, in, seed))
            return void(++passed);
        if (++failed <= 20)
            printf("FAIL: mode %d, seed %u, %zu bytes\n", mode, seed, in.size());
    };
    for (unsigned b = 0; b < 256; ++b) /* a window and a half of it, alone, after an escape */
        for (int mode : {0, 1, 2})
            check(mode, std::string(48, static_cast<char>(b)) + std::string(16, 'a') + std::string{static_cast<char>(b), 'A', '\x1b', static_cast<char>(b), 'B'}, b);
    for (unsigned u = 0; u < 0x10000; ++u) { /* also every first unit: the mark, or no mark */
        const std::string le{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        check(3, le + "A\0B\0"s, u);
        check(3, "\xff\xfe" + le + "A\0"s, u);
        check(3, "\xfe\xff" + std::string{le[1], le[0]}, u);
        check(2, ref_utf8(u) + "A", u);
    }
    std::string units[2] = {"\xff\xfe", "\xfe\xff"}; /* every unit in one text, 64 to a window of the kernels */
    for (unsigned u = 0; u < 0x10000; ++u)
        for (int order = 0; order < 2; ++order)
            units[order] += std::string{static_cast<char>(order == 0 ? u & 0xFF : u >> 8), static_cast<char>(order == 0 ? u >> 8 : u & 0xFF)};
    check(3, units[0], 1);
    check(3, units[1], 2);
    for (int mode = 0; mode < 4; ++mode) /* no input, and a single byte: half a UCS-2 mark */
        for (const std::string &tiny : {""s, "\xff"s})
            check(mode, tiny, 0);
    /* By mode (forward to UTF-8 and to UCS-2, reverse from UTF-8 and from
     * UCS-2): special sequences, and fillers that the kernels take whole or
     * in mixed windows, or that give the most output a block may give (two
     * bytes a code, three for an escape pair, an escape pair for a byte);
     * each special inside the text, and at its very end. */
    const std::vector<std::string> specials[4] = {
        {"\x1b\x65", "\x1b\x1b\x65", "\x1b\x41", "\x80", "\x1b\xff", "\x10\x00\x24"s, "\x1b"},
        {"\x1b\x28", "\x1b\x1b\x1b", "\x7f\x80"},
        {"\xce\x94", "{", "\xe2\x82\xac", "\xf0\x90\x81\x81", "\xc0\x80", "\x80", "\xc3\x41", "\xed\xa0\x80", "`", "\xce",
         "\xf8\x88\x80\x80\x80", "\xfd\xbf\xbf\xbf\xbf\xbf", "\xe0\x9f\xbf", "\xf0\x80\x81\x81", "\xf8\x87\xbf\xbf\xbf",
         "\xfc\x83\xbf\xbf\xbf\xbf", "\xef\xbf\xbe", "\xe2\x41\x42", "\xe2\x82\xad", "\xe2\x83\xac", "\xc4\xb0", "\xfe", "\xc0\xbf", "\xc1\x80", "\xc1\xbf", "\xe2\x82", "\xf0\x90\x80",
         "\xe2\x41", "\xf8\x88"},
        {"\x94\x03", "\xff\xfe", "A\x01", "`\0"s, "{\0"s, "\x94"}};
    const std::vector<std::string> fillers[4] = {{"abcdefghijklmnop", "a\x10\x04\x1b\x65" "b", "\x10", "\x1b\x65", "\x1b\x41"},
                                                 {"abcdefghijklmnop", "a\x10" "b", "\x10"},
                                                 {"abcdefghijklmnop", "a\xce\x94\xc3\xa9" "b", "{", "\xc3\xa2"}, {"a\0b\0"s, "1\0\x94\x03"s}};
    for (int mode = 0; mode < 4; ++mode) {
        for (const std::string &special : specials[mode]) {
            for (const std::string &filler : fillers[mode]) {
                for (size_t at = 0, place = 0; at <= 70; place = mode == 3 ? 2 * ++at : ++at) {
                    std::string in;
                    while (in.size() < place + 80)
                        in += filler;
                    for (const std::string &text : {in.substr(0, place) + special + in.substr(place, 72), in.substr(0, place) + special})
                        check(mode, mode == 3 ? "\xff\xfe" + text : text, static_cast<unsigned>(at));
                }
            }
        }
    }
    for (int mode = 0; mode < 4; ++mode) { /* several times the buffer the whole-buffer calls keep */
        std::string text = mode == 3 ? "\xff\xfe" : "";
        while (text.size() < 5000)
            text += fillers[mode][1] + specials[mode][0];
        check(mode, text, 5);
    }
    failed += check_as_is(passed);
    failed += check_pairs(data, sample_only, passed);
    printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
