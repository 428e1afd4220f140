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

/* Every usage error and refused input of every command: its status and
 * its one line on standard error, with nothing on standard output. */
TEST(Septsms, RefusalsSayWhatAndWhere)
{
    const std::string submit = "septsms: submit: ", decode = "septsms: decode: ", smpp = "septsms: smpp: ";
    const std::string validity = ": a period (30m, 12h, 2d, 3w; at most 63w) or a time with its zone (2026-12-31T18:00+01:00)\n";
    const std::string number = ": a number of up to 20 digits (behind a '+' where it is international), or up to 11 characters of the default alphabet\n";
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
        /* The wire's commands. */
        {"septsms submit --text a", 2, submit + "--to NUMBER is needed: where the message goes\n"},
        {"septsms submit --to 123456789012345678901 --text a", 2, submit + "--to '123456789012345678901'" + number},
        {"septsms submit --to 1 --smsc Shop --text a", 2, submit + "--smsc 'Shop'" + number},
        {"septsms submit --to 1 --validity 64w --text a", 2, submit + "--validity '64w'" + validity},
        {"septsms submit --to 1 --validity 2026-13-01T00:00Z --text a", 2, submit + "--validity '2026-13-01T00:00Z'" + validity},
        {"septsms submit --to 1 --validity 2026-12-01T00:00+01:10 --text a", 2, submit + "--validity '2026-12-01T00:00+01:10'" + validity},
        {"septsms submit --to 1 --validity 2026-12-01T00:00 --text a", 2, submit + "--validity '2026-12-01T00:00'" + validity},
        {"septsms submit --to 1 --class 4 --text a", 2, submit + "--class '4': a message class is 0, 1, 2 or 3\n"},
        {"septsms submit --to 1 --mr 256 --text a", 2, submit + "--mr '256': a message reference is a number from 0 to 255\n"},
        {"septsms submit --to '' --text a", 2, submit + "--to ''" + number},
        {"septsms submit --to + --text a", 2, submit + "--to '+'" + number},
        {"septsms submit --to 1 --smsc + --text a", 2, submit + "--smsc '+'" + number},
        /* 7102 weeks wrap 32 bits to 3.7 days. */
        {"septsms submit --to 1 --validity 7102w --text a", 2, submit + "--validity '7102w'" + validity},
        {"printf 'ab\\377' | septsms submit --to 1", 1, submit + "malformed UTF-8 at byte 2\n"},
        {"septsms smpp --sar --payload --text a", 2, smpp + "--sar and --payload are two ways of sending a long text\n"},
        {"septsms smpp --smsc-alphabet ascii --text a", 2, smpp + "--smsc-alphabet 'ascii': gsm, gsm-packed or latin1\n"},
        {"septsms smpp --smsc-alphabet latin1 --text '\xE2\x82\xAC'", 1, smpp + "part 1: a character has no Latin-1 form (--smsc-alphabet latin1)\n"},
        {"septsms smpp --smsc-alphabet latin1 --languages tr --text 'Say\xC4\xB1n m\xC3\xBC\xC5\x9Fterimiz, sipari\xC5\x9Finiz yola \xC3\xA7\xC4\xB1kt\xC4\xB1. Kargonuz yar\xC4\xB1n \xC3\xB6\xC4\x9Fleden \xC3\xB6nce teslim edilecek.'", 1, smpp + "part 1: latin1 takes the default alphabet only, not a national table\n"},
        {"septsms decode --user-data --smpp 00", 2, decode + "--user-data and --smpp are two ways of reading\n"},
        {"septsms decode --smpp --no-smsc 00", 2, decode + "--no-smsc and --to-network are for TPDUs\n"},
        {"septsms decode --udl 3 00", 2, decode + "--dcs, --udhi and --udl go with --user-data\n"},
        {"septsms decode --esm-class 3 00", 2, decode + "--data-coding, --esm-class, --payload and --smsc-alphabet go with --smpp\n"},
        {"septsms decode --user-data --dcs 0 00", 2, decode + "--user-data needs --dcs and --udl\n"},
        {"septsms decode --smpp 00", 2, decode + "--smpp needs --data-coding\n"},
        {"septsms decode --user-data --dcs 0 --udl 1 --udhi 2 00", 2, decode + "--udhi '2': a number from 0 to 1 (or 0x and hexadecimal)\n"},
        {"septsms decode --smpp --data-coding 0x100 00", 2, decode + "--data-coding '0x100': a number from 0 to 255 (or 0x and hexadecimal)\n"},
        {"septsms decode --smpp --data-coding \"$(printf '\\021')\" 00", 2, decode + "--data-coding '?': a number from 0 to 255 (or 0x and hexadecimal)\n"},
        {"septsms decode --text 00 00", 2, decode + "give PDUs as operands or with --text, not both\n"},
        {"septsms decode missing <&-", 1, decode + "character 1 is no hexadecimal digit\n"},
        {"septsms decode <&-", 3, decode + "cannot read standard input: Bad file descriptor\n"},
        {"septsms join missing", 3, "septsms: join: cannot read missing: No such file or directory\n"},
        {"septsms join --bogus", 2, "septsms: join: unknown option '--bogus'\n"},
        {"printf '+CMGL: 1,1,,20\\n' | septsms join", 1, "septsms: join: line 1: no PDU follows\n"},
        /* Refused PDUs, each named where there are several. */
        {"septsms decode 0001", 1, decode + "first octet 01 at octet 1: TP-MTI 1, a TPDU of a type not read (a SUBMIT the modem stored? --to-network reads it)\n"},
        {"septsms decode --to-network 00010000810000A0C8", 1, decode + "TP-UDL 160 runs past the end at octet 7\n"},
        {"septsms decode --to-network 00010000810000A1", 1, decode + "TP-UDL 161 is out of range at octet 7\n"},
        {"septsms decode 0C9111111111111111111111110400810000", 1, decode + "SCA 12 is out of range at octet 0\n"},
        {"septsms decode 000400810000213A804115950A00", 1, decode + "TP-SCTS octet 3A does not hold together at octet 7\n"},
        {"septsms decode 00 0 0g", 1, decode + "PDU 1: TP-MTI runs past the end at octet 1\n" + decode + "PDU 2: an odd number of hexadecimal digits\n" + decode + "PDU 3: character 2 is no hexadecimal digit\n"},
        {"septsms decode --user-data --dcs 0 --udl 9 C834", 1, decode + "the user data: user data that does not hold together\n"},
        {"septsms decode --smpp --data-coding 6 48", 1, decode + "data_coding 0x06 names no alphabet read\n"},
        {"septsms decode --smpp --data-coding 0 --esm-class 0x40 ''", 1, decode + "short_message runs past the end at octet 0\n"},
        {"septsms decode --smpp --data-coding 4 " + std::string(510, '0'), 1, decode + "short_message of 255 octets is more than 254\n"},
        {"head -c 131072 /dev/zero | tr '\\0' 0 | septsms decode --smpp --payload --data-coding 4", 1,
         decode + "message_payload of 65536 octets is more than 65535\n"},
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
    const struct { const char *command; std::vector<const char *> options; } wire[] = {
        {"submit --to", {"--to", "--smsc", "--validity", "--class", "--report", "--mr", "--languages", "--json"}},
        {"smpp", {"--sar", "--payload", "--smsc-alphabet", "--replace-lookalikes", "--json"}},
        {"decode", {"--no-smsc", "--to-network", "--user-data", "--dcs", "--udhi", "--udl", "--smpp", "--data-coding", "--esm-class", "--payload", "--smsc-alphabet", "--json"}},
        {"join", {"--no-smsc", "--json"}},
    };
    for (const auto &w : wire) {
        const std::string name = std::string(w.command).substr(0, std::string(w.command).find(' '));
        const Ran r = run("septsms " + name + " --help");
        EXPECT_EQ(r.out.find("Usage: septsms " + std::string(w.command)), 0u) << r.out;
        EXPECT_NE(help.out.find(r.out), std::string::npos) << name;
        for (const char *option : w.options)
            EXPECT_NE(r.out.find(std::string("  ") + option + " "), std::string::npos) << name << option;
    }
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

std::string hex_of(const uint8_t *p, size_t n)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += std::string{DIGITS[p[i] >> 4], DIGITS[p[i] & 15]};
    return out;
}

