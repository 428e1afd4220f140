/* The one place that touches descriptors and streams, and the only code that
 * knows which platform it runs on. Documented C library and system calls
 * only: nothing of the stream library's private state. */
#ifndef SEPTCVT_PLATFORM_H
#define SEPTCVT_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

/* Reads what the descriptor has, up to size bytes, waiting while it has
 * nothing: so a line typed at a terminal or a short write into a pipe is
 * passed on at once. The count, 0 at the end of the input, or -1 on a read
 * error. Interrupted reads are retried, and a non-blocking descriptor is
 * waited for rather than taken for a failure. */
long read_input(int fd, uint8_t *buf, size_t size);

/* The descriptor under a stream, or -1 where it has none. */
int stream_descriptor(FILE *stream);

/* True when the descriptor is a regular file, whose offset can be moved. */
bool is_regular_file(int fd);

/* Moves a regular file's offset back over count bytes that were read but not
 * used, for whoever reads the file next. */
void unread_input(int fd, size_t count);

/* Writes all n bytes to the descriptor: 0 when they went, 1 when a write
 * failed (a closed pipe, a full disk, a size limit); what went before stays
 * written. Interrupted and short writes go on where they stopped, and a
 * non-blocking descriptor is waited for rather than taken for a failure. */
int write_output(int fd, const uint8_t *bytes, size_t n);

/* Closes the descriptor of the output, where some systems (network file
 * systems, quotas) report a failed write for the first time: 0, or 1 when
 * it failed. A descriptor that was never open is no failure of its own:
 * every write to it has failed already. */
int close_output(int fd);

/* One byte 0-255 from a stream, or EOF at the end of the input or on a read
 * error. For the codec's stream functions, which read no further than a
 * character. */
int read_byte(FILE *in);

/* 0 when the byte was written, 1 when it was not. */
int write_byte(FILE *out, int byte);

/* No line-end translation and no end-of-file character: every byte passes.
 * Where the streams translate nothing there is nothing to do. */
void set_binary_mode(FILE *stream);

/* True when the processor and the system run AVX2 instructions; false on
 * processors that have none. */
bool cpu_has_avx2();

/* True when the processor has AVX-512 F, BW, VBMI and VBMI2, BMI2 and
 * POPCNT, and the system saves the 512-bit and mask registers; false
 * elsewhere. */
bool cpu_has_avx512();

/* The decision behind it, from what cpuid leaf 1 gives in ECX, leaf 7
 * (subleaf 0) in EBX and ECX, and XCR0. */
bool avx512_usable(uint32_t leaf1_ecx, uint32_t leaf7_ebx, uint32_t leaf7_ecx, uint32_t xcr0);

/* Fills buf with n bytes from the system's generator of random numbers:
 * 0, or 1 where it could not be read (a missing /dev/urandom, say). For
 * values that must differ from one run to the next, such as a
 * concatenation reference; nothing here is a secret. */
int random_bytes(uint8_t *buf, size_t n);

/* A reader that goes away must not kill a filter by a signal: the failed
 * write is reported like any other, through the exit status. */
void ignore_broken_pipe();

#endif
