/* toGsm(text, locking, single) and toUnicode(gsm, locking, single): a
 * whole text converted with a pair of tables, returned as [output,
 * unmapped], unmapped a flat array of (index, length) of each character
 * the pair lacks, each left out of the output. Text indices are string
 * indices; GSM indices are those of the codes. */
#include "addon.h"

namespace {

bool read_pair(napi_env env, napi_value *argv, int32_t *locking, int32_t *single)
{
    return read_int(env, argv[0], locking) && read_int(env, argv[1], single);
}

/* Where each unmapped character stands in in[0..length). */
bool unmapped_places(napi_env env, int direction, int locking, int single, const void *in, size_t length,
                     std::vector<double> &flat)
{
    for (uint64_t from = 0;;) {
        uint64_t offset = SEPTCVT_NO_OFFSET;
        size_t n = 0;
        const int status = septcvt_next_unmapped(direction, direction == SEPTCVT_TO_GSM ? SEPTCVT_UCS2 : SEPTCVT_UTF8,
                                                 locking, single, in, length, from, &offset, &n);
        if (status != SEPTCVT_OK) {
            throw_status(env, status);
            return false;
        }
        if (offset == SEPTCVT_NO_OFFSET)
            return true;
        from = offset + n;
        if (direction == SEPTCVT_TO_UNICODE) {
            flat.insert(flat.end(), {static_cast<double>(offset), static_cast<double>(n)});
            continue;
        }
        /* The library walks UCS-2 a unit at a time; a JavaScript caller
         * counts characters, so the halves of a surrogate pair are one. */
        const double index = text_index(offset);
        const auto *units = static_cast<const char16_t *>(in);
        const size_t unit = static_cast<size_t>(offset / 2);
        if (!flat.empty() && flat[flat.size() - 2] + flat.back() == index && units[unit] >= 0xDC00 &&
            units[unit] <= 0xDFFF && units[unit - 1] >= 0xD800 && units[unit - 1] <= 0xDBFF && flat.back() == 1)
            flat.back() = 2;
        else
            flat.insert(flat.end(), {index, 1});
    }
}

napi_value result(napi_env env, napi_value output, const std::vector<double> &flat)
{
    napi_value places = make_numbers(env, flat), array;
    if (output == nullptr || places == nullptr || !ok(env, napi_create_array_with_length(env, 2, &array)) ||
        !ok(env, napi_set_element(env, array, 0, output)) || !ok(env, napi_set_element(env, array, 1, places)))
        return nullptr;
    return array;
}

napi_value to_gsm(napi_env env, napi_callback_info info)
{
    napi_value argv[3];
    instance &in = instance_of(env);
    int32_t locking = 0, single = 0;
    if (!arguments(env, info, argv, 3) || !read_text(env, argv[0], in.text) || !read_pair(env, argv + 1, &locking, &single))
        return nullptr;
    /* Every unit becomes one code, or an escape and a code. */
    in.out.resize(2 * in.text.size());
    size_t length = 0;
    uint64_t unmapped = 0, error = SEPTCVT_NO_OFFSET;
    const int status = septcvt_to_gsm_pair(SEPTCVT_UCS2, locking, single, in.text.data(), text_bytes(in.text),
                                           in.out.data(), in.out.size(), &length, &unmapped, &error);
    std::vector<double> flat;
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_status(env, status, error == SEPTCVT_NO_OFFSET ? -1 : text_index(error));
        return nullptr;
    }
    if (unmapped > 0 && !unmapped_places(env, SEPTCVT_TO_GSM, locking, single, in.text.data(), text_bytes(in.text), flat))
        return nullptr;
    return result(env, make_bytes(env, in.out.data(), length), flat);
}

napi_value to_unicode(napi_env env, napi_callback_info info)
{
    napi_value argv[3];
    instance &in = instance_of(env);
    const uint8_t *gsm = nullptr;
    size_t gsm_len = 0;
    int32_t locking = 0, single = 0;
    if (!arguments(env, info, argv, 3) || !read_bytes(env, argv[0], &gsm, &gsm_len) ||
        !read_pair(env, argv + 1, &locking, &single))
        return nullptr;
    in.out.resize(septcvt_output_room_pair(gsm_len, locking, single));
    size_t length = 0;
    uint64_t unmapped = 0;
    const int status = septcvt_to_unicode_pair(SEPTCVT_UTF8, locking, single, gsm, gsm_len, in.out.data(),
                                               in.out.size(), &length, &unmapped);
    std::vector<double> flat;
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_status(env, status);
        return nullptr;
    }
    if (unmapped > 0 && !unmapped_places(env, SEPTCVT_TO_UNICODE, locking, single, gsm, gsm_len, flat))
        return nullptr;
    napi_value text;
    if (!ok(env, napi_create_string_utf8(env, reinterpret_cast<const char *>(in.out.data()), length, &text)))
        return nullptr;
    return result(env, text, flat);
}

} // namespace

bool add_convert(napi_env env, napi_value exports)
{
    return add_function(env, exports, "toGsm", to_gsm) && add_function(env, exports, "toUnicode", to_unicode);
}
