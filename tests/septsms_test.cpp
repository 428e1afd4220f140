/* septsms run as a user runs it: command lines and bytes in; standard
 * output, standard error and the exit status out. What it writes as JSON
 * is parsed and each part's user data read back by the library's reader,
 * as a receiver would. */
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <septcvt.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

/* Runs a shell script in a scratch folder that holds the file `in`, with
 * the function septsms running the program (SEPTSMS_COMMAND where set: an
 * emulator and the program, say); its status (124 where a watchdog
 * stopped it after 20 s) and what it wrote. */
struct Ran { int status; std::string out, err; };
Ran run(const std::string &script, const std::string &in = "")
{
    const fs::path dir = fs::temp_directory_path() / ("septsms-test-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directory(dir);
    std::ofstream(dir / "in", std::ios::binary) << in;
    std::ofstream(dir / "script") << "septsms() { $S \"$@\"; }\n" << script << "\n";
    const char *command = getenv("SEPTSMS_COMMAND");
    setenv("S", command && *command ? command : SEPTSMS_PATH, 1);
    const int wstatus = system(("cd " + dir.string() + " && timeout -k 1 20 sh script >out 2>err").c_str());
    const auto read = [&](const char *name) {
        std::ifstream f(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    Ran r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, read("out"), read("err")};
    fs::remove_all(dir);
    return r;
}

std::string file(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<uint8_t> octets(const std::string &hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

/* Every refusal: its status and its one line on standard error, with
 * nothing on standard output. */
TEST(Septsms, RefusalsSayWhatAndWhere)
{
    const std::string codes = " (the codes: tr es pt bn gu hi kn ml or pa ta te ur)\n", plan = "septsms: plan: ";
    const std::string reference = "a reference is a number from 0 to 65535\n", frame = "an element is its IEI, a length octet and as many octets of data\n";
    const std::string many(153 * 255 + 1, 'a'), long_hex = std::string(39, '0') + "\xC3\xA9\xC3\xA9";
    const struct { std::string script; int status; std::string err; } cases[] = {
        {"septsms", 2, "septsms: no command given; septsms --help lists them\n"},
        {"septsms pla", 2, "septsms: unknown command 'pla'; septsms --help lists them\n"},
        {"septsms -q plan", 2, "septsms: unknown option '-q'\n"},
        {"septsms --versio=1", 2, "septsms: option '--versio' takes no value\n"},
        {"septsms plan --bogus=1 --text a", 2, plan + "unknown option '--bogus'\n"},
        {"septsms plan --ref 1 --text a", 2, plan + "option '--ref' is ambiguous\n"},
        {"septsms plan --json=yes --text a", 2, plan + "option '--json' takes no value\n"},
        {"septsms plan -jx --text a", 2, plan + "unknown option '-j'\n"},
        {"septsms plan --text", 2, plan + "option '--text' needs a value\n"},
        {"septsms plan --text a in", 2, plan + "give texts with --text or in files, not both\n"},
        {"septsms plan --ucs2-input --text a", 2, plan + "--ucs2-input reads files and standard input, not --text\n"},
        {"septsms plan --reference 256 --text a", 2, plan + "--reference 256 needs --ref16: an 8-bit reference is 0-255\n"},
        {"septsms plan --reference 65536 --ref16 <in", 2, plan + "--reference '65536': " + reference},
        {"septsms plan --reference 18446744073709551621 <in", 2, plan + "--reference '18446744073709551621': " + reference},
        {"septsms plan --reference -1 <in", 2, plan + "--reference '-1': " + reference},
        {"septsms plan --reference '' <in", 2, plan + "--reference '': " + reference},
        {"septsms plan --languages tr,xx <in", 2, plan + "--languages 'tr,xx': unknown language 'xx'" + codes},
        {"septsms plan --locking t <in", 2, plan + "--locking 't': unknown language 't'" + codes},
        {"septsms plan --languages \"$(printf 'x\\ny')\" <in", 2, plan + "--languages 'x?y': unknown language 'x?y'" + codes},
        {"septsms plan --single tr, <in", 2, plan + "--single 'tr,': an empty language code\n"},
        {"septsms plan --element '0A 03 00 01 0' <in", 2, plan + "--element '0A 03 00 01 0': an odd number of hexadecimal digits\n"},
        {"septsms plan --element 0A0x <in", 2, plan + "--element '0A0x': character 4 is no hexadecimal digit\n"},
        {"septsms plan --element '0A 0 3' <in", 2, plan + "--element '0A 0 3': an odd number of hexadecimal digits\n"},
        {"septsms plan --element 0A <in", 2, plan + "--element '0A': " + frame},
        {"septsms plan --element 0A0201 <in", 2, plan + "--element '0A0201': " + frame},
        {"septsms plan --element " + long_hex + " <in", 2, plan + "--element '" + long_hex.substr(0, 39) + "...': character 40 is no hexadecimal digit\n"},
        {"septsms plan --element 08020001 <in", 2, plan + "--element: the concatenation and language elements (IEIs 00, 08, 24 and 25) are septsms's own\n"},
        {"septsms plan --element 7045" + std::string(138, '0') + " --element 7045" + std::string(138, '0') + " <in", 2,
         plan + "--element: the header elements come to more than the 140 octets of a part\n"},
        /* Texts refused, each named where it needs a name; the others go on. */
        {"printf 'ab\\377' | septsms plan", 1, plan + "malformed UTF-8 at byte 2\n"},
        {"printf 'ab' | septsms plan --ucs2-input -", 1, plan + "UCS-2 input begins with no byte-order mark (FF FE or FE FF)\n"},
        {"printf '\\377\\376a\\0b' >u; septsms plan --ucs2-input u", 1, plan + "u: malformed UCS-2 at byte 4\n"},
        {"printf '%s' " + many + " >m; septsms plan m", 1, plan + "m: the text takes 256 parts, more than the 255 a message can have\n"},
        {"septsms plan --element 708A" + std::string(276, '0') + " --text abc", 1, plan + "the header elements leave no room for the text\n"},
        /* What cannot be read or written. */
        {"septsms plan missing", 3, plan + "cannot read missing: No such file or directory\n"},
        {"septsms plan .", 3, plan + "cannot read .: Is a directory\n"},
        {"septsms plan <&-", 3, plan + "cannot read standard input: Bad file descriptor\n"},
        {"septsms plan --text a >/dev/full", 3, plan + "cannot write the output: No space left on device\n"},
        {"septsms plan --text a --json >&-", 3, plan + "cannot write the output: Bad file descriptor\n"},
        {"septsms plan --help >/dev/full", 3, plan + "cannot write the output: No space left on device\n"},
        {"septsms --version >&-", 3, "septsms: cannot write the output: Bad file descriptor\n"},
    };
    for (const auto &c : cases) {
        const Ran r = run(c.script, "hi");
        EXPECT_EQ(r.status, c.status) << c.script;
        EXPECT_EQ(r.err, c.err) << c.script;
        EXPECT_EQ(r.out, "") << c.script;
    }
    /* Several texts: each refused one is named, the rest planned, and with
     * --json each has its object; the worst status counts. */
    const Ran r = run("printf 'x\\377' >bad; septsms plan --json bad missing in", "ok");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, plan + "bad: malformed UTF-8 at byte 1\n" + plan + "cannot read missing: No such file or directory\n");
    std::vector<json> objects;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        objects.push_back(json::parse(line, nullptr, false));
    ASSERT_EQ(objects.size(), 3u) << r.out;
    EXPECT_EQ(objects[0], json::parse(R"({"version":1,"error":"bad: malformed UTF-8 at byte 1","error_offset":1})"));
    EXPECT_EQ(objects[1], json::parse(R"({"version":1,"error":"cannot read missing: No such file or directory"})"));
    EXPECT_EQ(objects[2]["parts"][0]["text"], "ok");
}

/* --help and --version answer on standard output. */
TEST(Septsms, HelpAndVersion)
{
    const Ran help = run("septsms --help"), plan_help = run("septsms plan -h"), version = run("septsms --version");
    EXPECT_EQ(help.status + plan_help.status + version.status, 0);
    EXPECT_EQ(help.err + plan_help.err + version.err, "");
    for (const char *option : {"--text", "--json", "--languages", "--locking", "--single", "--replace-lookalikes",
                               "--reference", "--ref16", "--element", "--ucs2-input", "--help"})
        EXPECT_NE(plan_help.out.find(std::string(" ") + option + " "), std::string::npos) << option;
    EXPECT_NE(help.out.find(plan_help.out), std::string::npos);
    EXPECT_EQ(version.out, std::string("septsms ") + septcvt_version() + "\ngrapheme clusters of Unicode " +
                               septcvt_unicode_version() + "\n");
}

/* Groff's escapes in the examples, back to the bytes they stand for. */
std::string unescape(const std::string &line)
{
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line.compare(i, 3, "\\[u") == 0) {
            const size_t end = line.find(']', i);
            const unsigned long c = std::stoul(line.substr(i + 3, end - i - 3), nullptr, 16);
            out += c < 0x80 ? std::string(1, static_cast<char>(c))
                   : c < 0x800 ? std::string{static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))}
                               : std::string{static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                                             static_cast<char>(0x80 | (c & 0x3F))};
            i = end;
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            out += line[++i] == 'e' ? '\\' : line[i];
        } else {
            out += line[i];
        }
    }
    return out;
}

