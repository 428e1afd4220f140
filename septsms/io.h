/* Where a command's texts come from, and where its results go. */
#ifndef SEPTSMS_IO_H
#define SEPTSMS_IO_H

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

/* What went wrong with a source's text, as a problem says it: behind the
 * source's label where it has one. */
std::string about(const source &s, const std::string &what);

/* Standard output, written past the stream's buffer and checked: the first
 * failure is said on standard error, and every later write is skipped.
 * EXIT_DONE, or EXIT_IO once a write failed. */
int write_out(const std::string &bytes);

/* Closes standard output, where some systems report a failed write for the
 * first time: EXIT_DONE, or EXIT_IO when it or an earlier write failed. */
int finish_output();

#endif
