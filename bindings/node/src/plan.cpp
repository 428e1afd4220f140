/* plan(text, lockingMask, singleMask, replace, referenceBits, reference,
 * elements): the plan of a text, each part's user data and its text as a
 * receiver reads it back.
 *
 * The plan's numbers go into the shared numbers array (HEAD_NUMBERS, then
 * PART_NUMBERS a part), each part's user data into the shared bytes array at
 * k * 140, and the parts' texts, one after the other, into the string
 * returned. Where look-alikes went out replaced, it returns [texts,
 * replaced] instead, the list as a flat array of numbers.
 *
 * ruledOut(text, lockingMask, singleMask, replace): what ruled the 7-bit
 * encodings out, asked for apart, since it reads the whole text again and
 * few callers want it. */
#include "addon.h"

#include <cstring>

namespace {

bool plain_option(napi_env env, napi_value value, bool *present)
{
    napi_valuetype type;
    if (!ok(env, napi_typeof(env, value, &type)))
        return false;
    *present = type != napi_undefined && type != napi_null;
    return true;
}

/* Each character no allowed pair holds: string index, UTF-16 units, code point. */
napi_value ruled_out(napi_env env, napi_callback_info info)
{
    napi_value argv[4];
    std::vector<char16_t> &text = instance_of(env).text;
    int32_t locking = 0, single = 0, replace = 0;
    if (!arguments(env, info, argv, 4) || !read_text(env, argv[0], text) || !read_int(env, argv[1], &locking) ||
        !read_int(env, argv[2], &single) || !read_int(env, argv[3], &replace))
        return nullptr;
    septcvt_plan_options options{};
    options.locking_languages = static_cast<uint16_t>(locking);
    options.single_languages = static_cast<uint16_t>(single);
    options.replace_lookalikes = replace;
    size_t count = 0;
    uint64_t error = SEPTCVT_NO_OFFSET;
    int status = septcvt_plan_ruled_out(SEPTCVT_UCS2, text.data(), text_bytes(text), &options, nullptr, 0, &count,
                                        &error);
    std::vector<septcvt_char> found(count);
    if (status == SEPTCVT_NO_ROOM)
        status = septcvt_plan_ruled_out(SEPTCVT_UCS2, text.data(), text_bytes(text), &options, found.data(), count,
                                        &count, &error);
    if (status != SEPTCVT_OK) {
        throw_status(env, status, error == SEPTCVT_NO_OFFSET ? -1 : text_index(error));
        return nullptr;
    }
    std::vector<double> flat;
    for (const septcvt_char &c : found)
        flat.insert(flat.end(), {text_index(c.offset), static_cast<double>(c.length / 2),
                                 static_cast<double>(c.code_point)});
    return make_numbers(env, flat);
}

/* Each look-alike that went out replaced: string index, UTF-16 units, the
 * count of code points it became and three code points. */
napi_value replaced(napi_env env, const std::vector<char16_t> &text, const septcvt_plan &plan)
{
    size_t count = 0;
    int status = septcvt_plan_replaced(text.data(), text_bytes(text), &plan, nullptr, 0, &count);
    std::vector<septcvt_replacement> found(count);
    if (status == SEPTCVT_NO_ROOM)
        status = septcvt_plan_replaced(text.data(), text_bytes(text), &plan, found.data(), count, &count);
    if (status != SEPTCVT_OK) {
        throw_status(env, status);
        return nullptr;
    }
    std::vector<double> flat;
    for (const septcvt_replacement &r : found)
        flat.insert(flat.end(), {text_index(r.original.offset), static_cast<double>(r.original.length / 2),
                                 static_cast<double>(r.became_count), static_cast<double>(r.became[0]),
                                 static_cast<double>(r.became[1]), static_cast<double>(r.became[2])});
    return make_numbers(env, flat);
}

} // namespace

