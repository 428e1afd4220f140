/* Throughput of the conversions with national language tables beside the
 * default pair's, in memory through the library: SMS-like GSM text in
 * blocks of 64 KiB, as a gateway might feed them, through the default
 * pair on the scalar core and with the vector kernels, and through the
 * Turkish, Portuguese, Hindi and Urdu pairs with the vector kernels, each
 * way. Prints the median MB/s of GSM text, each speed against the default
 * pair's scalar core, and each pair's against the default pair's with the
 * same kernels (target: at least half). Fails when a conversion goes
 * wrong, never on timing.
 *
 * septcvt_pairs [--mb N] [--rounds N] */
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "conversion.h"
#include "gsm_tables.h"
#include "kernels.h"
#include "national.h"

namespace {

constexpr size_t BLOCK_SIZE = 65536;
/* Room for a block's worst growth through any pair; each conversion is
 * handed the room septcvt_output_room_pair gives for its own. */
uint8_t output_block[interface_room(BLOCK_SIZE, MOST_GROWTH)];

struct tables { const char *name; int locking, single; bool vector; };
const tables setups[] = {{"default, scalar", 0, 0, false}, {"default, vector", 0, 0, true},
                         {"Turkish (1,1)", 1, 1, true},     {"Portuguese (3,3)", 3, 3, true},
                         {"Hindi (6,6)", 6, 6, true},       {"Urdu (13,13)", 13, 13, true}};
struct way { const char *name; int direction, form; };
/* The reverse ways come after the forward ones in the same order: their
 * input is what the forward conversion through the same pair gave. */
const way ways[] = {{"GSM -> UTF-8", SEPTCVT_TO_UNICODE, SEPTCVT_UTF8},
                    {"GSM -> UCS-2", SEPTCVT_TO_UNICODE, SEPTCVT_UCS2},
                    {"UTF-8 -> GSM", SEPTCVT_TO_GSM, SEPTCVT_UTF8},
                    {"UCS-2 -> GSM", SEPTCVT_TO_GSM, SEPTCVT_UCS2}};
constexpr int SETUPS = 6, WAYS = 4;

/* A conversion's input or output: the first `lead` bytes (the UCS-2 mark)
 * come once, the rest as often as the text is repeated. The text is one
 * deterministic megabyte repeated, as in run.py; feeding that megabyte over
 * and over keeps memory small whatever --mb asks. */
struct text { std::vector<uint8_t> bytes; size_t lead = 0; };

int feed(septcvt_state &st, size_t room, const uint8_t *in, size_t len, std::vector<uint8_t> *keep)
{
    int status = SEPTCVT_OK;
    for (size_t pos = 0; pos < len && status == SEPTCVT_OK;) {
        size_t used = 0, n = 0;
        status = septcvt_convert(&st, in + pos, std::min(BLOCK_SIZE, len - pos), &used, output_block, room, &n);
        if (keep != nullptr)
            keep->insert(keep->end(), output_block, output_block + n);
        if (used == 0 && status == SEPTCVT_OK)
            status = SEPTCVT_NO_ROOM; /* no progress would loop for ever */
        pos += used;
    }
    return status;
}

/* Converts in, its body `times` over, as one input; the output goes to
 * *keep where given, and its length to *total. */
int convert(const tables &p, const way &w, const text &in, long times, std::vector<uint8_t> *keep, uint64_t *total)
{
    septcvt_state st{};
    const kernel_set *kernels = p.vector ? chosen_kernels() : nullptr;
    int status = start_conversion(&st, w.direction, w.form, p.locking, p.single, kernels);
    const size_t room = septcvt_output_room_pair(BLOCK_SIZE, p.locking, p.single);
    if (status == SEPTCVT_OK)
        status = feed(st, room, in.bytes.data(), in.lead, keep);
    for (long t = 0; t < times && status == SEPTCVT_OK; ++t)
        status = feed(st, room, in.bytes.data() + in.lead, in.bytes.size() - in.lead, keep);
    *total = st.total_out;
    return status == SEPTCVT_OK ? septcvt_finish(&st) : status;
}

/* Whether a code or an escape pair comes back from Unicode as it was, in
 * every pair measured; the text holds only such, so it round-trips exactly. */
bool round_trips(const uint8_t *gsm, size_t len)
{
    for (const tables &p : setups) {
        uint8_t unicode[8], back[8];
        size_t n = 0, m = 0;
        uint64_t unmapped = 0, offset = 0;
        if (septcvt_to_unicode_pair(SEPTCVT_UTF8, p.locking, p.single, gsm, len, unicode, sizeof unicode, &n,
                                    &unmapped) != SEPTCVT_OK ||
            septcvt_to_gsm_pair(SEPTCVT_UTF8, p.locking, p.single, unicode, n, back, sizeof back, &m, &unmapped,
                                &offset) != SEPTCVT_OK ||
            m != len || !std::equal(gsm, gsm + len, back))
            return false;
    }
    return true;
}

/* A number from low to a million, and whole where asked. */
bool number(const char *arg, double low, bool whole, double *value)
{
    char *end = nullptr;
    *value = arg != nullptr ? strtod(arg, &end) : 0;
    return arg != nullptr && *arg != '\0' && *end == '\0' && *value >= low && *value <= 1e6 &&
           (!whole || *value == std::floor(*value));
}

double median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return (t[(t.size() - 1) / 2] + t[t.size() / 2]) / 2;
}

