/* Time of the planner per text, in memory through the library: each text
 * read from a file once, then planned (septcvt_plan_text, and the user data
 * of every part) over and over, the texts (each with every MASK given)
 * interleaved round after round, every other round in reverse order; in
 * the same rounds the plan alone,
 * every part of the plan written as SMS-SUBMIT (septcvt_submit_part, the
 * plan made once), every part as SMPP's submit_sm takes it
 * (septcvt_smpp_part), and those parts read back as a deliver_sm's and
 * joined (septcvt_join_part_from_smpp for each, then septcvt_join). Prints,
 * per text, the median microseconds of one plan, its status, parts and
 * encoding, then those of the plan alone, of its SUBMITs, of its SMPP
 * parts and of their reading and joining, and the mask, one line each (by
 * mask, then by text), tab-separated for bench/run.py. Fails when a text cannot be read or a plan, a SUBMIT, an
 * SMPP part or a join goes wrong, never on timing.
 *
 * septcvt_planner_bench [--rounds N] [--languages MASK]... FILE...
 * septcvt_planner_bench --parts FILE...
 *
 * MASK allows the same languages for the locking and the single shift
 * tables (0x3FFE: all 13; 0, the default: none); given more than once,
 * each text is timed with each. --parts prints instead each text's plan
 * with no language and with all 13 allowed, and the septets or UTF-16
 * units of every part, to set beside other splitters. */
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

/* Every part of a plan made before as submit_sm takes it, with the
 * concatenation element in the header; kept in smpp_messages[i] for the
 * join. */
std::vector<std::vector<septcvt_smpp_message>> smpp_messages;
int smpp_parts(const text &t, size_t i, const outcome &o, const septcvt_plan_options &options, unsigned *checksum)
{
    smpp_messages[i].resize(o.status == SEPTCVT_OK ? o.plan.parts : 0);
    for (size_t k = 0; k < smpp_messages[i].size(); ++k) {
        septcvt_smpp_message &m = smpp_messages[i][k];
        const int status = septcvt_smpp_part(t.bytes.data(), t.bytes.size(), &options, &o.plan, submit_parts[i].data(), k,
                                             static_cast<unsigned>(i & 0xFF), SEPTCVT_SMPP_UDH, -1, nullptr, &m);
        if (status != SEPTCVT_OK)
            return status;
        *checksum += static_cast<unsigned>(m.length) + (m.length > 0 ? m.short_message[m.length - 1] : 0);
    }
    return SEPTCVT_OK;
}

/* Those parts read as a deliver_sm's fields and joined into one message,
 * which must be the text planned. */
