/* Where a command's texts come from, and where its results go. */
#ifndef SEPTSMS_IO_H
#define SEPTSMS_IO_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "command.h"

/* Where a command's texts come from: the STRING of each --text, or else
 * each file operand ("-" for standard input), or else standard input. */
struct source {
    std::string label; /* how problems name it: "" where it is the only input and no file */
    std::string path;  /* a file's name, or "-" */
    const char *text;  /* the STRING of --text, or null for a file */
};

/* The sources of the texts the command line names, each with its label;
 * empty after a problem (--text and files together). */
std::vector<source> sources_of(const common_args &args);

/* A source's bytes, read whole into out: EXIT_DONE, or EXIT_IO with why
 * saying what failed and where ("cannot read in.txt: ..."). */
int read_source(const source &s, std::string &out, std::string &why);

/* Each line of a source's text, its line end (LF, or CR LF) left out, with
 * its number counted from 1. */
void each_line(const std::string &all, const std::function<void(size_t number, std::string &line)> &each);

/* What went wrong with a source's text, as a problem says it: behind the
 * source's label where it has one. */
std::string about(const source &s, const std::string &what);

/* What a command made of one text: EXIT_DONE and what to write of it (a
 * report, or a JSON line), or a status with what went wrong and, where one
 * byte is to blame, its offset. */
struct outcome {
    int status = EXIT_DONE;
    std::string out, why;
    uint64_t error_offset = UINT64_MAX;
};

/* Every command's loop over its texts: reads each source in turn and has
 * work make its outcome. A report is written behind a line naming the
 * source where there are several, a blank line between two; each text
 * refused or not read is said on standard error behind its label and,
 * with json, written as an object of its own, so every text has one. The
 * highest status; EXIT_IO at once where the output fails. */
int for_each_text(const std::vector<source> &sources, bool json,
                  const std::function<outcome(const std::string &text)> &work);

/* Standard output, written past the stream's buffer and checked: the first
 * failure is said on standard error, and every later write is skipped.
 * EXIT_DONE, or EXIT_IO once a write failed. */
int write_out(const std::string &bytes);

/* Closes standard output, where some systems report a failed write for the
 * first time: EXIT_DONE, or EXIT_IO when it or an earlier write failed. */
int finish_output();

#endif
