/* Shared by the fuzz targets: a check that stops the run with a message, so
 * that the fuzzer keeps the input as a finding. */
#ifndef SEPTCVT_FUZZ_CHECK_H
#define SEPTCVT_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            abort();                                                                          \
        }                                                                                     \
    } while (0)

#endif
