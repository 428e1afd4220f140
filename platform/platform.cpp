/* rand_s is declared only where this comes before the C library's headers. */
#ifdef _WIN32
#define _CRT_RAND_S
#endif
#include "platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

/* After a failed read or write: true when it is to be tried again, because
 * it was interrupted, or because the descriptor is non-blocking (left so by
 * whoever shares it: a terminal is often one open file for both standard
 * streams) and has now become ready to read or to write. */
static bool try_again(int fd, bool to_write)
{
    if (errno == EINTR)
        return true;
#ifdef _WIN32
    (void)fd;
    (void)to_write;
    return false;
#else
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return false;
    /* A reader that goes away wakes the wait too; the next write fails. */
    pollfd ready = {fd, static_cast<short>(to_write ? POLLOUT : POLLIN), 0};
    return poll(&ready, 1, -1) >= 0 || errno == EINTR;
#endif
}

long read_input(int fd, uint8_t *buf, size_t size)
{
    for (;;) {
#ifdef _WIN32
        const long got = _read(fd, buf, static_cast<unsigned>(size));
#else
        const long got = static_cast<long>(read(fd, buf, size));
#endif
        if (got >= 0 || !try_again(fd, false))
            return got;
    }
}

int write_output(int fd, const uint8_t *bytes, size_t n)
{
    while (n > 0) {
#ifdef _WIN32
        /* The count is an int there. */
        const long put = _write(fd, bytes, static_cast<unsigned>(n < (1u << 30) ? n : 1u << 30));
#else
        const long put = static_cast<long>(write(fd, bytes, n));
#endif
        if (put > 0) {
            bytes += put;
            n -= static_cast<size_t>(put);
        } else if (put == 0 || !try_again(fd, true)) {
            return 1;
        }
    }
    return 0;
}

int close_output(int fd)
{
#ifdef _WIN32
    return _close(fd) == 0 || errno == EBADF ? 0 : 1;
#else
    return close(fd) == 0 || errno == EBADF ? 0 : 1;
#endif
}

int stream_descriptor(FILE *stream)
{
#ifdef _WIN32
    return _fileno(stream);
#else
    return fileno(stream);
#endif
}

bool is_regular_file(int fd)
{
#ifdef _WIN32
    struct _stat64 info;
    return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
#endif
}

void unread_input(int fd, size_t count)
{
    /* Nothing more can be reported if this fails: the conversion has
     * already ended with status 1. */
#ifdef _WIN32
    (void)_lseeki64(fd, -static_cast<__int64>(count), SEEK_CUR);
#else
    (void)lseek(fd, -static_cast<off_t>(count), SEEK_CUR);
#endif
}

int read_byte(FILE *in)
{
    return getc(in);
}

int write_byte(FILE *out, int byte)
{
    return putc(byte, out) == EOF ? 1 : 0;
}

void set_binary_mode(FILE *stream)
{
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

bool cpu_has_avx2()
{
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    /* The compiler's runtime checks the system's support for the wider
     * registers too. */
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool avx512_usable(uint32_t leaf1_ecx, uint32_t leaf7_ebx, uint32_t leaf7_ecx, uint32_t xcr0)
{
    const bool popcnt = (leaf1_ecx >> 23 & 1) != 0, osxsave = (leaf1_ecx >> 27 & 1) != 0;
    const bool bmi2 = (leaf7_ebx >> 8 & 1) != 0, f = (leaf7_ebx >> 16 & 1) != 0, bw = (leaf7_ebx >> 30 & 1) != 0;
    const bool vbmi = (leaf7_ecx >> 1 & 1) != 0, vbmi2 = (leaf7_ecx >> 6 & 1) != 0;
    /* A processor may have the instructions while the system does not save
     * their registers on a task switch: the SSE and AVX state, the mask
     * registers and both upper parts of the 512-bit registers (bits 1, 2
     * and 5-7 of XCR0). */
    return popcnt && osxsave && bmi2 && f && bw && vbmi && vbmi2 && (xcr0 & 0xE6u) == 0xE6u;
}

#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
static bool ask_for_avx512()
{
    unsigned a = 0, b = 0, c = 0, d = 0, leaf1_ecx = 0;
    if (__get_cpuid(1, &a, &b, &leaf1_ecx, &d) == 0 || (leaf1_ecx >> 27 & 1) == 0 ||
        __get_cpuid_count(7, 0, &a, &b, &c, &d) == 0)
        return false;
    /* xgetbv is read only where OSXSAVE says the system enabled it. */
    uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return avx512_usable(leaf1_ecx, b, c, low);
}
#endif

bool cpu_has_avx512()
{
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    /* Remembered: in a virtual machine every cpuid traps to the host, and
     * the answer is wanted for every conversion. Constant-initialized, so
     * no guard; threads that race store the same answer. */
    static std::atomic<int> known{-1};
    int answer = known.load(std::memory_order_relaxed);
    if (answer < 0) {
        answer = ask_for_avx512() ? 1 : 0;
        known.store(answer, std::memory_order_relaxed);
    }
    return answer == 1;
#else
    return false;
#endif
}

int random_bytes(uint8_t *buf, size_t n)
{
#ifdef _WIN32
    for (size_t i = 0; i < n; i += 4) {
        unsigned int word = 0;
        if (rand_s(&word) != 0)
            return 1;
        for (size_t k = i; k < n && k < i + 4; ++k, word >>= 8)
            buf[k] = static_cast<uint8_t>(word);
    }
    return 0;
#else
    const int fd = open("/dev/urandom", O_RDONLY);
    if (fd < 0)
        return 1;
    size_t got = 0;
    for (long r; got < n && (r = read_input(fd, buf + got, n - got)) > 0;)
        got += static_cast<size_t>(r);
    close(fd);
    return got == n ? 0 : 1;
#endif
}

void ignore_broken_pipe()
{
#ifdef SIGPIPE
    signal(SIGPIPE, SIG_IGN);
#endif
}
