/* The addon's entry: its instance data, the helpers every wrapper uses,
 * and the exports. */
#include "addon.h"

#include <cstring>

namespace {

const char *const status_names[] = {
    "SEPTCVT_OK",           "SEPTCVT_UNMAPPED",    "SEPTCVT_MALFORMED",      "SEPTCVT_NO_MARK",
    "SEPTCVT_NULL_POINTER", "SEPTCVT_NO_ROOM",     "SEPTCVT_NOT_SEPTET",     "SEPTCVT_BAD_FILL_BITS",
    "SEPTCVT_BAD_ARGUMENT", "SEPTCVT_TOO_MANY_PARTS", "SEPTCVT_BAD_USER_DATA", "SEPTCVT_NOT_TEXT",
    "SEPTCVT_BAD_TPDU",     "SEPTCVT_UNSUPPORTED_TPDU",
};

bool set_number(napi_env env, napi_value object, const char *name, double value)
{
    napi_value v;
    return ok(env, napi_create_double(env, value, &v)) && ok(env, napi_set_named_property(env, object, name, v));
}

} // namespace

instance &instance_of(napi_env env)
{
    return *Napi::Env(env).GetInstanceData<instance>();
}

bool ok(napi_env env, napi_status status)
{
    if (status == napi_ok)
        return true;
    bool pending = false;
    if (napi_is_exception_pending(env, &pending) != napi_ok || !pending) {
        const napi_extended_error_info *info = nullptr;
        napi_get_last_error_info(env, &info);
        napi_throw_error(env, nullptr, info != nullptr && info->error_message != nullptr ? info->error_message
                                                                                         : "Node-API call failed");
    }
    return false;
}

namespace {

/* An Error whose code is the status's name, with the message given. */
napi_value make_error(napi_env env, int status, const std::string &message)
{
    const bool known = status >= 0 && status < static_cast<int>(sizeof status_names / sizeof *status_names);
    napi_value code, text, error;
    if (!ok(env, napi_create_string_utf8(env, known ? status_names[status] : "SEPTCVT_UNKNOWN", NAPI_AUTO_LENGTH,
                                         &code)) ||
        !ok(env, napi_create_string_utf8(env, message.c_str(), message.size(), &text)) ||
        !ok(env, napi_create_error(env, code, text, &error)))
        return nullptr;
    return error;
}

} // namespace

void throw_status(napi_env env, int status, double index, double parts)
{
    std::string message = septcvt_strerror(status);
    if (index >= 0)
        message += " at index " + std::to_string(static_cast<uint64_t>(index));
    napi_value error = make_error(env, status, message);
    if (error == nullptr || (index >= 0 && !set_number(env, error, "offset", index)) ||
        (parts >= 0 && !set_number(env, error, "parts", parts)))
        return;
    ok(env, napi_throw(env, error));
}

void throw_fault(napi_env env, int status, const septcvt_tpdu_fault &fault)
{
    const std::string field = septcvt_field_name(fault.field);
    const bool found = status == SEPTCVT_BAD_TPDU || status == SEPTCVT_UNSUPPORTED_TPDU;
    std::string message = septcvt_strerror(status);
    if (!field.empty())
        message += ": " + field;
    if (found)
        message += " " + std::to_string(fault.value);
    /* data_coding and the SAR values are parameters of their own, at no octet. */
    if (found && fault.field < SEPTCVT_FIELD_DATA_CODING)
        message += " at octet " + std::to_string(fault.offset);
    napi_value error = make_error(env, status, message), name;
    if (error == nullptr)
        return;
    if (!field.empty() && (!ok(env, napi_create_string_utf8(env, field.c_str(), field.size(), &name)) ||
                           !ok(env, napi_set_named_property(env, error, "field", name))))
        return;
    if (found && (!set_number(env, error, "offset", static_cast<double>(fault.offset)) ||
                  !set_number(env, error, "value", fault.value)))
        return;
    ok(env, napi_throw(env, error));
}

bool read_text(napi_env env, napi_value value, std::vector<char16_t> &text)
{
    size_t units = 0;
    if (!ok(env, napi_get_value_string_utf16(env, value, nullptr, 0, &units)))
        return false;
    /* Room for the mark, the units and the terminator Node-API writes. */
    text.resize(units + 2);
    text[0] = 0xFEFF;
    size_t copied = 0;
    if (!ok(env, napi_get_value_string_utf16(env, value, text.data() + 1, units + 1, &copied)))
        return false;
    text.resize(copied + 1);
    return true;
}

bool read_bytes(napi_env env, napi_value value, const uint8_t **data, size_t *length)
{
    bool is_typed = false;
    if (!ok(env, napi_is_typedarray(env, value, &is_typed)))
        return false;
    napi_typedarray_type type = napi_int8_array;
    void *p = nullptr;
    if (is_typed && !ok(env, napi_get_typedarray_info(env, value, &type, length, &p, nullptr, nullptr)))
        return false;
    if (!is_typed || type != napi_uint8_array) {
        napi_throw_type_error(env, "SEPTCVT_BAD_ARGUMENT", "a Uint8Array is needed");
        return false;
    }
    /* An empty array may have no memory behind it: the library takes a
     * null pointer with no length. */
    *data = static_cast<const uint8_t *>(p);
    return true;
}

