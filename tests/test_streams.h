/* Streams for driving the codec and the conversions in-process: input from
 * memory or a temporary file, output into memory through a stream that can
 * fail on purpose. glibc only (fopencookie). */
#ifndef SEPTCVT_TEST_STREAMS_H
#define SEPTCVT_TEST_STREAMS_H

#include <cstddef>
#include <cstdio>
#include <string>

constexpr size_t NO_LIMIT = static_cast<size_t>(-1);

/* Reads the bytes of data from memory: for the codec's stream functions. */
FILE *memory_stream(const std::string &data);

/* A temporary file that holds data, read from its start: the conversions
 * read the descriptor under a stream, which a memory stream lacks. */
FILE *input_file(const std::string &data);

/* Appends what is written to *sink; after accept bytes every write fails, as
 * on a full disk, or with recovers only the first one, as a passing error
 * does. Unbuffered unless buffered is set; then it flushes every 61 bytes. */
FILE *output_stream(std::string *sink, size_t accept = NO_LIMIT, bool buffered = false,
                    bool recovers = false);

/* Runs a conversion (gsm_to_unicode or unicode_to_gsm) on in with opt_ucs2
 * as given, appending its output to *out; the status, or -1 when the output
 * could not be flushed. The option is 0 again afterwards. */
int convert_in_memory(int (*conversion)(FILE *, FILE *), bool ucs2, const std::string &in,
                      std::string *out);

#endif
