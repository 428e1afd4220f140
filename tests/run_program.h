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
};

struct Outcome {
    int status = -1; /* exit status, or -1 when ended by a signal */
    int signal = 0;  /* the signal that ended it, if one did */
    std::string out;
    std::string err;
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

#endif
