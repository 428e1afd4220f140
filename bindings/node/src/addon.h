/* What the wrappers of the Node package share: the scratch memory of each
 * instance of the addon (one per thread that loads it), the shared arrays
 * through which a plan's numbers and user data reach JavaScript without an
 * object made per field, reading arguments, and errors that carry the
 * library's status.
 *
 * The wrappers are thin on purpose: index.js checks the caller's arguments
 * and builds the objects the caller sees; a wrapper takes plain numbers,
 * strings and Uint8Arrays, calls the library and checks every status, of
 * the library and of Node-API alike. A failed Node-API call leaves a
 * JavaScript exception pending and the wrapper returns at once. */
#ifndef SEPTCVT_NODE_ADDON_H
#define SEPTCVT_NODE_ADDON_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <napi.h>
#include <septcvt.h>

/* Doubles of the numbers array: a plan's head, then PART_NUMBERS a part. */
constexpr size_t HEAD_NUMBERS = 8;
constexpr size_t PART_NUMBERS = 7;
constexpr size_t NUMBERS = HEAD_NUMBERS + PART_NUMBERS * SEPTCVT_MOST_PARTS;
/* Octets of the bytes array: each part's user data at k * 140. */
constexpr size_t BYTES = SEPTCVT_USER_DATA_OCTETS * SEPTCVT_MOST_PARTS;

struct instance {
    Napi::Reference<Napi::Float64Array> numbers_ref;
    Napi::Reference<Napi::Uint8Array> bytes_ref;
    double *numbers = nullptr;
    uint8_t *bytes = nullptr;
    std::vector<char16_t> text;  /* the text of the call, behind a byte-order mark */
    std::vector<uint8_t> out;    /* the output of a conversion */
    std::u16string shown;        /* the parts' text as read back */
    std::vector<septcvt_part> parts;
};

instance &instance_of(napi_env env);

/* False, with an exception pending, where a Node-API call failed. */
bool ok(napi_env env, napi_status status);

/* Throws an Error whose code is the status's name, with `offset` where
 * index is not negative and `parts` where parts is. */
void throw_status(napi_env env, int status, double index = -1, double parts = -1);

/* A JavaScript string as UCS-2 input of the library: its UTF-16 units
 * behind a mark in the host's byte order, which the library reads either
 * way. Offsets into it are then string indices at a glance. */
bool read_text(napi_env env, napi_value value, std::vector<char16_t> &text);
inline double text_index(uint64_t offset)
{
    return offset < 2 ? 0 : static_cast<double>((offset - 2) / 2);
}
inline size_t text_bytes(const std::vector<char16_t> &text)
{
    return text.size() * sizeof(char16_t);
}

/* The bytes of a Uint8Array (a Buffer among them). */
bool read_bytes(napi_env env, napi_value value, const uint8_t **data, size_t *length);
bool read_int(napi_env env, napi_value value, int32_t *out);
bool read_uint(napi_env env, napi_value value, uint32_t *out);

/* A new Uint8Array holding data[0..length). */
napi_value make_bytes(napi_env env, const uint8_t *data, size_t length);
/* A new Array of the numbers. */
napi_value make_numbers(napi_env env, const std::vector<double> &numbers);

/* UTF-8 that the library wrote, appended as UTF-16; the units appended. */
size_t append_utf8(std::u16string &out, const uint8_t *s, size_t length);

/* The call's first n arguments (undefined where the caller gave fewer). */
bool arguments(napi_env env, napi_callback_info info, napi_value *argv, size_t n);

/* Each file of wrappers adds its functions to the exports. */
bool add_function(napi_env env, napi_value exports, const char *name, napi_callback function);
bool add_plan(napi_env env, napi_value exports);
bool add_convert(napi_env env, napi_value exports);
bool add_read(napi_env env, napi_value exports);

#endif
