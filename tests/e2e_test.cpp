/* The built program, run as a user runs it. */
#include <gtest/gtest.h>

#include <random>

#include "oracles.h"
#include "run_program.h"

namespace {

using namespace std::string_literals;

const std::string BANNER_LINES =
    "Converts text between the GSM 03.38 default alphabet and Unicode.\n"
    "Copyright (c) the septcvt authors; free software under the MIT licence.\n"
    "septcvt V1.00 (2001-03-30)\n"
    "\n"
    "Source character encoding:\n"
    "\n"
    "\tGSM 03.38 (common for SMS)\n"
    "\tV2.00 by the septcvt authors\n"
    "\tSource: https://www.3gpp.org/DynaReport/23038.htm\n"
    "\tadditional codes after ESCAPE (10) including EURO SIGN\n"
    "\n"
    "Destination character encoding:\n"
    "\n"
    "\tISO/IEC 10646-1:2000 aka Unicode 3.0.1\n"
    "\tV3.0.1 by Unicode Consortium https://www.unicode.org\n"
    "\tSource: ftp://ftp.unicode.org/Public/UNIDATA/UnicodeData.txt\n"
    "\tconverted, sorted & edited by the septcvt authors\n"
    "\n"
    "Syntax: septcvt <src >dst [-n] [-u] [-r]\n";

/* Standard error keeps the platform's text mode: on Windows its line ends
 * are CR LF. Only standard input and output are binary. */
std::string text_mode(const std::string &lines)
{
    if (!target_is_windows())
        return lines;
    std::string crlf;
    for (char c : lines)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
}

const std::string BANNER = text_mode(BANNER_LINES);

/* The command line of a case, for failure messages. */
std::string command_line(const std::vector<std::string> &args)
{
    std::string line = "septcvt";
    for (const std::string &a : args)
        line += " " + a;
    return line;
}

struct Case {
    const char *name;
    std::vector<std::string> args;
    std::string in;
    std::string out;
    int status;
};

void run_cases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = run_program({c.args, c.in});
        EXPECT_EQ(o.signal, 0);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, c.status == 2 ? BANNER : "");
    }
}

TEST(EndToEnd, CommandLine)
{
    run_cases({
        {"no arguments converts GSM to UTF-8", {}, "Hi\x10", "Hi\xce\x94", 0},
        {"dash alone is refused", {"-"}, "Hi", "", 2},
        {"unknown letter is refused", {"-x"}, "Hi", "", 2},
        {"help letter is refused", {"-h"}, "Hi", "", 2},
        {"operand after an option is refused", {"-n", "file.txt"}, "Hi", "", 2},
        {"empty argument is refused", {""}, "Hi", "", 2},
        {"refusal after accepted options", {"-u", "-q"}, "Hi", "", 2},
        {"capital N is -n", {"-N"}, "Hi", "Hi", 0},
        {"capital U is -u", {"-U"}, "A", "\xff\xfe\x41\x00"s, 0},
        {"letters after the option letter are ignored", {"-unicode"}, "A", "\xff\xfe\x41\x00"s, 0},
        {"options repeat and combine", {"-n", "-u", "-N"}, "A", "\xff\xfe\x41\x00"s, 0},
    });
}

TEST(EndToEnd, GsmToUnicode)
{
    run_cases({
        {"empty input", {}, "", "", 0},
        {"empty input, UCS-2 has only the mark", {"-u"}, "", "\xff\xfe", 0},
        {"ASCII letters pass", {}, "\x48\x69", "\x48\x69", 0},
        {"at, dollar, currency sign", {}, "\x00\x02\x24"s, "@$\xc2\xa4", 0},
        {"Greek capital delta", {}, "\x10", "\xce\x94", 0},
        {"Greek capital delta in UCS-2", {"-u"}, "\x10", "\xff\xfe\x94\x03", 0},
        {"euro sign", {}, "\x1b\x65", "\xe2\x82\xac", 0},
        {"form feed after escape, line feed alone", {}, "\x1b\x0a\x0a", "\x0c\x0a", 0},
        {"escape without mapping eats its byte", {}, "\x1b\x41" "B", "B", 1},
        {"escape as the last byte is dropped", {}, "A\x1b", "A", 0},
        {"escapes do not nest", {}, "\x1b\x1b\x65", "e", 1},
        {"bytes above 0x7F have no mapping", {}, "A\x80" "B\x1b\xff" "C\xfe", "ABC", 1},
        {"brackets and braces in UCS-2", {"-u"}, "\x1b\x3c\x1b\x28", "\xff\xfe[\0{\0"s, 0},
    });
}

