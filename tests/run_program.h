/* Runs the built program as a user would: exact bytes in, exact bytes out. */
#ifndef SEPTCVT_RUN_PROGRAM_H
#define SEPTCVT_RUN_PROGRAM_H

#include <string>
#include <vector>

struct Invocation {
    std::vector<std::string> args;
    std::string in;
    const char *stdin_path = nullptr;  /* instead of in, e.g. a directory */
    const char *stdout_path = nullptr; /* instead of a captured file, e.g. /dev/full */
    bool close_stdout = false;
    size_t pipe_chunk = 0;  /* in through a pipe, this many bytes a write, instead of a file */
    long size_limit = -1;   /* largest file the program may write (RLIMIT_FSIZE) */
};

struct Outcome {
    int status = -1; /* exit status, or -1 when ended by a signal */
    int signal = 0;  /* the signal that ended it, if one did */
    std::string out;
    std::string err;
    std::string rest; /* what the program left of its input for the next reader */
};

/* True when SEPTCVT_TARGET=windows says the program is a Windows build, whose
 * standard error is a text-mode stream. */
bool target_is_windows();

/* The program runs as SEPTCVT_COMMAND says when that is set (a command line
 * split at blanks, such as an emulator and the program), else as built. */
Outcome run_program(const Invocation &call);

/* Standard output is a pipe, of which only the first `want` bytes are read
 * (waiting at most timeout_ms) before it is closed. Standard input is the
 * bytes of in, from a file, or with open_input through a pipe that stays
 * open until then. */
Outcome run_piped(const std::vector<std::string> &args, const std::string &in, size_t want,
                  int timeout_ms, bool open_input);

/* Feeds a pipe piece by piece and returns what the program wrote after each
 * piece within wait_ms; the input stays open until the last piece is fed. */
std::vector<std::string> run_interactive(const std::vector<std::string> &args,
                                         const std::vector<std::string> &pieces, int wait_ms);

#endif
