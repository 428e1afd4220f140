/* The built program, run from the shell as a user runs it: exact bytes in,
 * exact bytes, standard error and exit status out. */
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "reference.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

/* Runs a shell script in a scratch folder that holds the file `in`, with
 * $S the program (SEPTCVT_COMMAND when set: an emulator and the program,
 * say); the script's status (124, or 137, when a watchdog stopped it after
 * 20 s, ten times what the slowest takes under an emulator), and
 * the files it leaves, by name. */
struct Ran { int status; std::map<std::string, std::string> files; };
Ran run(const std::string &script, const std::string &in = "")
{
    const fs::path dir = fs::temp_directory_path() / ("septcvt-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directory(dir);
    std::ofstream(dir / "in", std::ios::binary) << in;
    std::ofstream(dir.string() + ".sh") << script;
    const char *command = getenv("SEPTCVT_COMMAND");
    setenv("S", command && *command ? command : SEPTCVT_PATH, 1);
    signal(SIGPIPE, SIG_DFL); /* whatever the test runner set, the script inherits the default */
    const int wstatus = system(("cd " + dir.string() + " && timeout -k 1 20 sh " + dir.string() + ".sh").c_str());
    Ran r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, {}};
    for (const auto &file : fs::directory_iterator(dir))
        r.files[file.path().filename()] = std::string(std::istreambuf_iterator<char>(std::ifstream(file.path(), std::ios::binary).rdbuf()), {});
    fs::remove_all(dir);
    fs::remove(dir.string() + ".sh");
    return r;
}

/* The program run by scripts, a case each: the status; standard error,
 * which holds the banner when the command line is refused and nothing else
 * ever; the output file where the script makes one; and what a stop leaves
 * of the input for the next reader (the file rest). */