TEST(EndToEnd, UnicodeToGsm)
{
    run_cases({
        {"euro sign", {"-r"}, "\xe2\x82\xac", "\x1b\x65", 0},
        {"at, dollar, currency sign, low line", {"-r"}, "@$\xc2\xa4_", "\x00\x02\x24\x11"s, 0},
        {"form feed, line feed, escape", {"-r"}, "\x0c\x0a\x1b", "\x1b\x0a\x0a\x1b", 0},
        {"no mapping is left out, the rest converted", {"-r"}, "a\xc3\xa7" "b", "ab", 1},
        {"UTF-8 byte-order mark has no mapping", {"-r"}, "\xef\xbb\xbf" "A", "A", 1},
        {"above U+FFFF is not cut to 16 bits", {"-r"}, "\xf0\x90\x80\xae" "A", "A", 1},
        {"overlong form stops, output kept", {"-r"}, "AB\xc0\x80" "CD", "AB", 1},
        {"surrogate stops", {"-r"}, "A\xed\xa0\x80" "B", "A", 1},
        {"U+FFFF stops", {"-r"}, "A\xef\xbf\xbf" "B", "A", 1},
        {"cut off at the end is dropped", {"-r"}, "A\xe2\x82", "A", 0},
        {"cut off, ASCII inside, at the end", {"-r"}, "A\xe2\x41", "A", 0},
        {"bad continuation before the end stops", {"-r"}, "A\xe2\x41\x42", "A", 1},
        {"capital R is -r", {"-R"}, "\xce\x94", "\x10", 0},
        {"-ru is only -r", {"-ru"}, "\xff\xfe\x41\x00"s, "", 1},
        {"UCS-2 little-endian", {"-r", "-u"}, "\xff\xfe\x41\x00"s, "A", 0},
        {"UCS-2 big-endian", {"-u", "-r"}, "\xfe\xff\x00\x41"s, "A", 0},
        {"UCS-2 euro, big-endian", {"-r", "-u"}, "\xfe\xff\x20\xac", "\x1b\x65", 0},
        {"UCS-2 mark alone", {"-r", "-u"}, "\xff\xfe", "", 0},
        {"UCS-2 empty input", {"-r", "-u"}, "", "", 1},
        {"UCS-2 without a mark", {"-r", "-u"}, "A\0B\0"s, "", 1},
        {"UCS-2 odd byte at the end is dropped", {"-r", "-u"}, "\xff\xfe\x41\x00\x42"s, "A", 0},
        {"UCS-2 U+FFFE has no mapping", {"-r", "-u"}, "\xff\xfe\xfe\xff\x41\x00"s, "A", 1},
        {"UCS-2 surrogates are not paired", {"-r", "-u"}, "\xff\xfe\x00\xd8\x00\xdc\x41\x00"s, "A", 1},
        {"UCS-2 later FEFF is a character", {"-r", "-u"}, "\xff\xfe\xff\xfe\x41\x00"s, "A", 1},
    });
}

/* Line feed, carriage return and 0x1A (GSM's capital xi, and the end-of-file
 * mark of a text-mode stream) pass exactly: no translation of line ends,
 * input does not end at 0x1A, and nothing gains a 0x0D. */
TEST(EndToEnd, BinaryStreams)
{
    run_cases({
        {"GSM to UTF-8", {}, "\x0a\x0d\x1a\x0a\x0d\x0a" "A", "\x0a\x0d\xce\x9e\x0a\x0d\x0a" "A", 0},
        {"GSM to UCS-2", {"-u"}, "\x0a\x1a\x0d" "A",
         "\xff\xfe\x0a\x00\x9e\x03\x0d\x00" "A\x00"s, 0},
        {"UTF-8 to GSM", {"-r"}, "\x0a\x0d\x0a\xce\x9e\x0d\x0a" "A", "\x0a\x0d\x0a\x1a\x0d\x0a" "A", 0},
        {"UTF-8 to GSM, U+001A has no mapping", {"-r"}, "A\x1a" "B\x0a", "AB\x0a", 1},
        {"UCS-2 to GSM", {"-r", "-u"}, "\xff\xfe\x0a\x00\x0d\x00\x9e\x03\x0d\x00\x0a\x00"s, "\x0a\x0d\x1a\x0d\x0a", 0},
        {"UCS-2 to GSM, unit 0D0A does not shift the pairs", {"-r", "-u"},
         "\xff\xfe\x0a\x0d\x1a\x00" "A\x00\x0a\x00"s, "A\x0a", 1},
    });
}