/* A SUBMIT as the receiver's modem gives it: the same user data in a
 * DELIVER from the sender, behind a service centre. */
std::string delivered(const std::string &submit_hex, const char *from = "+31641600986")
{
    const std::vector<uint8_t> in = octets(submit_hex);
    septcvt_tpdu t;
    EXPECT_EQ(septcvt_tpdu_decode(in.data(), in.size(), 1, SEPTCVT_TO_NETWORK, &t, nullptr), SEPTCVT_OK) << submit_hex;
    t.type = SEPTCVT_DELIVER;
    strcpy(t.address.text, from);
    t.address.explicit_type = 0;
    strcpy(t.sc.text, "+31624000000");
    t.sc.explicit_type = 0;
    t.scts = {26, 12, 8, 14, 3, 21, 4};
    uint8_t out[SEPTCVT_TPDU_OCTETS];
    size_t n;
    EXPECT_EQ(septcvt_tpdu_encode(&t, 1, out, sizeof out, &n, nullptr, nullptr), SEPTCVT_OK);
    return hex_of(out, n);
}

/* A text through every step, as a gateway and a receiving modem take it:
 * plan, submit (each TPDU read back field by field with decode), the
 * parts received as DELIVERs in a modem's listing, shuffled, one repeated
 * and a stored SUBMIT among them, and join back to the text that went out. */