/* Each example of the manual page, a block run whole in one shell, and the
 * README's: its commands ("$ " lines) print what follows them, standard
 * error included. */
TEST(Septsms, ExamplesOfTheManualPageAndTheReadme)
{
    for (const auto &[path, opens, closes] : {std::tuple{SEPTSMS_MAN_PAGE, ".EX", ".EE"}, std::tuple{SEPTSMS_README, "```console", "```"}}) {
        std::istringstream lines(file(path));
        std::string script, want, line;
        bool inside = false, groff = opens[0] == '.';
        int blocks = 0;
        while (std::getline(lines, line)) {
            if (!inside || line != closes) {
                const bool command = inside && line.compare(0, 2, "$ ") == 0;
                if (inside)
                    (command ? script : want) += (groff ? unescape(line) : line).substr(command ? 2 : 0) + "\n";
                inside = inside || line == opens;
                continue;
            }
            const Ran r = run("{\n" + script + "} 2>&1");
            EXPECT_EQ(r.out, want) << script;
            inside = false, script.clear(), want.clear(), ++blocks;
        }
        EXPECT_GE(blocks, 2) << path;
    }
}

/* Texts planned with --json, object by object: the parts follow one
 * another over the whole input, each part's user data reads back as its
 * text and names the tables and the reference the object names, and the
 * texts of the parts put together are what was to go out. */
