#include "platform.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

long read_input(int fd, uint8_t *buf, size_t size)
{
    for (;;) {
#ifdef _WIN32
        const long got = _read(fd, buf, static_cast<unsigned>(size));
#else
        const long got = static_cast<long>(read(fd, buf, size));
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            /* Standard input may be left non-blocking by whoever shares it;
             * its data is still to come. */
            pollfd ready = {fd, POLLIN, 0};
            if (poll(&ready, 1, -1) >= 0 || errno == EINTR)
                continue;
            return -1;
        }
#endif
        if (got >= 0 || errno != EINTR)
            return got;
    }
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

int write_output(FILE *out, const uint8_t *bytes, size_t n)
{
    return fwrite(bytes, 1, n, out) == n ? 0 : 1;
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

void set_unbuffered(FILE *stream)
{
    setvbuf(stream, nullptr, _IONBF, 0);
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

void ignore_broken_pipe()
{
#ifdef SIGPIPE
    signal(SIGPIPE, SIG_IGN);
#endif
}
