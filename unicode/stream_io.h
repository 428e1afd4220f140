/* The one place that knows the platform's standard streams.
 *
 * The conversions move one byte, or one 16-bit unit as a block of two bytes,
 * per call into the stream library, so that an unbuffered stream hands every
 * byte or unit to the system at once. The program has a single thread, so the
 * calls that skip the stream lock are safe and keep the per-byte cost low. */
#ifndef SEPTCVT_STREAM_IO_H
#define SEPTCVT_STREAM_IO_H

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <csignal>
#endif

/* One byte 0-255, or EOF at the end of the input or on a read error. */
inline int read_byte(FILE *in)
{
#if defined(_WIN32)
    return _fgetc_nolock(in);
#else
    return getc_unlocked(in);
#endif
}

/* 0 when the byte was written, 1 when it was not. */
inline int write_byte(FILE *out, int byte)
{
#if defined(_WIN32)
    return _fputc_nolock(byte, out) == EOF ? 1 : 0;
#else
    return putc_unlocked(byte, out) == EOF ? 1 : 0;
#endif
}

/* 0 when both bytes were read; 1 when fewer came (the end or an error), in
 * which case a lone first byte is dropped. Two single reads take the same
 * bytes from the system as one block read would, and cost far less. */
inline int read_pair(FILE *in, unsigned char pair[2])
{
    const int first = read_byte(in);
    if (first == EOF)
        return 1;
    const int second = read_byte(in);
    if (second == EOF)
        return 1;
    pair[0] = static_cast<unsigned char>(first);
    pair[1] = static_cast<unsigned char>(second);
    return 0;
}

/* 0 when both bytes were written, 1 otherwise. An unbuffered stream gets them
 * in one call, and so in one system write: the unit never arrives in halves.
 * Into a buffer, two single writes do the same and cost far less. */
inline int write_pair(FILE *out, const unsigned char pair[2])
{
#if defined(_WIN32) && (defined(_MSC_VER) || defined(_UCRT) || __MSVCRT_VERSION__ >= 0x800)
    return _fwrite_nolock(pair, 1, 2, out) == 2 ? 0 : 1;
#elif defined(__GLIBC__)
    /* The buffer pointers that putc_unlocked itself uses: room for both
     * bytes means neither single write can reach the system. */
    if (out->_IO_write_end - out->_IO_write_ptr >= 2) {
        putc_unlocked(pair[0], out);
        putc_unlocked(pair[1], out);
        return 0;
    }
    return fwrite_unlocked(pair, 1, 2, out) == 2 ? 0 : 1;
#else
    /* Other C libraries, and the old msvcrt.dll, which has no lock-free
     * block write. */
    return fwrite(pair, 1, 2, out) == 2 ? 0 : 1;
#endif
}

/* A read that got nothing is either the end of the input or a failure; only
 * the stream's error indicator tells them apart. */
inline bool read_failed(FILE *in)
{
    return ferror(in) != 0;
}

/* A write that failed leaves the stream's error indicator set. */
inline bool write_failed(FILE *out)
{
    return ferror(out) != 0;
}

/* No line-end translation and no end-of-file character: every byte passes.
 * Where the streams translate nothing there is nothing to do. */
inline void set_binary_mode(FILE *stream)
{
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

/* A reader that goes away must not kill a filter by a signal: the failed
 * write is reported like any other, through the exit status. */
inline void ignore_broken_pipe()
{
#ifdef SIGPIPE
    signal(SIGPIPE, SIG_IGN);
#endif
}

#endif