TEST(Septsms, JsonReadsBackAsTheText)
{
    std::string emoji, turkish = "Sayın müşterimiz, siparişiniz yola çıktı. Kargonuz yarın öğleden önce teslim edilecek. ";
    std::vector<std::array<uint64_t, 3>> emoji_ruled;
    for (uint64_t k = 0; k < 30; ++k, emoji += "ok \xF0\x9F\x98\x80")
        emoji_ruled.push_back({4 * k + 3, 7 * k + 3, 0x1F600});
    const std::string lookalikes = "Don\xE2\x80\x99t miss it \xE2\x80\x93 our summer sale ends tonight\xE2\x80\xA6 Everything is half price, and delivery is free.";
    const std::string escapes = std::string(152, 'x') + "\xE2\x82\xAC" + std::string(200, 'y');
    const struct Case {
        const char *name, *options;
        std::string in, sent;
        int dcs;
        const char *locking, *single;
        size_t parts, replaced;
        std::vector<std::array<uint64_t, 3>> ruled_out; /* index, offset, code point */
    } cases[] = {
        {"an escape pair starts the next part", "", escapes, escapes, 0, nullptr, nullptr, 3, 0, {}},
        {"a national table", "--languages tr,es", turkish + turkish, turkish + turkish, 0, "tr", nullptr, 2, 0, {}},
        {"a single shift table alone", "--single tr", turkish, turkish, 0, nullptr, "tr", 1, 0, {}},
        {"emoji in UCS-2", "--languages tr", emoji, emoji, 8, nullptr, nullptr, 3, 0, emoji_ruled},
        {"look-alikes replaced", "--replace-lookalikes", lookalikes,
         "Don't miss it - our summer sale ends tonight... Everything is half price, and delivery is free.", 0, nullptr, nullptr, 1, 3, {}},
        {"UCS-2 little-endian", "--ucs2-input", std::string("\xFF\xFE\x3D\xD8\x00\xDE\x20\x00\x13\x20", 10),
         "\xF0\x9F\x98\x80 \xE2\x80\x93", 8, nullptr, nullptr, 1, 0, {{{0, 2, 0x1F600}}, {{2, 8, 0x2013}}}},
        {"UCS-2 big-endian", "--ucs2-input --replace-lookalikes", std::string("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00\x20\x13\xD8\x3D\xDE\x01", 14),
         "A\xF0\x9F\x98\x80\xE2\x80\x93\xF0\x9F\x98\x81", 8, nullptr, nullptr, 1, 0, {{{1, 4, 0x1F600}}, {{3, 10, 0x1F601}}}},
        {"elements and a 16-bit reference", "--element 0A03000102 --element '70 00' --ref16 --reference 4660", escapes, escapes, 0,
         nullptr, nullptr, 3, 0, {}},
    };
    for (const Case &c : cases) {
        const Ran r = run(std::string("septsms plan --json ") + c.options + " <in", c.in);
        ASSERT_EQ(r.status, 0) << c.name << r.err;
        const json o = json::parse(r.out, nullptr, false);
        ASSERT_FALSE(o.is_discarded()) << c.name << r.out;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << c.name;
        EXPECT_EQ(o["version"], 1);
        EXPECT_EQ(o["dcs"], c.dcs) << c.name;
        EXPECT_EQ(o["locking"], c.locking ? json(c.locking) : json()) << c.name;
        EXPECT_EQ(o["single"], c.single ? json(c.single) : json()) << c.name;
        EXPECT_EQ(o["reference_bits"], strstr(c.options, "ref16") ? 16 : 8) << c.name;
        EXPECT_EQ(o["replaced"].size(), c.replaced) << c.name;
        ASSERT_EQ(o["parts"].size(), c.parts) << c.name;
        std::string sent;
        size_t begin = c.in.compare(0, 2, "\xFF\xFE") == 0 || c.in.compare(0, 2, "\xFE\xFF") == 0 ? 2 : 0;
        for (size_t k = 0; k < c.parts; ++k) {
            const json &part = o["parts"][k];
            EXPECT_EQ(part["begin"], begin) << c.name << k;
            begin = part["end"];
            const std::vector<uint8_t> ud = octets(part["ud"]);
            EXPECT_EQ(to_string(part["ud"]).find_first_not_of("\"0123456789ABCDEF"), std::string::npos);
            septcvt_received back;
            ASSERT_EQ(septcvt_read_part(part["dcs"], part["udhi"], part["udl"], ud.data(), ud.size(), &back), SEPTCVT_OK) << c.name << k;
            const std::string text(reinterpret_cast<char *>(back.text), back.text_len);
            EXPECT_EQ(part["text"], text) << c.name << k;
            EXPECT_EQ(back.concatenated ? json(back.reference) : json(), o["reference"]) << c.name << k;
            EXPECT_EQ(back.total, c.parts > 1 ? c.parts : 0) << c.name;
            EXPECT_EQ(back.sequence, c.parts > 1 ? k + 1 : 0) << c.name;
            EXPECT_EQ(back.locking, c.locking ? SEPTCVT_TURKISH : 0) << c.name;
            EXPECT_EQ(back.single, c.single ? SEPTCVT_TURKISH : 0) << c.name;
            if (strstr(c.options, "--element")) {
                EXPECT_EQ(part["ud"].get<std::string>().substr(0, 28),
                          "0D080412340" + std::to_string(c.parts) + "0" + std::to_string(k + 1) + "0A030001027000") << k;
            }
            sent += text;
        }
        EXPECT_EQ(begin, c.in.size()) << c.name;
        EXPECT_EQ(sent, c.sent) << c.name;
        ASSERT_EQ(o["ruled_out"].size(), c.ruled_out.size()) << c.name;
        for (size_t i = 0; i < c.ruled_out.size(); ++i) {
            const json &x = o["ruled_out"][i];
            EXPECT_EQ((std::array<uint64_t, 3>{x["index"], x["offset"], x["code_point"]}), c.ruled_out[i]) << c.name << i;
        }
    }
}