/* Every code with a mapping, through the program and back. */
TEST(EndToEnd, RoundTrip)
{
    std::string gsm;
    for (int code = 0; code < 128; ++code)
        if (code != 0x1B)
            gsm += static_cast<char>(code);
    for (char code : "\x0a\x14\x28\x29\x2f\x3c\x3d\x3e\x40\x65"s)
        gsm += "\x1b"s + code;

    for (bool ucs2 : {false, true}) {
        std::vector<std::string> form = ucs2 ? std::vector<std::string>{"-u"} : std::vector<std::string>{};
        Outcome there = run_program({form, gsm});
        ASSERT_EQ(there.status, 0) << command_line(form);
        form.push_back("-r");
        std::vector<std::string> unicode_forms = {there.out};
        if (ucs2) {
            std::string swapped = there.out;
            for (size_t i = 0; i + 1 < swapped.size(); i += 2)
                std::swap(swapped[i], swapped[i + 1]);
            unicode_forms.push_back(swapped); /* FE FF and big-endian units */
        }
        for (const std::string &unicode : unicode_forms) {
            SCOPED_TRACE(command_line(form) + (unicode[0] == '\xfe' ? ", big-endian" : ""));
            Outcome back = run_program({form, unicode});
            EXPECT_EQ(back.status, 0);
            EXPECT_EQ(back.out, gsm);
        }
    }
}

/* With -n each character comes out as soon as its last byte is in, in one
 * piece, while the input is still open; a partial one is held back. */
TEST(EndToEnd, UnbufferedPassesEachCharacterWhenComplete)
{
    const struct {
        std::vector<std::string> args, pieces, out;
    } cases[] = {
        {{"-n"}, {"A", "\x1b", "\x65", "\x10"}, {"A", "", "\xe2\x82\xac", "\xce\x94"}},
        {{"-n", "-u"}, {"A", "\x1b", "\x28"}, {"\xff\xfe" "A\0"s, "", "{\0"s}},
        {{"-n", "-r"}, {"A", "\xe2\x82", "\xac", "{"}, {"A", "", "\x1b\x65", "\x1b\x28"}},
        {{"-n", "-r", "-u"}, {"\xfe\xff\0A"s, "\x03", "\x94"}, {"A", "", "\x10"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(command_line(c.args));
        EXPECT_EQ(run_interactive(c.args, c.pieces, 300), c.out);
    }
}

/* Malformed input stops the reverse conversion after the faulty sequence:
 * the next reader of the input finds what follows it, from a pipe with -n
 * and from a regular file without, also past the first block. */
TEST(EndToEnd, RestOfInputIsLeftForTheNextReader)
{
    const std::string far(100000, 'A');
    const struct {
        const char *name;
        std::vector<std::string> args;
        std::string in, out, rest;
    } cases[] = {
        {"bad lead byte", {"-r"}, "A\xc0\x80REST", "A", "\x80REST"},
        {"bad continuation", {"-r"}, "A\xe2\x41\x42REST", "A", "REST"},
        {"surrogate", {"-r"}, "A\xed\xa0\x80REST", "A", "REST"},
        {"UCS-2 without a mark", {"-r", "-u"}, "A\0REST"s, "", "REST"},
        {"past the first block", {"-r"}, far + "\xed\xa0\x80REST", far, "REST"},
    };
    for (const auto &c : cases) {
        for (bool pipe : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pipe ? ", -n and a pipe" : ", a regular file"));
            Invocation call{c.args, c.in};
            if (pipe) {
                call.args.push_back("-n");
                call.pipe_chunk = c.in.size();
            }
            Outcome o = run_program(call);
            EXPECT_EQ(o.status, 1);
            EXPECT_EQ(o.out, c.out);
            EXPECT_EQ(o.rest, c.rest);
        }
    }
}

/* Large inputs, whole from a file and in small pieces through a pipe, in
 * every mode: the same bytes as the reference conversion. */