bool read_int(napi_env env, napi_value value, int32_t *out)
{
    return ok(env, napi_get_value_int32(env, value, out));
}

bool read_uint(napi_env env, napi_value value, uint32_t *out)
{
    return ok(env, napi_get_value_uint32(env, value, out));
}

napi_value make_bytes(napi_env env, const uint8_t *data, size_t length)
{
    void *p = nullptr;
    napi_value buffer, array;
    if (!ok(env, napi_create_arraybuffer(env, length, &p, &buffer)) ||
        !ok(env, napi_create_typedarray(env, napi_uint8_array, length, buffer, 0, &array)))
        return nullptr;
    if (length > 0)
        memcpy(p, data, length);
    return array;
}

napi_value make_numbers(napi_env env, const std::vector<double> &numbers)
{
    napi_value array;
    if (!ok(env, napi_create_array_with_length(env, numbers.size(), &array)))
        return nullptr;
    for (size_t i = 0; i < numbers.size(); ++i) {
        napi_value v;
        if (!ok(env, napi_create_double(env, numbers[i], &v)) ||
            !ok(env, napi_set_element(env, array, static_cast<uint32_t>(i), v)))
            return nullptr;
    }
    return array;
}

size_t append_utf8(std::u16string &out, const uint8_t *s, size_t length)
{
    const size_t before = out.size();
    for (size_t i = 0; i < length;) {
        uint32_t c = s[i];
        const size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + n > length)
            break;
        if (n > 1) {
            c &= 0x7Fu >> n;
            for (size_t j = 1; j < n; ++j)
                c = c << 6 | (s[i + j] & 0x3Fu);
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += n;
    }
    return out.size() - before;
}

napi_value make_double(napi_env env, double value)
{
    napi_value v;
    return ok(env, napi_create_double(env, value, &v)) ? v : nullptr;
}

napi_value make_array(napi_env env, std::initializer_list<napi_value> values)
{
    napi_value array;
    if (!ok(env, napi_create_array_with_length(env, values.size(), &array)))
        return nullptr;
    uint32_t i = 0;
    for (napi_value v : values)
        if (v == nullptr || !ok(env, napi_set_element(env, array, i++, v)))
            return nullptr;
    return array;
}

bool arguments(napi_env env, napi_callback_info info, napi_value *argv, size_t n)
{
    size_t given = n;
    return ok(env, napi_get_cb_info(env, info, &given, argv, nullptr, nullptr));
}

bool add_function(napi_env env, napi_value exports, const char *name, napi_callback function)
{
    napi_value f;
    return ok(env, napi_create_function(env, name, NAPI_AUTO_LENGTH, function, nullptr, &f)) &&
           ok(env, napi_set_named_property(env, exports, name, f));
}

namespace {

Napi::Object init(Napi::Env env, Napi::Object exports)
{
    auto *in = new instance();
    env.SetInstanceData(in);
    in->parts.resize(SEPTCVT_MOST_PARTS);
    Napi::Float64Array numbers = Napi::Float64Array::New(env, NUMBERS);
    Napi::Uint8Array bytes = Napi::Uint8Array::New(env, BYTES);
    if (env.IsExceptionPending())
        return exports;
    in->numbers = numbers.Data();
    in->bytes = bytes.Data();
    in->numbers_ref = Napi::Persistent(numbers);
    in->bytes_ref = Napi::Persistent(bytes);
    /* The layout of the shared arrays, for index.js to read them by. */
    napi_value version, unicode, head, part, octets;
    if (!ok(env, napi_create_string_utf8(env, septcvt_version(), NAPI_AUTO_LENGTH, &version)) ||
        !ok(env, napi_create_string_utf8(env, septcvt_unicode_version(), NAPI_AUTO_LENGTH, &unicode)) ||
        !ok(env, napi_create_uint32(env, HEAD_NUMBERS, &head)) || !ok(env, napi_create_uint32(env, PART_NUMBERS, &part)) ||
        !ok(env, napi_create_uint32(env, SEPTCVT_USER_DATA_OCTETS, &octets)))
        return exports;
    const napi_property_descriptor values[] = {
        {"numbers", nullptr, nullptr, nullptr, nullptr, numbers, napi_enumerable, nullptr},
        {"bytes", nullptr, nullptr, nullptr, nullptr, bytes, napi_enumerable, nullptr},
        {"headNumbers", nullptr, nullptr, nullptr, nullptr, head, napi_enumerable, nullptr},
        {"partNumbers", nullptr, nullptr, nullptr, nullptr, part, napi_enumerable, nullptr},
        {"userDataOctets", nullptr, nullptr, nullptr, nullptr, octets, napi_enumerable, nullptr},
        {"version", nullptr, nullptr, nullptr, nullptr, version, napi_enumerable, nullptr},
        {"unicodeVersion", nullptr, nullptr, nullptr, nullptr, unicode, napi_enumerable, nullptr},
    };
    if (!ok(env, napi_define_properties(env, exports, sizeof values / sizeof *values, values)))
        return exports;
    if (add_plan(env, exports) && add_convert(env, exports) && add_read(env, exports) && add_pdu(env, exports) &&
        add_smpp(env, exports))
        add_join(env, exports);
    return exports;
}

} // namespace

NODE_API_MODULE(septcvt, init)