/* A text of several parts with no reference given draws one for itself,
 * which the report prints and every part carries, and which given back
 * makes the same user data; draws differ from run to run. */
TEST(Septsms, ReferenceDrawnAtRandom)
{
    const std::string text(200, 'a');
    for (const std::string bits : {"", "--ref16"}) {
        std::set<unsigned> seen;
        for (int run_count = 0; run_count < 4; ++run_count) {
            const Ran drawn = run("septsms plan " + bits + " <in", text);
            const size_t at = drawn.out.find("reference: "), end = drawn.out.find(", drawn at random", at);
            ASSERT_NE(end, std::string::npos) << drawn.out;
            const std::string n = drawn.out.substr(at + 11, end - at - 11);
            seen.insert(std::stoul(n));
            const Ran given = run("septsms plan " + bits + " --reference " + n + " <in", text);
            EXPECT_EQ(drawn.out.substr(0, end) + drawn.out.substr(drawn.out.find('\n', end)), given.out);
            EXPECT_NE(drawn.out.find("(--reference " + n + " gives the same user data)\n"), std::string::npos);
        }
        EXPECT_GE(seen.size(), 2u) << bits;
        EXPECT_EQ(bits.empty(), *seen.rbegin() < 256) << bits;
    }
}

/* What the report says where the examples do not reach: a tie, a text no
 * one pair holds, several inputs, a dropped look-alike, escapes in text, a
 * list cut short. */
