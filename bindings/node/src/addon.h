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
#include <initializer_list>
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
/* The same with the field a fault report names (its name, such as
 * "TP-UDL"), and where a reader found the fault (SEPTCVT_BAD_TPDU,
 * SEPTCVT_UNSUPPORTED_TPDU) the octet's offset and the field's value; a
 * writer's fault names the argument alone. */
void throw_fault(napi_env env, int status, const septcvt_tpdu_fault &fault);

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

/* plan()'s arguments (text, lockingMask, singleMask, replace,
 * referenceBits, reference, elements), read and planned: the plan's
 * numbers and user data in the shared arrays, the parts in the instance,
 * and *result what plan() returns. The wire calls that write a plan's
 * parts start with it, their own arguments after these. False with an
 * exception pending where it refused. */
constexpr size_t PLAN_ARGUMENTS = 7;
struct planned {
    septcvt_plan_options options{};
    septcvt_plan plan{};
    uint32_t reference = 0;
};
bool run_plan(napi_env env, napi_value *argv, planned &p, napi_value *result);
/* The same, planned only: the text in the instance and the parts there;
 * with `any_length`, a plan of more than 255 parts too, which a
 * message_payload carries whole. */
bool plan_arguments(napi_env env, napi_value *argv, planned &p, bool any_length = false);

/* An array of the values, or null where a call failed. */
napi_value make_array(napi_env env, std::initializer_list<napi_value> values);
napi_value make_double(napi_env env, double value);

/* A deliver_sm's fields as readDeliverSm and joinPartFromSmpp take them:
 * short_message or message_payload, whether it is the payload, esm_class,
 * data_coding, whether the SAR values go and the three, and the settings
 * (smscAlphabet, ucs2Class). */
constexpr size_t SMPP_ARGUMENTS = 10;
struct smpp_fields {
    const uint8_t *message = nullptr;
    size_t length = 0;
    int payload = 0, esm_class = 0, data_coding = 0;
    septcvt_smpp_sar sar{};
    septcvt_smpp_settings settings{};
};
bool read_smpp(napi_env env, napi_value *argv, smpp_fields &f);

/* Each file of wrappers adds its functions to the exports. */
bool add_function(napi_env env, napi_value exports, const char *name, napi_callback function);
bool add_plan(napi_env env, napi_value exports);
bool add_convert(napi_env env, napi_value exports);
bool add_read(napi_env env, napi_value exports);
bool add_pdu(napi_env env, napi_value exports);
bool add_smpp(napi_env env, napi_value exports);
bool add_join(napi_env env, napi_value exports);

#endif