TEST(Septsms, PlanSubmitDecodeJoin)
{
    const std::string turkish = "Sayın müşterimiz, siparişiniz yola çıktı. Kargonuz yarın öğleden önce teslim edilecek. ";
    std::string emoji;
    for (int k = 0; k < 30; ++k)
        emoji += "ok \xF0\x9F\x98\x80";
    const std::string quote = "Don\xE2\x80\x99t miss it \xE2\x80\x93 our summer sale ends tonight\xE2\x80\xA6 ";
    const struct { const char *name, *options; std::string in, sent; size_t parts; int dcs; const char *locking; } cases[] = {
        {"the default alphabet", "", std::string(320, 'a') + "{\xE2\x82\xAC}", std::string(320, 'a') + "{\xE2\x82\xAC}", 3, 0, nullptr},
        {"a national pair", "--languages tr", turkish + turkish, turkish + turkish, 2, 0, "tr"},
        {"UCS-2 with emoji", "", emoji, emoji, 3, 8, nullptr},
        {"look-alikes replaced", "--replace-lookalikes", quote + quote + quote + quote,
         "Don't miss it - our summer sale ends tonight... Don't miss it - our summer sale ends tonight... "
         "Don't miss it - our summer sale ends tonight... Don't miss it - our summer sale ends tonight... ", 2, 0, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Ran planned = run(std::string("septsms plan --json --reference 7 ") + c.options + " <in", c.in);
        const Ran sent = run(std::string("septsms submit --json --to +4917612345678 --mr 254 --reference 7 ") + c.options + " <in", c.in);
        ASSERT_EQ(sent.status, 0) << sent.err;
        const json p = json::parse(planned.out), s = json::parse(sent.out);
        EXPECT_EQ(s["version"], 1);
        EXPECT_EQ(s["dcs"], c.dcs);
        EXPECT_EQ(s["locking"], c.locking ? json(c.locking) : json());
        EXPECT_EQ(s["reference"], 7);
        ASSERT_EQ(s["parts"].size(), c.parts);
        std::string listing = "AT+CMGL=4\r\n+CMGL: 9,3,,12\r\n0001000B911326880736F40000A90AE8329BFD4697D9EC37\r\n";
        std::string shown;
        for (size_t k = c.parts; k-- > 0;) {
            const json &part = s["parts"][k];
            EXPECT_EQ(part["message_reference"], (254 + k) % 256);
            EXPECT_EQ(part["sc_length"], 1);
            EXPECT_EQ(part["tpdu"].get<std::string>().size(), 2 * (part["sc_length"].get<size_t>() + part["tpdu_length"].get<size_t>()));
            const Ran d = run("septsms decode --json --to-network " + part["tpdu"].get<std::string>());
            ASSERT_EQ(d.status, 0) << d.err;
            const json o = json::parse(d.out);
            EXPECT_EQ(o["type"], "SMS-SUBMIT");
            EXPECT_EQ(o["address"], json::parse(R"({"ton":1,"npi":1,"text":"+4917612345678"})"));
            EXPECT_EQ(o["message_reference"], part["message_reference"]);
            EXPECT_EQ(o["tpdu_length"], part["tpdu_length"]);
            EXPECT_EQ(o["dcs"], c.dcs);
            EXPECT_EQ(o["udl"], p["parts"][k]["udl"]);
            EXPECT_EQ(o["ud"], p["parts"][k]["ud"]);
            EXPECT_EQ(o["text"], p["parts"][k]["text"]);
            EXPECT_EQ(o["locking"], c.locking ? json(c.locking) : json());
            EXPECT_EQ((std::array<json, 4>{o["concatenated"], o["reference"], o["total"], o["sequence"]}),
                      (std::array<json, 4>{1, 7, c.parts, k + 1}));
            shown = o["text"].get<std::string>() + shown;
            const std::string deliver = delivered(part["tpdu"]);
            listing += "+CMGL: " + std::to_string(k) + ",1,," + std::to_string(deliver.size() / 2 - 8) + "\r\n" + deliver + "\r\n";
            if (k == 1)
                listing += "+CMT: ," + std::to_string(deliver.size() / 2 - 8) + "\r\n" + deliver + "\r\n";
        }
        EXPECT_EQ(shown, c.sent);
        const Ran joined = run("septsms join --json <in", listing + "OK\r\n");
        ASSERT_EQ(joined.status, 0) << joined.err;
        const json j = json::parse(joined.out);
        EXPECT_EQ(j["kind"], "joined");
        EXPECT_EQ(j["address"]["text"], "+31641600986");
        EXPECT_EQ(j["total"], c.parts);
        EXPECT_EQ(j["repeats"], 1);
        EXPECT_EQ(j["parts"].size(), c.parts);
        EXPECT_EQ(j["parts"][0], "line " + std::to_string(2 * c.parts + 5));
        EXPECT_EQ(j["text"], c.sent);
    }
}

/* join over the cases a receiving modem brings: two senders mixed, a part
 * missing, two parts in conflict, a part that stands alone, bare lines
 * without a service centre, and a listing whose lengths do not agree. */
TEST(Septsms, JoinSortsAndTellsWhatIsMissing)
{
    const auto parts_of = [](const std::string &options) {
        const json s = json::parse(run("septsms submit --json --to 1 --reference 5 " + options + " <in", std::string(200, 'x')).out);
        std::vector<std::string> out;
        for (const json &p : s["parts"])
            out.push_back(delivered(p["tpdu"]));
        return out;
    };
    const std::vector<std::string> a = parts_of(""), b = parts_of("--ref16");
    std::string other = a[1];
    other[other.size() - 1] ^= 1; /* the same numbers, other user data */
    const std::string alone = delivered(json::parse(run("septsms submit --json --to 1 --text hi").out)["parts"][0]["tpdu"]);
    const Ran r = run("septsms join <in", a[0] + "\n" + b[1] + "\n" + a[1] + "\n" + other + "\n\n" + alone + "\n" + b[0].substr(0, 20) + "\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "septsms: join: line 7: TP-OA 11 runs past the end at octet 9\n"
                     "septsms: join: from +31641600986: reference 5 (8-bit), 2 parts: parts with the same numbers differ: line 3 and line 4\n"
                     "septsms: join: from +31641600986: reference 5 (16-bit), 2 parts: part 1 missing\n");
    EXPECT_EQ(r.out, "from +31641600986: conflict, reference 5 (8-bit), 2 parts\n  parts: line 1, line 3\n  in conflict: line 3 and line 4\n"
                     "from +31641600986: incomplete, reference 5 (16-bit), 2 parts\n  parts: line 2\n  missing: 1\n"
                     "from +31641600986: alone, no series\n  parts: line 6\n  text: \"hi\"\n");
    /* Two senders with the same reference, each joined alone; a message
     * incomplete by itself is status 1. */
    const std::string c0 = delivered(json::parse(run("septsms submit --json --to 1 --reference 5 <in", std::string(200, 'y')).out)["parts"][0]["tpdu"], "+4930123");
    const Ran two = run("septsms join --json <in", a[0] + "\n" + c0 + "\n" + a[1] + "\n");
    EXPECT_EQ(two.status, 1);
    EXPECT_EQ(two.err, "septsms: join: from +4930123: reference 5 (8-bit), 2 parts: part 2 missing\n");
    std::vector<json> messages;
    std::istringstream lines(two.out);
    for (std::string line; std::getline(lines, line);)
        messages.push_back(json::parse(line));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ((std::array<json, 3>{messages[0]["kind"], messages[0]["address"]["text"], messages[0]["text"]}),
              (std::array<json, 3>{"joined", "+31641600986", std::string(200, 'x')}));
    EXPECT_EQ((std::array<json, 3>{messages[1]["kind"], messages[1]["address"]["text"], messages[1]["missing"]}),
              (std::array<json, 3>{"incomplete", "+4930123", json::array({2})}));
    /* Without the service centre, as --no-smsc says, or as a modem's
     * <length> shows. */
    const std::string bare = alone.substr(16);
    EXPECT_EQ(json::parse(run("septsms join --no-smsc --json <in", bare + "\n").out)["text"], "hi");
    EXPECT_EQ(run("septsms join <in", "+CMT: ,21\n" + bare + "\n").out, "from +31641600986: alone, no series\n  parts: line 2\n  text: \"hi\"\n");
    const Ran wrong = run("septsms join <in", "+CMT: ,30\n" + bare + "\n+CMT: ,20\n" + alone + "\n+CMT: ,x\n" + alone + "\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "septsms: join: line 2: the line before says 30 octets, and the PDU has 21\n"
                         "septsms: join: line 4: the line before says 20 octets behind the service centre's 8, and the PDU has 29\n"
                         "septsms: join: line 6: the line before gives no <length> of 0-999 octets\n");
    /* Seven parts of one number, each of its own text, are 21 pairs in
     * conflict: people are shown 20, --json lists all. */
    std::string seven = a[0] + "\n";
    for (const char c : std::string("abcdefg"))
        seven += delivered(json::parse(run("septsms submit --json --to 1 --reference 5 <in", std::string(200, c)).out)["parts"][1]["tpdu"]) + "\n";
    const Ran clash = run("septsms join <in", seven);
    const std::string cut = "; and 1 more (--json lists every one)\n";
    EXPECT_EQ(clash.status, 1);
    EXPECT_EQ(std::count(clash.out.begin(), clash.out.end(), ';'), 20) << clash.out;
    EXPECT_EQ(clash.out.substr(clash.out.size() - std::min(cut.size(), clash.out.size())), cut);
    EXPECT_EQ(clash.err.substr(clash.err.size() - std::min(cut.size(), clash.err.size())), cut);
    EXPECT_EQ(json::parse(run("septsms join --json <in", seven).out)["pairs"].size(), 21u);
    /* More parts of one message than the joiner takes: said, and status 1. */
    std::string flood;
    for (int k = 0; k < 4097; ++k)
        flood += a[0] + "\n";
    const Ran too_many = run("septsms join <in", flood);
    EXPECT_EQ(too_many.status, 1);
    EXPECT_EQ(too_many.err, "septsms: join: from +31641600986: a message of more than 4096 parts, repeats and all: none of the sender's parts joined\n");
    /* A character without a mapping is left out and said, by join as by
     * decode, and fails nothing. */
    const std::string unmapped = "040181F1000021308041159500029B00";
    const Ran j = run("echo " + unmapped + " | septsms join --no-smsc"), d = run("septsms decode --no-smsc " + unmapped);
    EXPECT_EQ(j.status + d.status, 0) << j.err << d.err;
    EXPECT_EQ(j.out, "from 1: alone, no series\n  parts: line 1\n  unmapped: 1 characters without a mapping, left out\n  text: \"\"\n");
    EXPECT_NE(d.out.find("\nunmapped: 1 characters without a mapping, left out\n"), std::string::npos) << d.out;
}

/* decode, field by field, on TPDUs whose octets are written out: a DELIVER
 * with a concatenation element and the Turkish locking table, a
 * STATUS-REPORT, a SUBMIT with a class, a validity and a status report;
 * and a part's user data and a deliver_sm alone. */
TEST(Septsms, DecodeNamesEveryField)
{
    const std::string deliver = "0791447758100650440D91945121436587F90000213080411595 0A0C0800032A0201250101E000";
    const Ran d = run("septsms decode --json '" + deliver + "'");
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(json::parse(d.out), json::parse(R"({"version":1,"type":"SMS-DELIVER","sc":{"ton":1,"npi":1,"text":"+447785016005"},
        "address":{"ton":1,"npi":1,"text":"+4915123456789"},"reply_path":0,"status_report":0,"more_messages":0,"loop_prevention":0,
        "udhi":1,"pid":0,"dcs":0,"message_class":null,"scts":{"year":12,"month":3,"day":8,"hour":14,"minute":51,"second":59,"zone":-20},
        "udl":12,"ud":"0800032A0201250101E000","header_length":9,"sc_length":8,"tpdu_length":31,"trailing":0,"concatenated":1,
        "reference":42,"total":2,"sequence":1,"locking":"tr","single":null,"unmapped":0,"text":"\u0131"})"));
    /* TP-ST 03, reserved, read as 63; TP-PI with an extension octet, then "Hi". */
    const Ran s = run("septsms decode --json '00062A0D91945121436587F92130804115950A2130804125950A03870000 0002C834'");
    ASSERT_EQ(s.status, 0) << s.err;
    const json o = json::parse(s.out);
    EXPECT_EQ((std::array<json, 8>{o["type"], o["message_reference"], o["status"], o["status_sent"], o["status_group"], o["pi"], o["discharge"]["minute"], o["text"]}),
              (std::array<json, 8>{"SMS-STATUS-REPORT", 42, 0x63, 3, 3, 0x87, 52, "Hi"}));
    /* TP-PI 02: TP-DCS alone, no TP-PID, no user data and so no text. */
    const std::string pi_dcs = "00062A0D91945121436587F92130804115950A2130804125950A030208";
    const json p = json::parse(run("septsms decode --json " + pi_dcs).out);
    EXPECT_EQ((std::array<json, 4>{p["dcs"], p.contains("pid"), p.contains("udl"), p.contains("text")}), (std::array<json, 4>{8, false, false, false}));
    EXPECT_EQ(run("septsms decode " + pi_dcs + " | grep -c '^TP-PID\\|^TP-UD\\|^text\\|^8-bit'").out, "0\n");
    const std::string submit = run("septsms submit --to +4915123456789 --class 0 --validity 1d --report --mr 42 --smsc +447785016005 --text hi").out;
    /* 31: TP-SRR, TP-VPF 10 (relative), TP-MTI 01; TP-DCS 10, class 0; TP-VP A7, a day. */
    EXPECT_EQ(submit, "AT+CMGS=17 0791447758100650312A0D91945121436587F90010A702E834\n");
    const json v = json::parse(run("septsms decode --json --to-network " + submit.substr(11)).out);
    EXPECT_EQ((std::array<json, 5>{v["message_class"], v["validity"], v["status_report"], v["dcs"], v["text"]}),
              (std::array<json, 5>{0, json::parse(R"({"format":"relative","seconds":86400,"relative":167})"), 1, 0x10, "hi"}));
    const json a = json::parse(run("septsms submit --json --to 1 --validity 2026-12-31T18:30:15-05:00 --text x | "
                                   "sed 's/.*\"tpdu\":\"\\([0-9A-F]*\\)\".*/\\1/' | septsms decode --json --to-network").out);
    EXPECT_EQ(a["validity"], json::parse(R"({"format":"absolute","absolute":{"year":26,"month":12,"day":31,"hour":18,"minute":30,"second":15,"zone":-20}})"));
    EXPECT_EQ(run("septsms decode '" + deliver + "' | grep SCTS").out, "TP-SCTS: 12-03-08 14:51:59 -05:00\n");
    /* An empty --smsc is the modem's own, as with none. */
    EXPECT_EQ(run("septsms submit --to 1 --smsc '' --text hi").out, run("septsms submit --to 1 --text hi").out);
    EXPECT_EQ(run("septsms decode --no-smsc '" + deliver.substr(16) + "' | head -2").out, "type: SMS-DELIVER\nTP-OA: +4915123456789\n");
    /* A part's user data, 7-bit without a header and 8-bit with one; a
     * deliver_sm in UCS-2 and a receipt. */
    EXPECT_EQ(json::parse(run("septsms decode --json --user-data --dcs 0 --udl 2 C834").out)["text"], "Hi");
    EXPECT_EQ(json::parse(run("septsms decode --json --user-data --dcs 8 --udl 0 ''").out)["text"], "");
    const json u = json::parse(run("septsms decode --json --user-data --dcs 4 --udhi 1 --udl 7 0500032A0202FF").out);
    EXPECT_EQ((std::array<json, 5>{u["text"], u["reference"], u["total"], u["sequence"], u["dcs"]}), (std::array<json, 5>{nullptr, 42, 2, 2, 4}));
    const json m = json::parse(run("septsms decode --json --smpp --data-coding 8 --esm-class 0x40 '050003 2A0201 D83DDE00'").out);
    EXPECT_EQ((std::array<json, 5>{m["text"], m["alphabet"], m["reference"], m["message_type"], m["header_length"]}),
              (std::array<json, 5>{"\xF0\x9F\x98\x80", "UCS-2", 42, 0, 6}));
    EXPECT_EQ(json::parse(run("septsms decode --json --smpp --data-coding 0 --esm-class 4 69643A31").out)["message_type"], 4);
    EXPECT_EQ(run("septsms decode --smpp --data-coding 0 --smsc-alphabet gsm-packed C834").out,
              "esm_class: 0x00, a message\ndata_coding: 0x00, default alphabet\nconcatenation: none\ntext: \"Hi\"\n");
}

/* smpp's fields read back by the library's reader of deliver_sm, in each
 * form: the header, SAR, a payload, packed and Latin-1. */
TEST(Septsms, SmppFieldsReadBack)
{
    const std::string text = std::string(170, 'a') + "\xE2\x82\xAC";
    const struct { const char *options; septcvt_smpp_settings settings; size_t parts; int data_coding; } cases[] = {
        {"", {}, 2, 0}, {"--sar", {}, 2, 0}, {"--smsc-alphabet gsm-packed", {SEPTCVT_SMSC_GSM_PACKED, 0}, 2, 0},
        {"--payload", {}, 1, 0}, {"--smsc-alphabet latin1 --payload", {SEPTCVT_SMSC_LATIN1, 0}, 1, 3},
    };
    for (const auto &c : cases) {
        const std::string in = strstr(c.options, "latin1") ? std::string(170, 'a') + "\xC3\xA9" : text;
        /* SAR's reference is 16 bits without --ref16. */
        const Ran r = run(std::string("septsms smpp --json --reference 300 ") + (strstr(c.options, "--sar") ? "" : "--ref16 ") + c.options + " <in", in);
        ASSERT_EQ(r.status, 0) << c.options << r.err;
        const json o = json::parse(r.out);
        const json parts = o.contains("parts") ? o["parts"] : json::array({o});
        ASSERT_EQ(parts.size(), c.parts) << c.options;
        std::string back;
        for (size_t k = 0; k < c.parts; ++k) {
            const json &part = parts[k];
            EXPECT_EQ(part["data_coding"], c.data_coding) << c.options;
            const std::vector<uint8_t> m = octets(part.contains("short_message") ? part["short_message"] : part["message_payload"]);
            const septcvt_smpp_sar sar{part.contains("sar_msg_ref_num"), part.value("sar_msg_ref_num", 0u),
                                       part.value("sar_total_segments", 0u), part.value("sar_segment_seqnum", 0u)};
            septcvt_smpp_received got;
            uint8_t out[2000];
            ASSERT_EQ(septcvt_smpp_read(m.data(), m.size(), !part.contains("short_message"), part["esm_class"], part["data_coding"],
                                        &sar, &c.settings, &got, out, sizeof out, nullptr), SEPTCVT_OK) << c.options;
            using numbers = std::array<unsigned, 3>;
            const numbers none{}, series{300, 2, unsigned(k + 1)};
            const numbers read = got.concatenated ? numbers{{got.reference, got.total, got.sequence}} : none;
            EXPECT_EQ(read, c.parts > 1 ? series : none) << c.options;
            EXPECT_EQ(got.sar, strstr(c.options, "--sar") != nullptr) << c.options;
            back.append(reinterpret_cast<char *>(out), got.text_len);
        }
        EXPECT_EQ(back, in) << c.options;
    }
    /* A payload has no reference: one given is no matter, even of 16 bits. */
    EXPECT_EQ(run("septsms smpp --payload --reference 300 <in", text).status, 0);
    /* A payload takes a text longer than 255 parts. */
    const json payload = json::parse(run("septsms smpp --json --payload <in", std::string(153 * 256, 'a')).out);
    EXPECT_EQ(payload["message_payload"].get<std::string>().size(), 2u * 153 * 256);
}

/* Hostile PDUs: every piece of a DELIVER cut short, on a line each, for
 * decode and join; length fields at their largest; a modem's line that
 * announces more than an octet can count. A message each, status 1, and
 * never a crash. */
TEST(Septsms, HostilePdusAreRefusedOneByOne)
{
    const std::string deliver = "0791447758100650440D91945121436587F90000213080411595" "0A0C0800032A0201250101E000";
    std::string pieces;
    for (size_t n = 2; n < deliver.size(); n += 2)
        pieces += deliver.substr(0, n) + "\n";
    for (const std::string command : {"decode", "decode --json", "join"}) {
        const Ran r = run("septsms " + command + " <in", pieces + "FF91" + std::string(40, '1') + "\n0004008100002130804115950AFF\n"
                          "00 04 FF 91\n+CMGL: 1,1,,99999999999999999999\n" + deliver + "\n");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), static_cast<long>(deliver.size() / 2 - 1 + 4)) << command << r.err;
        EXPECT_EQ(r.err.find("septsms: " + command.substr(0, 6) + ": line 1: SCA 7 runs past the end at octet 0\n"), 0u) << command << r.err;
        EXPECT_NE(r.err.find(": TP-UDL 255 is out of range at octet 13\n"), std::string::npos) << command << r.err;
    }
}

} // namespace