TEST(Septsms, ReportsForPeople)
{
    const std::string dash = "\xE2\x80\x93", zwsp = "\xE2\x80\x8B", a160(160, 'a');
    std::string dashes;
    for (int k = 0; k < 21; ++k)
        dashes += dash;
    const struct { std::string script, in, want; } cases[] = {
        {"septsms plan --languages tr --text \xC5\x9E", "",
         "encoding: UCS-2\nparts: 1, 69 UTF-16 units left\n7-bit ruled out: it would take as many parts or more, and UCS-2 wins a tie\n"
         "part 1: bytes 0-2, 1 UTF-16 units\n  text: \"\xC5\x9E\"\n"},
        {"septsms plan --locking tr,pt <in", "\xC4\xB1\xC5\x9F \xC3\xAA",
         "encoding: UCS-2\nparts: 1, 66 UTF-16 units left\n7-bit ruled out: allowed tables hold each character, but no one pair "
         "of them holds all up to character 3, byte 5\npart 1: bytes 0-7, 4 UTF-16 units\n  text: \"\xC4\xB1\xC5\x9F \xC3\xAA\"\n"},
        {"printf 'a\\342\\200\\213b\\001\"\\\\\\r\\n' | septsms plan --replace-lookalikes in -", a160 + zwsp,
         "input: in\nencoding: 7-bit, default alphabet\nparts: 1, 0 septets left\n1 look-alike replaced:\n  U+200B \"" + zwsp +
             "\" at character 160, byte 160 dropped\npart 1: bytes 0-163, 160 septets\n  text: \"" + a160 + "\"\n\n"
             "input: standard input\nencoding: UCS-2\nparts: 1, 62 UTF-16 units left\n7-bit ruled out by 1 character no allowed table holds:\n"
             "  U+0001 \"\\x01\" at character 3, byte 5\npart 1: bytes 0-10, 8 UTF-16 units\n  text: \"a" + zwsp + "b\\x01\\\"\\\\\\r\\n\"\n"},
        {"septsms plan <in", dashes,
         "encoding: UCS-2\nparts: 1, 49 UTF-16 units left\n7-bit ruled out by 21 characters no allowed table holds:\n"
         "  and 1 more (--json lists every one)\npart 1: bytes 0-63, 21 UTF-16 units\n  text: \"" + dashes + "\"\n"},
    };
    for (const auto &c : cases) {
        const Ran r = run(c.script + " | grep -v 'user data\\|^  U+2013'", c.in);
        EXPECT_EQ(r.out, c.want) << c.script;
    }
    EXPECT_EQ(run("septsms plan <in | grep -c '^  U+2013 \"" + dash + "\" at character'", dashes).out, "20\n");
}

} // namespace