septcvt_join_part join_parts[SEPTCVT_MOST_PARTS];
septcvt_message joined[SEPTCVT_MOST_PARTS];
size_t join_indices[2 * SEPTCVT_MOST_PARTS];
std::vector<uint8_t> join_text;
int read_and_join(const text &t, size_t i, unsigned *checksum)
{
    const std::vector<septcvt_smpp_message> &messages = smpp_messages[i];
    if (messages.empty())
        return SEPTCVT_OK;
    for (size_t k = 0; k < messages.size(); ++k) {
        const septcvt_smpp_message &m = messages[k];
        septcvt_tpdu_fault fault;
        const int status = septcvt_join_part_from_smpp(m.short_message, m.length, 0, m.esm_class, m.data_coding, &m.sar,
                                                       nullptr, &join_parts[k], &fault);
        if (status != SEPTCVT_OK)
            return status;
    }
    join_text.resize(t.bytes.size() + 1);
    septcvt_join_room room{joined, SEPTCVT_MOST_PARTS, 0, join_indices, 2 * SEPTCVT_MOST_PARTS, 0,
                           join_text.data(), join_text.size(), 0};
    const int status = septcvt_join(join_parts, messages.size(), &room);
    if (status != SEPTCVT_OK)
        return status;
    if (room.messages_count != 1 || joined[0].text_len != t.bytes.size() ||
        memcmp(join_text.data() + joined[0].text_at, t.bytes.data(), t.bytes.size()) != 0)
        return SEPTCVT_BAD_ARGUMENT; /* not the text that went out */
    *checksum += static_cast<unsigned>(room.text_len);
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
    fprintf(stderr, "usage: %s [--rounds N] [--languages MASK]... FILE...\n       %s --parts FILE...\n", self, self);
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
    std::vector<unsigned long> masks;
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
            masks.push_back(strtoul(argv[++i], &end, 0));
            if (*end != '\0' || masks.back() > 0xFFFF)
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

    /* Each text with each mask, all timed in the same rounds. */
    if (masks.empty())
        masks.push_back(0);
    struct job {
        text t;
        septcvt_plan_options options;
    };
    std::vector<job> jobs;
    for (const unsigned long mask : masks)
        for (const text &t : texts) {
            septcvt_plan_options options{};
            options.locking_languages = options.single_languages = static_cast<uint16_t>(mask);
            jobs.push_back(job{t, options});
        }
    /* Each text once, checked; then planned for 10 ms, to learn how often
     * to plan it in a round so that a round of it takes a few milliseconds
     * and the clock's grain does not show. */
    unsigned checksum = 0;
    std::vector<outcome> outcomes;
    std::vector<long> reps;
    for (const job &j : jobs) {
        const text &t = j.t;
        const septcvt_plan_options &options = j.options;
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

    /* The parts of each plan, kept for its SUBMITs and SMPP parts; those
     * made once, checked, for the join. */
    smpp_messages.resize(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i) {
        plan_once(jobs[i].t, jobs[i].options, &checksum);
        submit_parts.emplace_back(parts, parts + SEPTCVT_MOST_PARTS);
        if (smpp_parts(jobs[i].t, i, outcomes[i], jobs[i].options, &checksum) != SEPTCVT_OK ||
            read_and_join(jobs[i].t, i, &checksum) != SEPTCVT_OK) {
            fprintf(stderr, "septcvt_planner_bench: %s: its SMPP parts went wrong or joined otherwise\n",
                    jobs[i].t.name.c_str());
            return 1;
        }
    }

    std::vector<std::vector<double>> seconds(jobs.size()), alone(jobs.size()), submitted(jobs.size()),
        smpp(jobs.size()), rejoined(jobs.size());
    for (long r = 0; r < rounds; ++r)
        for (size_t n = 0; n < jobs.size(); ++n) {
            const size_t i = r % 2 == 0 ? n : jobs.size() - 1 - n;
            auto start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (plan_once(jobs[i].t, jobs[i].options, &checksum).status != outcomes[i].status) {
                    fprintf(stderr, "septcvt_planner_bench: %s: the same text planned otherwise\n",
                            jobs[i].t.name.c_str());
                    return 1;
                }
            seconds[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                plan_alone(jobs[i].t, jobs[i].options, &checksum);
            alone[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (submits(jobs[i].t, i, outcomes[i], jobs[i].options, &checksum) != SEPTCVT_OK) {
                    fprintf(stderr, "septcvt_planner_bench: %s: a SUBMIT went wrong\n", jobs[i].t.name.c_str());
                    return 1;
                }
            submitted[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (smpp_parts(jobs[i].t, i, outcomes[i], jobs[i].options, &checksum) != SEPTCVT_OK) {
                    fprintf(stderr, "septcvt_planner_bench: %s: an SMPP part went wrong\n", jobs[i].t.name.c_str());
                    return 1;
                }
            smpp[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
            start = std::chrono::steady_clock::now();
            for (long k = 0; k < reps[i]; ++k)
                if (read_and_join(jobs[i].t, i, &checksum) != SEPTCVT_OK) {
                    fprintf(stderr, "septcvt_planner_bench: %s: the parts joined otherwise\n", jobs[i].t.name.c_str());
                    return 1;
                }
            rejoined[i].push_back(seconds_since(start) / static_cast<double>(reps[i]));
        }

    for (size_t i = 0; i < jobs.size(); ++i) {
        char buf[32];
        const outcome &o = outcomes[i];
        printf("%s\t%zu\t%.3f\t%s\t%zu\t%s\t%.3f\t%.3f\t%.3f\t%.3f\t0x%04X\n", jobs[i].t.name.c_str(), jobs[i].t.bytes.size(),
               median(seconds[i]) * 1e6, o.status == SEPTCVT_OK ? "SEPTCVT_OK" : "SEPTCVT_TOO_MANY_PARTS", o.plan.parts,
               encoding(o.plan, buf, sizeof buf), median(alone[i]) * 1e6, median(submitted[i]) * 1e6,
               median(smpp[i]) * 1e6, median(rejoined[i]) * 1e6, jobs[i].options.locking_languages);
    }
    sink = checksum;
    return 0;
}
