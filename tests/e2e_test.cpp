/* The built program, run from the shell as a user runs it: exact bytes in,
 * exact bytes, standard error and exit status out. */
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "reference.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

std::string repeat(const std::string &text, size_t times)
{
    std::string s;
    while (times-- > 0)
        s += text;
    return s;
}

/* Runs a shell script in a scratch folder that holds the file `in`, with
 * $S the program (SEPTCVT_COMMAND when set: an emulator and the program,
 * say); the script's status, and the files it leaves, by name. With `keep`,
 * the script's standard output is a pipe left non-blocking, which the test
 * reads slowly up to `keep` bytes and then closes, as a reader that goes
 * away; what it read is the file "pipe". */
struct Ran {
    int status;
    std::map<std::string, std::string> files;
};
Ran run(const std::string &script, const std::string &in = "", size_t keep = 0)
{
    const fs::path dir = fs::temp_directory_path() / ("septcvt-e2e-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directory(dir);
    std::ofstream(dir / "in", std::ios::binary) << in;
    const char *command = getenv("SEPTCVT_COMMAND");
    int ends[2] = {-1, -1};
    if (keep > 0 && (pipe(ends) != 0 || fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0))
        return {-1, {}};
    const pid_t pid = fork();
    if (pid == 0) {
        if (keep > 0 && (dup2(ends[1], 1) < 0 || close(ends[0]) != 0 || close(ends[1]) != 0))
            _exit(127);
        signal(SIGPIPE, SIG_DFL); /* whatever the test runner set */
        setenv("S", command && *command ? command : SEPTCVT_PATH, 1);
        if (chdir(dir.c_str()) == 0)
            execl("/bin/sh", "sh", "-c", script.c_str(), nullptr);
        _exit(127);
    }
    std::string piped;
    if (keep > 0) {
        close(ends[1]);
        char buf[4096];
        for (ssize_t got; piped.size() < keep && (got = read(ends[0], buf, sizeof buf)) > 0; usleep(5000))
            piped.append(buf, static_cast<size_t>(got));
        if (piped.size() >= keep)
            usleep(200000); /* the program meets a full pipe, and waits */
        close(ends[0]);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Ran r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, {{"pipe", piped}}};
    for (const auto &file : fs::directory_iterator(dir))
        r.files[file.path().filename()] = std::string(std::istreambuf_iterator<char>(std::ifstream(file.path(), std::ios::binary).rdbuf()), {});
    fs::remove_all(dir);
    return r;
}

/* Options, the conversions as the program shows them, and the bytes a text
 * stream would change (line ends, 0x1A); standard error keeps text mode. */
TEST(EndToEnd, ArgumentsAndBytes)
{
    std::string banner = "Converts text between the GSM 03.38 default alphabet and Unicode.\nCopyright (c) the septcvt "
                         "authors; free software under the MIT licence.\nseptcvt V1.00 (2001-03-30)\n\nSource character "
                         "encoding:\n\n\tGSM 03.38 (common for SMS)\n\tV2.00 by the septcvt authors\n\tSource: https://"
                         "www.3gpp.org/DynaReport/23038.htm\n\tadditional codes after ESCAPE (10) including EURO SIGN\n\n"
                         "Destination character encoding:\n\n\tISO/IEC 10646-1:2000 aka Unicode 3.0.1\n\tV3.0.1 by Unicode "
                         "Consortium https://www.unicode.org\n\tSource: ftp://ftp.unicode.org/Public/UNIDATA/UnicodeData.txt"
                         "\n\tconverted, sorted & edited by the septcvt authors\n\nSyntax: septcvt <src >dst [-n] [-u] [-r]\n";
    const char *target = getenv("SEPTCVT_TARGET");
    for (size_t at = 0; target && target == "windows"s && (at = banner.find('\n', at)) != banner.npos; at += 2)
        banner.insert(at, "\r");
    const struct {
        const char *args;
        std::string in, out;
        int status;
    } cases[] = {
        {"", "Hi\x10\x1b\x65\x1b\x41" "B\x80", "Hi\xce\x94\xe2\x82\xac" "B", 1}, {"-", "Hi", "", 2}, {"-x", "Hi", "", 2},
        {"-n file.txt", "Hi", "", 2}, {"''", "Hi", "", 2}, {"/r", "Hi", "", 2}, {"-u -q", "Hi", "", 2},
        {"-N", "Hi", "Hi", 0}, {"-n -Unicode", "A", "\xff\xfe" "A\0"s, 0}, {"-R", "\xce\x94{", "\x10\x1b\x28", 0},
        {"-ru", "\xff\xfe" "A\0"s, "", 1}, {"-r -u", "\xfe\xff\x20\xac", "\x1b\x65", 0}, {"-r -u", "", "", 1},
        {"", "\x0a\x0d\x1a\x0a\x0d\x0a" "A", "\x0a\x0d\xce\x9e\x0a\x0d\x0a" "A", 0},
        {"-u", "\x0a\x1a\x0d", "\xff\xfe\x0a\x00\x9e\x03\x0d\x00"s, 0},
        {"-r", "\x0a\x0d\xce\x9e\x0d\x0a" "A\x1a" "B", "\x0a\x0d\x1a\x0d\x0a" "AB", 1},
        {"-r -u", "\xff\xfe\x0a\x0d\x1a\x00" "A\x00\x0a\x00"s, "A\x0a", 1},
        /* Repeated options set a flag once. */
        {"-r -R", "\xce\x94", "\x10", 0}, {"-u -U -n -N", "A", "\xff\xfe" "A\0"s, 0},
        /* What the end cuts off is dropped without a change of status, here
         * right after a block end of the 7-byte build (the kernel check puts
         * it after every window end). */
        {"", "ABCDEFG\x1b", "ABCDEFG", 0}, {"-r", "ABCDEFG\xe2\x82", "ABCDEFG", 0},
        {"-r -u", "\xff\xfe" + repeat("A\0"s, 6) + "B", std::string(6, 'A'), 0},
    };
    for (const auto &c : cases) {
        Ran r = run("$S "s + c.args + " <in >out 2>err", c.in);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_TRUE(r.files["out"] == c.out) << c.args << " gave " << testing::PrintToString(r.files["out"].substr(0, 40));
        EXPECT_EQ(r.files["err"], c.status == 2 ? banner : "") << c.args;
    }
}

/* What the environment does shows in the status and nowhere else: a read
 * error, a full disk (also for the byte-order mark), a closed output, a
 * failure that shows only when the output is closed, a write failing at an
 * exact byte (a file-size limit) inside a character; input arriving in
 * pieces through a pipe is converted whole. A reader that goes away after ten bytes: status 1, no death by
 * SIGPIPE, and the conversion stops there, leaving the input unread. */
TEST(EndToEnd, FailuresShowInTheExitStatus)
{
    const std::string text = "Price: 10\x1b\x65 \x10\x12", more(100000, 'A');
    const struct {
        const char *script;
        std::string in;
        int status;
        int out; /* bytes of the output the reference gives; -1 where they go to no file */
    } cases[] = {
        {"$S <. >out", "", 1, 0}, {"$S -r -u <. >out", "", 1, 0}, {"$S <in >/dev/full", text, 1, -1},
        {"$S -n <in >/dev/full", text, 1, -1}, {"$S <in >/dev/full", "", 0, -1}, {"$S -u <in >/dev/full", "", 1, -1},
        {"$S -n -u <in >/dev/full", "", 1, -1}, {"$S -r <in >/dev/full", "Hi", 1, -1}, {"$S <in >&-", text, 1, -1},
        {"$S -r -u <in >&-", "\xff\xfe" "A\0"s, 1, -1}, {"prlimit --fsize=6 $S <in >out", text, 1, 6},
        {"prlimit --fsize=18 $S <in >out", text, 0, 18},
        {"prlimit --fsize=2 $S -r -u <in >out", "\xff\xfe" "A\0\xac\x20"s, 1, 2},
        {"dd if=in bs=4093 2>/dev/null | $S -r >out", more, 0, static_cast<int>(more.size())},
    };
    for (const auto &c : cases) {
        Ran r = run("trap '' XFSZ; "s + c.script + " 2>err", c.in);
        const std::string s = c.script, want = ref_convert(s.find("-r") != s.npos, s.find("-u") != s.npos, c.in).out;
        EXPECT_EQ(r.status, c.status) << c.script;
        EXPECT_EQ(r.files["err"], "") << c.script;
        EXPECT_TRUE(c.out < 0 ? r.files.count("out") == 0 : r.files["out"] == want.substr(0, static_cast<size_t>(c.out)))
            << c.script << " gave " << r.files["out"].size() << " bytes";
    }
    /* With -n, a write that fails at any byte leaves the input just after
     * the character it failed in, for the next reader. */
    for (const bool reverse : {false, true}) {
        const std::string in = reverse ? ref_convert(false, false, text).out : text, out = ref_convert(reverse, false, in).out;
        for (size_t limit = 0; limit <= out.size(); ++limit) {
            size_t used = 0;
            while (used < in.size() && ref_convert(reverse, false, in.substr(0, used)).out.size() <= limit)
                ++used;
            const std::string script = "trap '' XFSZ; { prlimit --fsize=" + std::to_string(limit) + " $S -n" + (reverse ? " -r" : "");
            Ran r = run(script + " >out; s=$?; cat >rest; exit $s; } <in", in);
            EXPECT_EQ(r.status, limit < out.size() ? 1 : 0) << script;
            EXPECT_EQ(r.files["out"], out.substr(0, limit)) << script;
            EXPECT_EQ(r.files["rest"], limit < out.size() ? in.substr(used) : "") << script;
        }
    }
    if (getenv("SEPTCVT_COMMAND") == nullptr) { /* a preloaded library reaches the native program only */
        Ran r = run("LD_PRELOAD=" CLOSE_FAILS_PATH " ASAN_OPTIONS=verify_asan_link_order=0 $S <in >out 2>err", text);
        EXPECT_EQ(r.status, 1) << "a failed close of the output";
        EXPECT_EQ(r.files["out"], ref_convert(false, false, text).out);
    }
}

/* An output pipe left non-blocking by whoever shares it, and a reader
 * slower than the program, still gets every byte. One that goes away while
 * the program waits for room ends it at once with status 1, not by SIGPIPE,
 * and leaves the rest of the input unread. */
TEST(EndToEnd, NonBlockingOutputIsWaitedFor)
{
    const std::string gsm = repeat("Price: 10\x1b\x65 \x10\x12 ", 20000); /* several times what a pipe holds */
    const std::string utf8 = ref_convert(false, false, gsm).out;
    for (const char *args : {"", "-n", "-u", "-r", "-n -r"}) {
        const std::string s = args, in = s.find("-r") != s.npos ? utf8 : gsm;
        const std::string want = ref_convert(s.find("-r") != s.npos, s.find("-u") != s.npos, in).out;
        Ran r = run("$S "s + args + " <in 2>err", in, want.size() + 1);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_TRUE(r.files["pipe"] == want) << args << " gave " << r.files["pipe"].size() << " of " << want.size() << " bytes";
        r = run("{ timeout 60 $S "s + args + " 2>err; echo $? >status; cat >rest; } <in", in, 10);
        EXPECT_EQ(r.files["status"], "1\n") << args << ", the reader gone";
        EXPECT_FALSE(r.files["rest"].empty()) << args << ": the conversion went on";
    }
}

/* Malformed input stops the reverse conversion just after the faulty
 * sequence; the next reader finds what follows, in a regular file (also past
 * the first block) and in a pipe read with -n. What has arrived is passed on
 * before the program waits for more; with -n each character comes out whole
 * as soon as its last byte is in. */
TEST(EndToEnd, InputIsTakenOnlyAsNeeded)
{
    const std::string far(100000, 'A');
    const struct {
        const char *args;
        std::string in, out, rest;
    } cases[] = {
        {"-r", "A\xc0\x80REST", "A", "\x80REST"}, {"-r", "A\xe2\x41\x42REST", "A", "REST"},
        {"-r -u", "A\0REST"s, "", "REST"},     {"-r", far + "\xed\xa0\x80REST", far, "REST"},
        /* Stopped in a block that ends well before the file does. */
        {"-r", "AB\xc3\x41" + far + far, "AB", far + far}, {"-r", far + "\xc0" + far + far, far, far + far},
    };
    for (const auto &c : cases) {
        for (const char *feed : {"{ $S %s >out; s=$?; cat >rest; exit $s; } <in", "cat in | { $S -n %s >out; s=$?; cat >rest; exit $s; }"}) {
            char script[128];
            snprintf(script, sizeof script, feed, c.args);
            Ran r = run(script, c.in);
            EXPECT_EQ(r.status, 1) << script;
            EXPECT_TRUE(r.files["out"] == c.out) << script << " gave " << r.files["out"].size() << " bytes";
            EXPECT_TRUE(r.files["rest"] == c.rest) << script << " left " << r.files["rest"].size() << " bytes";
        }
    }
    const std::vector<std::string> pieces[][3] = {
        {{""}, {"Hi", "\x1b", "\x65"}, {"Hi", "", "\xe2\x82\xac"}}, {{"-r"}, {"A", "\xe2\x82", "\xac"}, {"A", "", "\x1b\x65"}},
        {{"-n"}, {"A", "\x1b", "\x65", "\x10"}, {"A", "", "\xe2\x82\xac", "\xce\x94"}},
        {{"-n -u"}, {"A", "\x1b", "\x28"}, {"\xff\xfe" "A\0"s, "", "{\0"s}},
        {{"-n -r"}, {"A", "\xe2\x82", "\xac", "{"}, {"A", "", "\x1b\x65", "\x1b\x28"}},
        {{"-n -r -u"}, {"\xfe\xff\0A"s, "\x03", "\x94"}, {"A", "", "\x10"}}};
    for (const auto &p : pieces) {
        /* After each piece, the output so far: what each piece should add. */
        std::string script = "{ ", want, so_far;
        for (size_t k = 0; k < p[1].size(); ++k) {
            script += "printf '";
            for (unsigned char c : p[1][k])
                script += "\\" + std::to_string(c >> 6) + std::to_string(c >> 3 & 7) + std::to_string(c & 7);
            /* Waits for the output it should bring (long enough for an emulator), or a while for none. */
            const std::string until = "w=0; until [ $(wc -c <out) -ge " + std::to_string((so_far += p[2][k]).size()) + " ] || [ $w -ge 100 ]";
            script += (p[2][k].empty() ? "'; sleep 0.5; " : "'; " + until + "; do sleep 0.1; w=$((w+1)); done; ") + "cat out >>seen; echo '|' >>seen; ";
            want += so_far + "|\n";
        }
        EXPECT_EQ(run(script + "} | $S " + p[0][0] + " >out").files["seen"], want) << p[0][0];
    }
}

} // namespace