bool plan_arguments(napi_env env, napi_value *argv, planned &pl, bool any_length)
{
    instance &in = instance_of(env);
    int32_t locking = 0, single = 0, replace = 0, bits = 0;
    bool has_elements = false;
    septcvt_plan_options &options = pl.options;
    options = septcvt_plan_options{};
    if (!read_text(env, argv[0], in.text) || !read_int(env, argv[1], &locking) || !read_int(env, argv[2], &single) ||
        !read_int(env, argv[3], &replace) || !read_int(env, argv[4], &bits) || !read_uint(env, argv[5], &pl.reference) ||
        !plain_option(env, argv[6], &has_elements) ||
        (has_elements && !read_bytes(env, argv[6], &options.elements, &options.elements_len)))
        return false;
    if (locking < 0 || locking > 0xFFFF || single < 0 || single > 0xFFFF) {
        throw_status(env, SEPTCVT_BAD_ARGUMENT);
        return false;
    }
    options.locking_languages = static_cast<uint16_t>(locking);
    options.single_languages = static_cast<uint16_t>(single);
    options.replace_lookalikes = replace;
    options.reference_bits = bits;

    const void *text = in.text.data();
    const size_t bytes = text_bytes(in.text);
    septcvt_plan &p = pl.plan;
    uint64_t error = SEPTCVT_NO_OFFSET;
    const int status = septcvt_plan_text(SEPTCVT_UCS2, text, bytes, &options, &p, in.parts.data(), in.parts.size(),
                                         &error);
    if (status != SEPTCVT_OK && !(any_length && status == SEPTCVT_TOO_MANY_PARTS)) {
        throw_status(env, status, error == SEPTCVT_NO_OFFSET ? -1 : text_index(error),
                     status == SEPTCVT_TOO_MANY_PARTS ? static_cast<double>(p.parts) : -1);
        return false;
    }
    return true;
}

bool run_plan(napi_env env, napi_value *argv, planned &pl, napi_value *result)
{
    if (!plan_arguments(env, argv, pl))
        return false;
    instance &in = instance_of(env);
    const septcvt_plan &p = pl.plan;
    const septcvt_plan_options &options = pl.options;
    const void *text = in.text.data();
    const size_t bytes = text_bytes(in.text);
    double *n = in.numbers;
    n[0] = p.dcs;
    n[1] = p.locking;
    n[2] = p.single;
    n[3] = static_cast<double>(p.parts);
    n[4] = static_cast<double>(p.room_left);
    n[5] = static_cast<double>(p.replaced);
    n[6] = p.ran_out == SEPTCVT_NO_OFFSET ? -1 : text_index(p.ran_out);
    n[7] = p.reference_bits;
    in.shown.clear();
    for (size_t k = 0; k < p.parts; ++k) {
        septcvt_user_data ud;
        int status = septcvt_part_user_data(text, bytes, &options, &p, in.parts.data(), k, pl.reference, &ud);
        septcvt_received back;
        if (status == SEPTCVT_OK)
            status = septcvt_read_part(ud.dcs, ud.udhi, ud.udl, ud.ud, ud.length, &back);
        /* Text a receiver cannot map is left out of what it shows, as it
         * is here; the plan never makes such parts. */
        if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
            throw_status(env, status);
            return false;
        }
        double *part = n + HEAD_NUMBERS + PART_NUMBERS * k;
        part[0] = text_index(in.parts[k].begin);
        part[1] = text_index(in.parts[k].end);
        part[2] = static_cast<double>(in.parts[k].length);
        part[3] = ud.udhi;
        part[4] = ud.udl;
        part[5] = static_cast<double>(ud.length);
        part[6] = static_cast<double>(append_utf8(in.shown, back.text, back.text_len));
        memcpy(in.bytes + SEPTCVT_USER_DATA_OCTETS * k, ud.ud, ud.length);
    }
    napi_value shown;
    if (!ok(env, napi_create_string_utf16(env, in.shown.data(), in.shown.size(), &shown)))
        return false;
    if (p.replaced == 0) {
        *result = shown;
        return true;
    }
    napi_value list = replaced(env, in.text, p);
    *result = list == nullptr ? nullptr : make_array(env, {shown, list});
    return *result != nullptr;
}

namespace {

napi_value plan(napi_env env, napi_callback_info info)
{
    napi_value argv[PLAN_ARGUMENTS], result;
    planned p;
    if (!arguments(env, info, argv, PLAN_ARGUMENTS) || !run_plan(env, argv, p, &result))
        return nullptr;
    return result;
}

} // namespace

bool add_plan(napi_env env, napi_value exports)
{
    return add_function(env, exports, "plan", plan) && add_function(env, exports, "ruledOut", ruled_out);
}
