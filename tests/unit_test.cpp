/* The codec's stream functions and the platform layer's reads. The tables
 * and the conversions have their own check (tests/kernel_check), against the
 * same reference model. */
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "convert.h"
#include "kernels.h"
#include "platform.h"
#include "reference.h"
#include "utf8.h"

namespace {

using namespace std::string_literals;

/* What an unbuffered stream of the writers' test took, how much it takes
 * before it fails, and whether it fails for one write only. */
struct { std::string taken; size_t room; bool recovers; } sink;

TEST(Codec, StreamFunctions)
{
    /* The writers, into a stream that holds only `room` bytes, at every
     * room up to their whole output: the bytes before a failed write stay. */
    const struct { bool gsm; uint32_t value; std::string out; int status; } writes[] = {
        {true, 0x40, "\0"s, 0}, {true, 0x20AC, "\x1b\x65", 0}, {true, 0xE7, "", 1}, {true, 0x1B, "\x1b", 0},
        {false, 0x7F, "\x7f", UTF_OK}, {false, 0x7FF, "\xdf\xbf", UTF_OK}, {false, 0xFFFD, "\xef\xbf\xbd", UTF_OK},
        {false, 0x10000, "\xf0\x90\x80\x80", UTF_OK}, {false, 0x1FFFFE, "\xf7\xbf\xbf\xbe", UTF_OK},
        {false, 0x200000, "\xf8\x88\x80\x80\x80", UTF_OK}, {false, 0x3FFFFFF, "\xfb\xbf\xbf\xbf\xbf", UTF_OK},
        {false, 0x7FFFFFFF, "\xfd\xbf\xbf\xbf\xbf\xbf", UTF_OK}, {false, 0xD800, "", UTF_SURROGATE},
        {false, 0xDFFF, "", UTF_SURROGATE}, {false, 0xFFFE, "", UTF_NONCHAR}, {false, 0xFFFF, "", UTF_NONCHAR},
        {false, 0x80000000, "", UTF_NONCHAR}};
    for (const auto &w : writes) {
        for (size_t at = 0; at <= 2 * w.out.size() + 1; ++at) {
            sink = {"", at / 2, at % 2 == 1};
            FILE *f = fopencookie(nullptr, "w", {nullptr, [](void *, const char *buf, size_t size) -> ssize_t {
                                                     const size_t n = std::min(size, sink.room - sink.taken.size());
                                                     sink.room = n == 0 && sink.recovers ? SIZE_MAX : sink.room;
                                                     sink.taken.append(buf, n);
                                                     return static_cast<ssize_t>(n); /* 0: the write failed */
                                                 }, nullptr, nullptr});
            setvbuf(f, nullptr, _IONBF, 0);
            const int status = w.gsm ? gsm_put(f, static_cast<uint16_t>(w.value)) : utf8_put(f, w.value);
            const int want = at / 2 < w.out.size() ? (w.gsm ? 1 : UTF_IO) : w.status;
            EXPECT_EQ(std::make_pair(status, sink.taken), std::make_pair(want, w.out.substr(0, at / 2))) << w.value << " " << at;
            fclose(f);
        }
    }
    EXPECT_EQ(utf8_put(nullptr, 0xD800), UTF_NULL);
    /* The reader, call after call: what it returns, stores and uses up. */
    for (const std::string &in : {"A\0\xc2\xa3\xe2\x82\xac\xf4\x90\x80\x80\xfc\x84\x80\x80\x80\x80\xc0\x80"s,
                                  "\xed\xa0\x80\xef\xbf\xbe\xe0\x9f\xbf\xc3\x41\x80\xfe\xe2\x82"s, "\xe2\x41\x42\xe2\x41"s}) {
        FILE *f = fmemopen(const_cast<char *>(in.data()), in.size(), "r");
        for (RefDecoded want{0, 0, 0}; want.status != 1;) {
            uint32_t value = 0x12345678;
            const int status = utf8_get(f, &value);
            want = ref_decode(in, want.next);
            EXPECT_EQ(std::make_tuple(status, value, static_cast<size_t>(ftell(f))), std::make_tuple(want.status, want.value, want.next))
                << testing::PrintToString(in) << ": status, value, bytes used";
        }
        fclose(f);
    }
    uint32_t untouched = 7;
    EXPECT_EQ(utf8_get(nullptr, &untouched), UTF_NULL);
    EXPECT_EQ(utf8_get(stdin, nullptr), UTF_NULL);
    EXPECT_EQ(untouched, 7u);
}

/* A read or a write that waits, on a blocking descriptor or for a
 * non-blocking one to become ready, is interrupted by a signal whose handler
 * has no SA_RESTART: it goes on, and ends with all the data, not with an
 * error. Waits that a fault turns into a hang fail at the alarm, in seconds. */
int write_end = -1;
std::atomic<int> interrupted; /* lock-free: the handler stores, another thread loads */
TEST(Platform, InterruptedWaitsGoOn)
{
    alarm(10);
    struct sigaction on_signal = {};
    on_signal.sa_handler = [](int) { /* for a read, its data; errno as the interrupted call left it */
        const int saved = errno;
        if (write_end >= 0)
            (void)!write(write_end, "Hi", 2);
        errno = saved, interrupted = 1;
    };
    ASSERT_EQ(sigaction(SIGUSR1, &on_signal, nullptr), 0);
    const std::string data(1 << 20, 'x');
    for (const bool writing : {false, true}) {
        for (const bool nonblocking : {false, true}) {
            int ends[2];
            ASSERT_EQ(pipe(ends), 0);
            /* A write waits once the pipe is full. */
            ASSERT_EQ(fcntl(ends[writing], F_SETFL, O_NONBLOCK), 0);
            size_t filled = 0;
            while (writing && write(ends[1], data.data(), 4096) > 0)
                filled += 4096;
            ASSERT_EQ(fcntl(ends[writing], F_SETFL, nonblocking ? O_NONBLOCK : 0), 0);
            write_end = writing ? -1 : ends[1], interrupted = 0;
            /* The signal comes once the waiting thread is asleep; once it
             * has been taken, a write's pipe is drained. */
            std::string drained;
            std::thread other([&, waiter = pthread_self(), stat = "/proc/self/task/" + std::to_string(gettid()) + "/stat"] {
                for (std::string line; std::getline(std::ifstream(stat), line), line.find(") S ") == line.npos;)
                    usleep(1000);
                pthread_kill(waiter, SIGUSR1);
                while (!interrupted)
                    usleep(1000);
                char buf[4096];
                for (long got; writing && (got = read(ends[0], buf, sizeof buf)) > 0;)
                    drained.append(buf, static_cast<size_t>(got));
            });
            uint8_t got[4];
            if (writing) {
                EXPECT_EQ(write_output(ends[1], reinterpret_cast<const uint8_t *>(data.data()), data.size()), 0) << nonblocking;
                close(ends[1]);
            } else {
                EXPECT_EQ(read_input(ends[0], got, sizeof got), 2) << nonblocking;
            }
            other.join();
            EXPECT_EQ(drained.size(), writing ? filled + data.size() : 0);
            close(ends[0]), writing || close(ends[1]);
        }
    }
    alarm(0);
}

/* AVX-512 only where the processor has every set the kernels use and the
 * system saves the registers: any one bit of them taken away, with and
 * without every other bit set, and no other bit counts. */
TEST(Platform, Avx512OnlyWithAllItNeeds)
{
    /* POPCNT, OSXSAVE; BMI2, F, BW; VBMI, VBMI2; XCR0's SSE, AVX, mask and upper 512-bit state. */
    const uint32_t needed[4] = {1u << 23 | 1u << 27, 1u << 8 | 1u << 16 | 1u << 30, 1u << 1 | 1u << 6, 0xE6};
    for (const uint32_t others : {0u, ~0u}) {
        for (int word = 0; word < 4; ++word) {
            for (int bit = 0; bit < 32; ++bit) {
                uint32_t w[4] = {needed[0] | others, needed[1] | others, needed[2] | others, needed[3] | others};
                w[word] &= ~(1u << bit);
                EXPECT_EQ(avx512_usable(w[0], w[1], w[2], w[3]), (needed[word] >> bit & 1) == 0) << word << " " << bit;
            }
        }
    }
}

/* SEPTCVT_KERNELS caps the kernel sets at the level it names, and the best
 * one the processor has at or below it is taken; an unknown value, or none,
 * leaves the fastest. */
TEST(Kernels, OverrideCapsTheChoice)
{
    const kernel_set avx512{"avx512", 3, 64, {}, {}, {}, {}, {}, {}, {}, {}, {}}, avx2{"avx2", 2, 32, {}, {}, {}, {}, {}, {}, {}, {}, {}},
        sse2{"sse2", 1, 16, {}, {}, {}, {}, {}, {}, {}, {}, {}}, emulated{"avx512-emulated", 3, 64, {}, {}, {}, {}, {}, {}, {}, {}, {}};
    const kernel_set *const all[] = {&avx512, &avx2, &sse2, &emulated, nullptr}, *const no_avx512[] = {&avx2, &sse2, &emulated, nullptr},
                           *const none[] = {nullptr};
    struct Case { const kernel_set *const *runnable; const char *wanted; const kernel_set *chosen; };
    const Case cases[] = {{all, nullptr, &avx512}, {all, "avx512", &avx512}, {all, "avx2", &avx2}, {all, "sse2", &sse2},
                          {all, "scalar", nullptr}, {all, "AVX2", &avx512}, {all, "", &avx512}, {all, "avx", &avx512},
                          {no_avx512, "avx512", &avx2}, {no_avx512, "sse2", &sse2}, {no_avx512, "scalar", nullptr},
                          {none, "avx512", nullptr}, {none, nullptr, nullptr}};
    for (const Case &c : cases)
        EXPECT_EQ(pick_kernels(c.runnable, c.wanted), c.chosen) << (c.wanted != nullptr ? c.wanted : "(unset)");
}

/* Random bytes fill exactly what was asked, at lengths that end inside a
 * word and past several: every byte asked for is written (two draws both
 * leave one as it was once in 65536), none after, and two draws differ. */
TEST(Platform, RandomBytesFillWhatWasAsked)
{
    for (const size_t n : {size_t{0}, size_t{1}, size_t{5}, size_t{16}, size_t{37}}) {
        uint8_t first[40], second[40];
        memset(first, 0xA5, sizeof first);
        memset(second, 0xA5, sizeof second);
        ASSERT_EQ(random_bytes(first, n), 0);
        ASSERT_EQ(random_bytes(second, n), 0);
        for (size_t i = 0; i < sizeof first; ++i)
            EXPECT_EQ(first[i] == 0xA5 && second[i] == 0xA5, i >= n) << n << " " << i;
        if (n >= 16) {
            EXPECT_NE(memcmp(first, second, n), 0) << n;
        }
    }
}

} // namespace
