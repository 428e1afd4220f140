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
    int status = -1;     /* exit status, or -1 when killed by a signal */
    int signal = 0;      /* the signal that ended it, if one did */
    std::string out;
    std::string err;
};

/* The program runs as SEPTCVT_COMMAND says when that is set (a command line
 * split at blanks, such as an emulator and the program), else as built. */
std::vector<std::string> program_command();

/* True when SEPTCVT_TARGET=windows says the program is a Windows build, whose
 * standard error is a text-mode stream. */
bool target_is_windows();

Outcome run_program(const Invocation &call);

/* Writes in to the program and reads limit bytes of its output through a pipe,
 * then closes the pipe while the program is still writing. */
Outcome run_into_closed_pipe(const std::vector<std::string> &args, const std::string &in,
                             size_t limit);

/* Writes in to the program through a pipe that stays open, and collects what
 * comes out within timeout_ms or until want bytes arrived; only then closes
 * the program's input and waits for it. out holds what came while the input
 * was still open. */
Outcome run_with_open_input(const std::vector<std::string> &args, const std::string &in,
                            size_t want, int timeout_ms);

#endif