TEST(EndToEnd, ScriptsAndWhatTheyLeave)
{
    /* The usage banner as a user sees it, from a file beside this one. */
    std::ifstream banner_file(fs::path(__FILE__).parent_path() / "banner.txt", std::ios::binary);
    std::string banner(std::istreambuf_iterator<char>(banner_file), {});
    const char *target = getenv("SEPTCVT_TARGET");
    for (size_t at = 0; target && target == "windows"s && (at = banner.find('\n', at)) != banner.npos; at += 2)
        banner.insert(at, "\r");
    struct Case {
        std::string script, in;
        int status;
        std::string out = "", rest = "";
    };
    const std::string text = "Price: 10\x1b\x65 \x10\x12", utf8 = "Price: 10\xe2\x82\xac \xce\x94\xce\xa6", far(100000, 'A');
    std::vector<Case> cases = {
        /* Options, the conversions as the program shows them, and the bytes a
         * text stream would change (line ends, 0x1A). */
        {"$S <in >out", "Hi\x10\x1b\x65\x1b\x41" "B\x80", 1, "Hi\xce\x94\xe2\x82\xac" "B"}, {"$S - <in >out", "Hi", 2},
        {"$S -x <in >out", "Hi", 2}, {"$S -n file.txt <in >out", "Hi", 2}, {"$S '' <in >out", "Hi", 2}, {"$S /r <in >out", "Hi", 2},
        {"$S -u -q <in >out", "Hi", 2}, {"$S -N <in >out", "Hi", 0, "Hi"}, {"$S -n -Unicode <in >out", "A", 0, "\xff\xfe" "A\0"s},
        {"$S -R <in >out", "\xce\x94{", 0, "\x10\x1b\x28"}, {"$S -ru <in >out", "\xff\xfe" "A\0"s, 1},
        {"$S -r -u <in >out", "\xfe\xff\x20\xac", 0, "\x1b\x65"}, {"$S -r -u <in >out", "", 1},
        {"$S <in >out", "\x0a\x0d\x1a\x0a\x0d\x0a" "A", 0, "\x0a\x0d\xce\x9e\x0a\x0d\x0a" "A"},
        {"$S -u <in >out", "\x0a\x1a\x0d", 0, "\xff\xfe\x0a\x00\x9e\x03\x0d\x00"s},
        {"$S -r <in >out", "\x0a\x0d\xce\x9e\x0d\x0a" "A\x1a" "B", 1, "\x0a\x0d\x1a\x0d\x0a" "AB"},
        {"$S -r -u <in >out", "\xff\xfe\x0a\x0d\x1a\x00" "A\x00\x0a\x00"s, 1, "A\x0a"},
        /* Repeated options set a flag once. */
        {"$S -r -R <in >out", "\xce\x94", 0, "\x10"}, {"$S -u -U -n -N <in >out", "A", 0, "\xff\xfe" "A\0"s},
        /* What the end cuts off is dropped without a change of status, here
         * right after a block end of the 7-byte build (the kernel check puts
         * it after every window end). */
        {"$S <in >out", "ABCDEFG\x1b", 0, "ABCDEFG"}, {"$S -r <in >out", "ABCDEFG\xe2\x82", 0, "ABCDEFG"},
        {"$S -r -u <in >out", "\xff\xfe" "A\0A\0A\0A\0A\0A\0" "B"s, 0, "AAAAAA"},
        /* What the environment does shows in the status and nowhere else: a
         * read error, a full disk (also for the byte-order mark alone), a
         * closed output, a write failing at an exact byte (a file-size limit)
         * inside a character; input arriving in pieces through a pipe is
         * converted whole. */
        {"$S <. >out", "", 1}, {"$S -r -u <. >out", "", 1}, {"$S <in >/dev/full", text, 1}, {"$S -n <in >/dev/full", text, 1},
        {"$S <in >/dev/full", "", 0}, {"$S -u <in >/dev/full", "", 1}, {"$S -n -u <in >/dev/full", "", 1},
        {"$S -r <in >/dev/full", "Hi", 1}, {"$S <in >&-", text, 1}, {"$S -r -u <in >&-", "\xff\xfe" "A\0"s, 1},
        {"$S <in >&-", "", 0}, {"$S -r <in >&-", "", 0},
        {"prlimit --fsize=6 $S <in >out", text, 1, "Price:"}, {"prlimit --fsize=18 $S <in >out", text, 0, utf8},
        {"prlimit --fsize=2 $S -r -u <in >out", "\xff\xfe" "A\0\xac\x20"s, 1, "A\x1b"},
        {"dd if=in bs=4093 2>/dev/null | $S -r >out", far, 0, far},
    };
    /* A failure that shows only when the output is closed; a preloaded
     * library reaches the native program only. */
    if (getenv("SEPTCVT_COMMAND") == nullptr)
        cases.push_back({"LD_PRELOAD=" CLOSE_FAILS_PATH " ASAN_OPTIONS=verify_asan_link_order=0 $S <in >out", text, 1, utf8});
    /* Malformed input stops the reverse conversion just after the faulty
     * sequence; the next reader finds what follows, in a regular file (also
     * past the first block, and in a block that ends well before the file
     * does) and in a pipe read with -n, also given twice. */
    const struct { const char *args; std::string in, out, rest; } stops[] = {
        {"-r", "A\xc0\x80REST", "A", "\x80REST"}, {"-r", "A\xe2\x41\x42REST", "A", "REST"}, {"-r -u", "A\0REST"s, "", "REST"},
        {"-r", far + "\xed\xa0\x80REST", far, "REST"}, {"-r", "AB\xc3\x41" + far + far, "AB", far + far},
        {"-r", far + "\xc0" + far + far, far, far + far},
    };
    for (const auto &c : stops)
        for (std::string feed : {"{ $S @ >out; s=$?; cat >rest; exit $s; } <in", "cat in | { $S -n @ >out; s=$?; cat >rest; exit $s; }",
                                 "cat in | { $S -n -N @ >out; s=$?; cat >rest; exit $s; }"})
            cases.push_back({feed.replace(feed.find('@'), 1, c.args), c.in, 1, c.out, c.rest});
    /* With -n, a write that fails at any byte leaves the input just after
     * the character it failed in. */
    for (const bool reverse : {false, true}) {
        const std::string in = reverse ? utf8 : text, out = reverse ? text : utf8;
        for (size_t limit = 0, used = 0; limit <= out.size(); ++limit) {
            while (used < in.size() && ref_convert(reverse, false, in.substr(0, used)).out.size() <= limit)
                ++used;
            cases.push_back({"{ prlimit --fsize=" + std::to_string(limit) + " $S -n" + (reverse ? " -r" : "") + " >out; s=$?; cat >rest; exit $s; } <in",
                             in, limit < out.size(), out.substr(0, limit), limit < out.size() ? in.substr(used) : ""});
        }
    }
    /* An output pipe left non-blocking by whoever shares it (perl here), and
     * a reader slower than the program, still gets every byte. One that goes
     * away while the program waits for room ends it at once with status 1,
     * not by SIGPIPE, and leaves the rest of the input unread. */
    const std::string nonblocking = "perl -MFcntl -e 'fcntl(STDOUT, F_SETFL, O_NONBLOCK) or exit 1'",
                      slowly = "perl -e 'while (sysread(STDIN, $b, 4096)) { syswrite(STDOUT, $b); select(undef, undef, undef, 0.005) }'";
    std::string gsm;
    while (gsm.size() < 300000) /* several times what a pipe holds */
        gsm += text + " ";
    for (const std::string args : {"", "-n", "-u", "-r", "-n -r"}) {
        const bool reverse = args.find("-r") != args.npos;
        const std::string in = reverse ? ref_convert(false, false, gsm).out : gsm, out = ref_convert(reverse, args.find("-u") != args.npos, in).out;
        cases.push_back({"{ " + nonblocking + " && $S " + args + " <in; echo $? >status; } | " + slowly + " >out; exit $(cat status)", in, 0, out});
        cases.push_back({"{ " + nonblocking + " && { $S " + args + "; echo $? >status; cat >unread; } <in; } | { dd bs=10 count=1 "
                         "of=/dev/null 2>/dev/null; sleep 0.2; }; [ -s unread ] || exit 9; exit $(cat status)", in, 1});
    }
    /* What has arrived is passed on before the program waits for more; with
     * -n each character comes out whole as soon as its last byte is in. The
     * file out holds what was there after each piece. */
    const std::vector<std::string> pieces[][3] = {
        {{""}, {"Hi", "\x1b", "\x65"}, {"Hi", "", "\xe2\x82\xac"}}, {{"-r"}, {"A", "\xe2\x82", "\xac"}, {"A", "", "\x1b\x65"}},
        {{"-n"}, {"A", "\x1b", "\x65", "\x10"}, {"A", "", "\xe2\x82\xac", "\xce\x94"}},
        {{"-n -u"}, {"A", "\x1b", "\x28"}, {"\xff\xfe" "A\0"s, "", "{\0"s}},
        {{"-n -r"}, {"A", "\xe2\x82", "\xac", "{"}, {"A", "", "\x1b\x65", "\x1b\x28"}},
        {{"-n -r -u"}, {"\xfe\xff\0A"s, "\x03", "\x94"}, {"A", "", "\x10"}}};
    for (const auto &p : pieces) {
        /* Each piece taken from in alone; then a wait for the output it
         * should bring (long enough for an emulator), or a while for none. */
        std::string script = "{ ", in, want, so_far;
        for (size_t k = 0; k < p[1].size(); ++k) {
            const std::string until = "w=0; until [ \"$(cat out 2>/dev/null | wc -c)\" -ge " + std::to_string((so_far += p[2][k]).size()) + " ] || [ $w -ge 100 ]";
            script += "dd bs=" + std::to_string(p[1][k].size()) + " count=1 <&3 2>/dev/null; " +
                      (p[2][k].empty() ? "sleep 0.5; " : until + "; do sleep 0.1; w=$((w+1)); done; ") + "cat out >>seen; echo '|' >>seen; ";
            in += p[1][k], want += so_far + "|\n";
        }
        cases.push_back({script + "} 3<in | $S " + p[0][0] + " >out; mv seen out", in, 0, want});
    }
    for (const Case &c : cases) {
        Ran r = run("trap '' XFSZ; { " + c.script + "; } 2>err", c.in);
        ASSERT_TRUE(r.status != 124 && r.status != 137) << c.script << " hung";
        EXPECT_EQ(r.status, c.status) << c.script;
        EXPECT_EQ(r.files["err"], c.status == 2 ? banner : "") << c.script;
        EXPECT_EQ(r.files.count("out"), c.script.find(">out") != c.script.npos ? 1u : 0u) << c.script;
        EXPECT_TRUE(r.files["out"] == c.out) << c.script << " gave " << testing::PrintToString(r.files["out"].substr(0, 40));
        EXPECT_TRUE(r.files["rest"] == c.rest) << c.script << " left " << r.files["rest"].size() << " bytes";
    }
}

} // namespace