int fail(const tables &p, const way &w, const char *what)
{
    fprintf(stderr, "septcvt_pairs: %s, %s: %s\n", p.name, w.name, what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    double mb = 20, rounds = 5;
    for (int i = 1; i < argc; i += 2) {
        const std::string opt = argv[i];
        if (!(opt == "--mb" && number(argv[i + 1], 1e-3, false, &mb)) &&
            !(opt == "--rounds" && number(argv[i + 1], 1, true, &rounds))) {
            fprintf(stderr, "usage: %s [--mb N] [--rounds N]\n", argv[0]);
            return 2;
        }
    }
    /* Mostly small letters, digits and spaces, which every pair keeps at
     * their codes as ASCII, so that each pair's Unicode text has the same
     * share of characters outside ASCII (capitals would read as Indian
     * letters through the Indian pairs); about one code in nine is a code
     * that does not stand for itself, or an escape pair. */
    std::vector<std::vector<uint8_t>> others;
    for (int c = 0; c < 0x80; ++c) {
        const uint8_t pair[2] = {GSM_ESCAPE, static_cast<uint8_t>(c)};
        if (c != GSM_ESCAPE && gsm_base_table[c] != c && round_trips(pair + 1, 1))
            others.push_back({pair[1]});
        if (gsm_escape_table[c] != NO_MAPPING && round_trips(pair, 2))
            others.push_back({pair[0], pair[1]});
    }
    if (others.empty()) {
        fprintf(stderr, "septcvt_pairs: no code outside letters, digits and spaces comes back as it was\n");
        return 1;
    }
    const char common[] = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"
                          "abcdefghijklmnopqrstuvwxyz0123456789              ";
    const size_t size = static_cast<size_t>(mb * 1e6), chunk = std::min<size_t>(size, 1 << 20);
    text gsm;
    uint64_t seed = 2001;
    while (gsm.bytes.size() < chunk) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const uint32_t r = static_cast<uint32_t>(seed >> 33);
        if (r % 9 == 0) {
            const std::vector<uint8_t> &o = others[(r / 9) % others.size()];
            gsm.bytes.insert(gsm.bytes.end(), o.begin(), o.end());
        } else {
            gsm.bytes.push_back(static_cast<uint8_t>(common[(r / 9) % (sizeof common - 1)]));
        }
    }
    const long times = std::max(1L, std::lround(static_cast<double>(size) / static_cast<double>(gsm.bytes.size())));

    /* Each conversion once, whole: the forward output is the reverse input,
     * and the reverse output must be the GSM text again. */
    text inputs[SETUPS][WAYS], outputs[SETUPS][WAYS];
    for (int s = 0; s < SETUPS; ++s)
        for (int w = 0; w < WAYS; ++w) {
            inputs[s][w] = w < 2 ? gsm : outputs[s][w - 2];
            outputs[s][w].lead = ways[w].direction == SEPTCVT_TO_UNICODE && ways[w].form == SEPTCVT_UCS2 ? 2 : 0;
            uint64_t total = 0;
            const int status = convert(setups[s], ways[w], inputs[s][w], 1, &outputs[s][w].bytes, &total);
            if (status != SEPTCVT_OK)
                return fail(setups[s], ways[w], septcvt_strerror(status));
            if (w >= 2 && outputs[s][w].bytes != gsm.bytes)
                return fail(setups[s], ways[w], "the round trip did not give the GSM text back");
        }

    /* Rounds interleaved, every other one in reverse order, as in run.py. */
    std::vector<double> seconds[SETUPS][WAYS];
    for (int r = 0; r < rounds; ++r)
        for (int k = 0; k < SETUPS * WAYS; ++k) {
            const int i = r % 2 == 0 ? k : SETUPS * WAYS - 1 - k, s = i % SETUPS, w = i / SETUPS;
            const text &out = outputs[s][w];
            uint64_t total = 0;
            const auto start = std::chrono::steady_clock::now();
            const int status = convert(setups[s], ways[w], inputs[s][w], times, nullptr, &total);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            seconds[s][w].push_back(took.count());
            if (status != SEPTCVT_OK)
                return fail(setups[s], ways[w], septcvt_strerror(status));
            if (total != out.lead + (out.bytes.size() - out.lead) * static_cast<uint64_t>(times))
                return fail(setups[s], ways[w], "the output has not the length of the text's");
        }

    const double text_mb = static_cast<double>(gsm.bytes.size()) * static_cast<double>(times) / 1e6;
    const kernel_set *kernels = chosen_kernels();
    printf("pairs: %.0f MB of GSM text (SMS-like; besides small letters, digits and spaces, the %zu codes and escape "
           "pairs that every pair maps both ways), %d interleaved rounds, in memory, MB/s of GSM text (median); "
           "vector kernels: %s\n",
           text_mb, others.size(), static_cast<int>(rounds), kernels != nullptr ? kernels->name : "none");
    printf("%-14s %-17s %7s %8s %8s\n", "direction", "tables", "MB/s", "/scalar", "/vector");
    int missed = 0;
    for (int w = 0; w < WAYS; ++w) {
        double speed[SETUPS];
        for (int s = 0; s < SETUPS; ++s)
            speed[s] = text_mb / median(seconds[s][w]);
        for (int s = 0; s < SETUPS; ++s) {
            const bool pair = setups[s].locking != 0;
            missed += pair && speed[s] / speed[1] < 0.5;
            printf("%-14s %-17s %7.0f %8.2f %8.2f%s\n", s == 0 ? ways[w].name : "", setups[s].name, speed[s],
                   speed[s] / speed[0], speed[s] / speed[1], pair ? "  (target /vector >= 0.50)" : "");
        }
    }
    printf("pairs at half the default pair's vector speed or more: %d of %d rows%s\n", (SETUPS - 2) * WAYS - missed,
           (SETUPS - 2) * WAYS, missed == 0 ? ": met" : ": NOT met");
    return 0;
}