TEST(EndToEnd, LargeInputsWholeAndInPieces)
{
    std::mt19937 rng(2001);
    std::string gsm;
    while (gsm.size() < 300000)
        gsm += rng() % 8 ? static_cast<char>(rng() % 0x80) : "\x1b\x65"[rng() % 2];
    gsm += "\x80\x1b\x41";
    for (int mode = 0; mode < 4; ++mode) {
        const bool reverse = mode & 2, ucs2 = mode & 1;
        const std::string in = reverse ? ref_forward(gsm, ucs2).out + "\xc2\xa0" : gsm;
        const Converted want = reverse ? ref_reverse(in, ucs2) : ref_forward(in, ucs2);
        std::vector<std::string> args;
        if (reverse)
            args.push_back("-r");
        if (ucs2)
            args.push_back("-u");
        SCOPED_TRACE(command_line(args));
        for (size_t chunk : {size_t(0), size_t(4093)}) {
            Outcome o = run_program({args, in, nullptr, nullptr, false, chunk});
            EXPECT_EQ(o.status, want.status) << "chunk " << chunk;
            EXPECT_TRUE(o.out == want.out) << "chunk " << chunk;
        }
    }
}

/* A write that fails at an exact byte, inside a block or a character: the
 * output is exactly the prefix before it, and the status says so. */
TEST(EndToEnd, WriteFailsAtAnExactByte)
{
    const std::string gsm = "Hi \x1b\x65\x10 \x1b\x28x\x1b\x29 \x04\x05" + std::string(40, 'z') + "\x10";
    for (int mode = 0; mode < 8; ++mode) {
        const bool reverse = mode & 2, ucs2 = mode & 1;
        std::vector<std::string> args;
        if (reverse)
            args.push_back("-r");
        if (ucs2)
            args.push_back("-u");
        if (mode & 4)
            args.push_back("-n");
        const std::string in = reverse ? ref_forward(gsm, ucs2).out : gsm;
        const std::string full = (reverse ? ref_reverse(in, ucs2) : ref_forward(in, ucs2)).out;
        for (size_t k : {size_t(0), size_t(1), size_t(4), size_t(5), size_t(9), full.size() - 1, full.size()}) {
            SCOPED_TRACE(command_line(args) + ", " + std::to_string(k) + " bytes fit");
            Invocation call{args, in};
            call.size_limit = static_cast<long>(k);
            Outcome o = run_program(call);
            EXPECT_EQ(o.signal, 0);
            EXPECT_EQ(o.status, k < full.size() ? 1 : 0);
            EXPECT_EQ(o.out, full.substr(0, k));
        }
    }
}

TEST(EndToEnd, FailuresShowInTheExitStatus)
{
    const std::string text = "Price: 10\x1b\x65 \x10\x12";
    const struct {
        const char *name;
        Invocation call;
        int status;
    } cases[] = {
        {"standard input is a directory", {{}, "", "."}, 1},
        {"standard input is a directory, UCS-2", {{"-u"}, "", "."}, 1},
        {"disk full at the final flush", {{}, text, nullptr, "/dev/full"}, 1},
        {"disk full, unbuffered", {{"-n"}, text, nullptr, "/dev/full"}, 1},
        {"disk full, nothing to write", {{}, "", nullptr, "/dev/full"}, 0},
        {"disk full, the byte-order mark", {{"-u"}, "", nullptr, "/dev/full"}, 1},
        {"disk full, unbuffered byte-order mark", {{"-n", "-u"}, "", nullptr, "/dev/full"}, 1},
        {"standard output closed", {{}, text, nullptr, nullptr, true}, 1},
        {"standard output closed, unbuffered UCS-2", {{"-n", "-u"}, text, nullptr, nullptr, true}, 1},
        {"reverse: standard input is a directory", {{"-r"}, "", "."}, 1},
        {"reverse: disk full at the final flush", {{"-r"}, "Hello", nullptr, "/dev/full"}, 1},
        {"reverse: disk full, nothing to write", {{"-r"}, "", nullptr, "/dev/full"}, 0},
        {"reverse: standard output closed", {{"-r", "-u"}, "\xff\xfe" "A\0"s, nullptr, nullptr, true}, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = run_program(c.call);
        EXPECT_EQ(o.signal, 0);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.err, "");
    }
}

TEST(EndToEnd, ClosedPipeIsAFailureNotASignal)
{
    const std::string big(4 << 20, 'x');
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{}, {"-u"}, {"-n"}, {"-r"}, {"-r", "-n"}}) {
        SCOPED_TRACE(command_line(args));
        Outcome o = run_piped(args, big, 10, 10000, false);
        EXPECT_EQ(o.signal, 0);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out.size(), 10u);
    }
}

} // namespace
