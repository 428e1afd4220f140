/* Time of the planner per text, in memory through the library: each text
 * read from a file once, then planned (septcvt_plan_text, and the user data
 * of every part) over and over, the texts interleaved round after round,
 * every other round in reverse order; in the same rounds the plan alone,
 * and every part of the plan written as SMS-SUBMIT (septcvt_submit_part,
 * the plan made once). Prints, per text, the median microseconds of one
 * plan, its status, parts and encoding, then those of the plan alone and
 * of its SUBMITs, one line each, tab-separated for bench/run.py. Fails when
 * a text cannot be read or a plan or a SUBMIT goes wrong, never on timing.
 *
 * septcvt_planner_bench [--rounds N] [--languages MASK] FILE...
 * septcvt_planner_bench --parts FILE...
 *
 * MASK allows the same languages for the locking and the single shift
 * tables (0x3FFE: all 13; 0, the default: none). --parts prints instead
 * each text's plan with no language and with all 13 allowed, and the
 * septets or UTF-16 units of every part, to set beside other splitters. */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <septcvt.h>

namespace {

struct text {
    std::string name; /* the file's name without its directory */
    std::string bytes;
};

bool read_file(const char *path, text &t)
{
    FILE *f = fopen(path, "rb");
    if (f == nullptr)
        return false;
    char block[65536];
    for (size_t n; (n = fread(block, 1, sizeof block, f)) > 0;)
        t.bytes.append(block, n);
    const bool ok = !ferror(f);
    fclose(f);
    const std::string p = path;
    t.name = p.substr(p.find_last_of('/') + 1);
    return ok;
}

/* Room for every part a plan may take, made once, so that the time of a
 * plan holds no allocation, as a sender's need not. */
septcvt_part parts[SEPTCVT_MOST_PARTS];
/* What the user data came to, kept so that making it is not optimised away. */
volatile unsigned sink;

struct outcome {
    int status;
    septcvt_plan plan;
};

/* One plan of t and the user data of each of its parts, as a sender
 * makes them. A status other than OK or too many parts is a failure. */
outcome plan_once(const text &t, const septcvt_plan_options &options, unsigned *checksum)
{
    outcome o{};
    o.status = septcvt_plan_text(SEPTCVT_UTF8, t.bytes.data(), t.bytes.size(), &options, &o.plan, parts,
                                 SEPTCVT_MOST_PARTS, nullptr);
    if (o.status != SEPTCVT_OK)
        return o;
    for (size_t k = 0; k < o.plan.parts; ++k) {
        septcvt_user_data ud;
        const int status = septcvt_part_user_data(t.bytes.data(), t.bytes.size(), &options, &o.plan, parts, k,
                                                  static_cast<unsigned>(k), &ud);
        if (status != SEPTCVT_OK) {
            o.status = status;
            return o;
        }
        *checksum += static_cast<unsigned>(ud.udl) + (ud.length > 0 ? ud.ud[ud.length - 1] : 0u);
    }
    return o;
}

/* The plan alone. */
int plan_alone(const text &t, const septcvt_plan_options &options, unsigned *checksum)
{
    septcvt_plan plan;
    const int status = septcvt_plan_text(SEPTCVT_UTF8, t.bytes.data(), t.bytes.size(), &options, &plan, parts,
                                         SEPTCVT_MOST_PARTS, nullptr);
    *checksum += static_cast<unsigned>(plan.parts);
    return status;
}

/* Every part of a plan made before (o.plan, with the parts it left in
 * submit_parts[i]) as SMS-SUBMIT, with the modem's service centre. */
std::vector<std::vector<septcvt_part>> submit_parts;
int submits(const text &t, size_t i, const outcome &o, const septcvt_plan_options &options, unsigned *checksum)
{
    septcvt_tpdu fields{};
    snprintf(fields.address.text, sizeof fields.address.text, "+4915123456789");
    for (size_t k = 0; k < o.plan.parts && o.status == SEPTCVT_OK; ++k) {
        uint8_t out[SEPTCVT_TPDU_OCTETS];
        size_t n, cmgs;
        const int status = septcvt_submit_part(t.bytes.data(), t.bytes.size(), &options, &o.plan, submit_parts[i].data(),
                                               k, static_cast<unsigned>(k), &fields, 1, out, sizeof out, &n, &cmgs,
                                               nullptr);
        if (status != SEPTCVT_OK)
            return status;
        *checksum += static_cast<unsigned>(cmgs) + out[n - 1];
    }
    return SEPTCVT_OK;
}

const char *encoding(const septcvt_plan &p, char *buf, size_t size)
{
    if (p.dcs == SEPTCVT_DCS_UCS2)
        return "UCS-2";
    snprintf(buf, size, "7-bit(%d,%d)", p.locking, p.single);
    return buf;
}

double median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return (t[(t.size() - 1) / 2] + t[t.size() / 2]) / 2;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int usage(const char *self)
{
    fprintf(stderr, "usage: %s [--rounds N] [--languages MASK] FILE...\n       %s --parts FILE...\n", self, self);
    return 2;
}

/* Each text's plan without languages and with all 13, and its parts. */
int print_parts(const std::vector<text> &texts)
{
    for (const text &t : texts) {
        printf("%s", t.name.c_str());
        for (const uint16_t mask : {0, 0x3FFE}) {
            septcvt_plan_options options{};
            options.locking_languages = options.single_languages = mask;
            septcvt_plan plan;
            const int status = septcvt_plan_text(SEPTCVT_UTF8, t.bytes.data(), t.bytes.size(), &options, &plan, parts,
                                                 SEPTCVT_MOST_PARTS, nullptr);
            char buf[32];
            if (status != SEPTCVT_OK) {
                printf("\t%s", septcvt_strerror(status));
                continue;
            }
            printf("\t%s %zu:", encoding(plan, buf, sizeof buf), plan.parts);
            for (size_t k = 0; k < plan.parts; ++k)
                printf("%s%zu", k == 0 ? "" : "+", parts[k].length);
        }
        printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    long rounds = 5;
    unsigned long mask = 0;
    bool show_parts = false;
    std::vector<text> texts;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        char *end = nullptr;
        if (opt == "--rounds" && i + 1 < argc) {
            rounds = strtol(argv[++i], &end, 10);
            if (*end != '\0' || rounds < 1 || rounds > 1000)
                return usage(argv[0]);
        } else if (opt == "--languages" && i + 1 < argc) {
            mask = strtoul(argv[++i], &end, 0);
            if (*end != '\0' || mask > 0xFFFF)
                return usage(argv[0]);
        } else if (opt == "--parts") {
            show_parts = true;
        } else if (opt.compare(0, 2, "--") == 0) {
            return usage(argv[0]);
        } else {
            texts.emplace_back();
            if (!read_file(argv[i], texts.back())) {
                fprintf(stderr, "septcvt_planner_bench: cannot read %s\n", argv[i]);
                return 1;
            }
        }
    }
    if (texts.empty())
        return usage(argv[0]);
    if (show_parts)
        return print_parts(texts);

    septcvt_plan_options options{};
    options.locking_languages = options.single_languages = static_cast<uint16_t>(mask);
    /* Each text once, checked; then planned for 10 ms, to learn how often
     * to plan it in a round so that a round of it takes a few milliseconds
     * and the clock's grain does not show. */
    unsigned checksum = 0;
    std::vector<outcome> outcomes;
    std::vector<long> reps;
    for (const text &t : texts) {
        outcomes.push_back(plan_once(t, options, &checksum));
        const int status = outcomes.back().status;
        if (status != SEPTCVT_OK && status != SEPTCVT_TOO_MANY_PARTS) {
            fprintf(stderr, "septcvt_planner_bench: %s: %s\n", t.name.c_str(), septcvt_strerror(status));
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        long calls = 0;
        do {
            plan_once(t, options, &checksum);
            ++calls;
        } while (seconds_since(start) < 10e-3);
        reps.push_back(std::max(1L, static_cast<long>(2e-3 * static_cast<double>(calls) / seconds_since(start))));
    }

    /* The parts of each plan, kept for its SUBMITs. */
    for (const text &t : texts) {
        plan_once(t, options, &checksum);
        submit_parts.emplace_back(parts, parts + SEPTCVT_MOST_PARTS);
    }

    std::vector<std::vector<double>> seconds(texts.size()), alone(texts.size()), submitted(texts.size());
    for (long r = 0; r < rounds; ++r)
        for (size_t n = 0; n < texts.size(); ++n) {
            const size_t i = r % 2 == 0 ? n : texts.size() - 1 - n;
            auto start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (plan_once(texts[i], options, &checksum).status != outcomes[i].status) {
                    fprintf(stderr, "septcvt_planner_bench: %s: the same text planned otherwise\n",
                            texts[i].name.c_str());
                    return 1;
                }
            seconds[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                plan_alone(texts[i], options, &checksum);
            alone[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (submits(texts[i], i, outcomes[i], options, &checksum) != SEPTCVT_OK) {
                    fprintf(stderr, "septcvt_planner_bench: %s: a SUBMIT went wrong\n", texts[i].name.c_str());
                    return 1;
                }
            submitted[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
        }

    for (size_t i = 0; i < texts.size(); ++i) {
        char buf[32];
        const outcome &o = outcomes[i];
        printf("%s\t%zu\t%.3f\t%s\t%zu\t%s\t%.3f\t%.3f\n", texts[i].name.c_str(), texts[i].bytes.size(),
               median(seconds[i]) * 1e6, o.status == SEPTCVT_OK ? "SEPTCVT_OK" : "SEPTCVT_TOO_MANY_PARTS", o.plan.parts,
               encoding(o.plan, buf, sizeof buf), median(alone[i]) * 1e6, median(submitted[i]) * 1e6);
    }
    sink = checksum;
    return 0;
}
