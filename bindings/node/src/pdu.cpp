/* PDU mode: whole TPDUs, their addresses and hexadecimal.
 *
 * submit(plan arguments..., smsc, address, withSmsc): each part of a plan
 * as SMS-SUBMIT, returned as [what plan() returns, [TPDU, ...], [AT+CMGS
 * length, ...]]. decodeTpdu(bytes, withSmsc, direction) reads a TPDU into
 * the shared numbers array and returns [smsc, address, text or null, user
 * data, unmapped]; encodeTpdu(smsc, address, userData, withSmsc) writes the
 * TPDU those numbers describe, returning [octets, AT+CMGS length].
 *
 * A TPDU's numbers lie in the numbers array in the order of each_number,
 * whose names (such as "scts.zone") the addon exports as tpduSlots, so that
 * index.js reads and writes them by name and the order is written once. The
 * texts of its addresses and its user data travel as arguments.
 *
 * toHex(bytes), fromHex(text); encodeAddress(text, ton, npi, explicit, sc)
 * and decodeAddress(bytes, sc), the latter returning [text, ton, npi, used,
 * unmapped]. */
#include "addon.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <class Stamp, class Each> void stamp_numbers(Stamp &s, const char *group, Each &f)
{
    f(group, "year", s.year), f(group, "month", s.month), f(group, "day", s.day), f(group, "hour", s.hour);
    f(group, "minute", s.minute), f(group, "second", s.second), f(group, "zone", s.zone);
}

template <class Address, class Each> void address_numbers(Address &a, const char *group, Each &f)
{
    f(group, "ton", a.ton), f(group, "npi", a.npi), f(group, "explicit", a.explicit_type);
}

/* f(group, name, member) for every number of a TPDU, in the order of the
 * numbers array. */
template <class Tpdu, class Each> void each_number(Tpdu &t, Each &&f)
{
    f("", "type", t.type);
    address_numbers(t.sc, "smsc", f);
    address_numbers(t.address, "address", f);
    f("", "rejectDuplicates", t.reject_duplicates), f("", "replyPath", t.reply_path);
    f("", "statusReport", t.status_report), f("", "moreMessages", t.more_messages);
    f("", "loopPrevention", t.loop_prevention), f("", "mr", t.message_reference), f("", "pid", t.pid);
    f("", "hasClass", t.has_class), f("", "messageClass", t.message_class);
    auto &v = t.validity;
    f("validity", "format", v.format), f("validity", "seconds", v.seconds), f("validity", "relative", v.relative);
    f("validity", "enhanced", v.enhanced), f("validity", "singleShot", v.single_shot);
    f("validity", "extension", v.extension);
    stamp_numbers(v.absolute, "absolute", f);
    stamp_numbers(t.scts, "scts", f);
    stamp_numbers(t.discharge, "discharge", f);
    f("", "status", t.status), f("", "statusSent", t.status_sent), f("", "statusGroup", t.status_group);
    f("", "hasPi", t.has_pi), f("", "pi", t.pi);
    f("", "dcs", t.user_data.dcs), f("", "udhi", t.user_data.udhi), f("", "udl", t.user_data.udl);
    f("", "smscLength", t.sc_length), f("", "tpduLength", t.tpdu_length), f("", "trailing", t.trailing);
    f("", "headerLength", t.header_length), f("", "text", t.text);
    /* In the order of readPart's numbers, which index.js reads alike. */
    auto &r = t.received;
    f("received", "concatenated", r.concatenated), f("received", "reference", r.reference);
    f("received", "total", r.total), f("received", "sequence", r.sequence), f("received", "locking", r.locking);
    f("received", "single", r.single), f("received", "unmapped", r.unmapped);
}

/* A number of the array into a member, where it is a whole number the
 * member holds (none of a TPDU's needs more than 32 bits). */
template <class Member> bool put(Member &m, double d)
{
    const double low = static_cast<double>(std::numeric_limits<Member>::lowest());
    const double high = std::min(static_cast<double>(std::numeric_limits<Member>::max()), 4294967295.0);
    if (!(d >= low && d <= high) || d != std::trunc(d))
        return false;
    m = static_cast<Member>(d);
    return true;
}

/* An address's text from JavaScript, refused where the struct cannot hold
 * it or where a NUL would end it early. */
bool read_address_text(napi_env env, napi_value value, char (&text)[SEPTCVT_ADDRESS_BYTES], int field)
{
    size_t length = 0;
    if (!ok(env, napi_get_value_string_utf8(env, value, nullptr, 0, &length)))
        return false;
    if (length >= sizeof text ||
        !ok(env, napi_get_value_string_utf8(env, value, text, sizeof text, &length)) ||
        memchr(text, '\0', length) != nullptr) {
        if (!Napi::Env(env).IsExceptionPending())
            throw_fault(env, SEPTCVT_BAD_ARGUMENT, septcvt_tpdu_fault{field, 0, 0});
        return false;
    }
    return true;
}

/* The TPDU the numbers array and the arguments describe. */
bool read_tpdu(napi_env env, napi_value sc, napi_value address, septcvt_tpdu &t)
{
    t = septcvt_tpdu{};
    const double *n = instance_of(env).numbers;
    bool held = true;
    each_number(t, [&](const char *, const char *, auto &member) { held = put(member, *n++) && held; });
    if (!held) {
        throw_status(env, SEPTCVT_BAD_ARGUMENT);
        return false;
    }
    const int fields[] = {SEPTCVT_FIELD_OA, SEPTCVT_FIELD_DA, SEPTCVT_FIELD_RA};
    const int field = t.type >= 0 && t.type < 3 ? fields[t.type] : SEPTCVT_FIELD_ADDRESS;
    return read_address_text(env, sc, t.sc.text, SEPTCVT_FIELD_SCA) &&
           read_address_text(env, address, t.address.text, field);
}

napi_value make_string(napi_env env, const char *s, size_t length = NAPI_AUTO_LENGTH)
{
    napi_value v;
    return ok(env, napi_create_string_utf8(env, s, length, &v)) ? v : nullptr;
}

napi_value make_boolean(napi_env env, bool b)
{
    napi_value v;
    return ok(env, napi_get_boolean(env, b, &v)) ? v : nullptr;
}

napi_value submit(napi_env env, napi_callback_info info)
{
    napi_value argv[PLAN_ARGUMENTS + 3], shown;
    septcvt_tpdu fields;
    int32_t with_sc = 0;
    planned p;
    /* The fields first: the plan writes its own numbers over them. */
    if (!arguments(env, info, argv, PLAN_ARGUMENTS + 3) ||
        !read_tpdu(env, argv[PLAN_ARGUMENTS], argv[PLAN_ARGUMENTS + 1], fields) ||
        !read_int(env, argv[PLAN_ARGUMENTS + 2], &with_sc) || !run_plan(env, argv, p, &shown))
        return nullptr;
    instance &in = instance_of(env);
    napi_value tpdus;
    if (!ok(env, napi_create_array_with_length(env, p.plan.parts, &tpdus)))
        return nullptr;
    std::vector<double> lengths;
    for (size_t k = 0; k < p.plan.parts; ++k) {
        uint8_t out[SEPTCVT_TPDU_OCTETS];
        size_t length = 0, cmgs = 0;
        septcvt_tpdu_fault fault{};
        const int status = septcvt_submit_part(in.text.data(), text_bytes(in.text), &p.options, &p.plan,
                                               in.parts.data(), k, p.reference, &fields, with_sc, out, sizeof out,
                                               &length, &cmgs, &fault);
        if (status != SEPTCVT_OK) {
            throw_fault(env, status, fault);
            return nullptr;
        }
        napi_value tpdu = make_bytes(env, out, length);
        if (tpdu == nullptr || !ok(env, napi_set_element(env, tpdus, static_cast<uint32_t>(k), tpdu)))
            return nullptr;
        lengths.push_back(static_cast<double>(cmgs));
    }
    return make_array(env, {shown, tpdus, make_numbers(env, lengths)});
}

napi_value decode_tpdu(napi_env env, napi_callback_info info)
{
    napi_value argv[3];
    const uint8_t *in = nullptr;
    size_t length = 0;
    int32_t with_sc = 0, direction = 0;
    if (!arguments(env, info, argv, 3) || !read_bytes(env, argv[0], &in, &length) ||
        !read_int(env, argv[1], &with_sc) || !read_int(env, argv[2], &direction))
        return nullptr;
    septcvt_tpdu t;
    septcvt_tpdu_fault fault{};
    const int status = septcvt_tpdu_decode(in, length, with_sc, direction, &t, &fault);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    double *n = instance_of(env).numbers;
    each_number(t, [&](const char *, const char *, const auto &member) { *n++ = static_cast<double>(member); });
    napi_value text = nullptr;
    if (t.text == 0 && !ok(env, napi_get_null(env, &text)))
        return nullptr;
    if (t.text != 0)
        text = make_string(env, reinterpret_cast<const char *>(t.received.text), t.received.text_len);
    return make_array(env, {make_string(env, t.sc.text), make_string(env, t.address.text), text,
                            make_bytes(env, t.user_data.ud, t.user_data.length),
                            make_boolean(env, status == SEPTCVT_UNMAPPED)});
}

napi_value encode_tpdu(napi_env env, napi_callback_info info)
{
    napi_value argv[4];
    septcvt_tpdu t;
    const uint8_t *ud = nullptr;
    size_t ud_len = 0;
    int32_t with_sc = 0;
    if (!arguments(env, info, argv, 4) || !read_tpdu(env, argv[0], argv[1], t) ||
        !read_bytes(env, argv[2], &ud, &ud_len) || !read_int(env, argv[3], &with_sc))
        return nullptr;
    if (ud_len > sizeof t.user_data.ud) {
        throw_fault(env, SEPTCVT_BAD_USER_DATA, septcvt_tpdu_fault{SEPTCVT_FIELD_UD, 0, 0});
        return nullptr;
    }
    if (ud_len > 0)
        memcpy(t.user_data.ud, ud, ud_len);
    t.user_data.length = ud_len;
    uint8_t out[SEPTCVT_TPDU_OCTETS];
    size_t length = 0, cmgs = 0;
    septcvt_tpdu_fault fault{};
    const int status = septcvt_tpdu_encode(&t, with_sc, out, sizeof out, &length, &cmgs, &fault);
    if (status != SEPTCVT_OK) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    return make_array(env, {make_bytes(env, out, length), make_double(env, static_cast<double>(cmgs))});
}

napi_value to_hex(napi_env env, napi_callback_info info)
{
    napi_value argv[1];
    const uint8_t *in = nullptr;
    size_t length = 0;
    if (!arguments(env, info, argv, 1) || !read_bytes(env, argv[0], &in, &length))
        return nullptr;
    std::string hex(2 * length + 1, '\0');
    size_t digits = 0;
    const int status = septcvt_hex_encode(in, length, &hex[0], hex.size(), &digits);
    if (status != SEPTCVT_OK) {
        throw_status(env, status);
        return nullptr;
    }
    return make_string(env, hex.data(), digits);
}

napi_value from_hex(napi_env env, napi_callback_info info)
{
    napi_value argv[1];
    std::vector<char16_t> &units = instance_of(env).text;
    if (!arguments(env, info, argv, 1) || !read_text(env, argv[0], units))
        return nullptr;
    /* Past the mark read_text puts first; a unit beyond ASCII stays no
     * digit, so an offset refused is a string index. */
    std::string hex(units.size() - 1, '\0');
    for (size_t i = 1; i < units.size(); ++i)
        hex[i - 1] = static_cast<char>(units[i] < 0x80 ? units[i] : 0x7F);
    std::vector<uint8_t> &out = instance_of(env).out;
    out.resize(hex.size() / 2);
    size_t length = 0;
    uint64_t error = SEPTCVT_NO_OFFSET;
    const int status = septcvt_hex_decode(hex.data(), hex.size(), out.data(), out.size(), &length, &error);
    if (status != SEPTCVT_OK) {
        throw_status(env, status, error == SEPTCVT_NO_OFFSET ? -1 : static_cast<double>(error));
        return nullptr;
    }
    return make_bytes(env, out.data(), length);
}

napi_value encode_address(napi_env env, napi_callback_info info)
{
    napi_value argv[5];
    septcvt_address a{};
    int32_t sc = 0;
    if (!arguments(env, info, argv, 5) || !read_address_text(env, argv[0], a.text, SEPTCVT_FIELD_ADDRESS) ||
        !read_int(env, argv[1], &a.ton) || !read_int(env, argv[2], &a.npi) || !read_int(env, argv[3], &a.explicit_type) ||
        !read_int(env, argv[4], &sc))
        return nullptr;
    uint8_t out[SEPTCVT_ADDRESS_BYTES];
    size_t length = 0;
    septcvt_tpdu_fault fault{};
    const int status = sc != 0 ? septcvt_sc_address_encode(&a, out, sizeof out, &length, &fault)
                               : septcvt_address_encode(&a, out, sizeof out, &length, &fault);
    if (status != SEPTCVT_OK) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    return make_bytes(env, out, length);
}

napi_value decode_address(napi_env env, napi_callback_info info)
{
    napi_value argv[2];
    const uint8_t *in = nullptr;
    size_t length = 0;
    int32_t sc = 0;
    if (!arguments(env, info, argv, 2) || !read_bytes(env, argv[0], &in, &length) || !read_int(env, argv[1], &sc))
        return nullptr;
    septcvt_address a;
    size_t used = 0;
    septcvt_tpdu_fault fault{};
    const int status = sc != 0 ? septcvt_sc_address_decode(in, length, &a, &used, &fault)
                               : septcvt_address_decode(in, length, &a, &used, &fault);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    return make_array(env, {make_string(env, a.text), make_double(env, a.ton), make_double(env, a.npi),
                            make_double(env, static_cast<double>(used)), make_boolean(env, status == SEPTCVT_UNMAPPED)});
}

/* The names of the TPDU's numbers, each with its place in the array. */
napi_value tpdu_slots(napi_env env)
{
    napi_value slots;
    if (!ok(env, napi_create_object(env, &slots)))
        return nullptr;
    septcvt_tpdu t{};
    double at = 0;
    bool made = true;
    each_number(t, [&](const char *group, const char *name, const auto &) {
        const std::string key = *group != '\0' ? std::string(group) + "." + name : std::string(name);
        napi_value v = made ? make_double(env, at++) : nullptr;
        made = v != nullptr && ok(env, napi_set_named_property(env, slots, key.c_str(), v));
    });
    return made ? slots : nullptr;
}

} // namespace

bool add_pdu(napi_env env, napi_value exports)
{
    napi_value slots = tpdu_slots(env);
    return slots != nullptr && ok(env, napi_set_named_property(env, exports, "tpduSlots", slots)) &&
           add_function(env, exports, "submit", submit) && add_function(env, exports, "decodeTpdu", decode_tpdu) &&
           add_function(env, exports, "encodeTpdu", encode_tpdu) && add_function(env, exports, "toHex", to_hex) &&
           add_function(env, exports, "fromHex", from_hex) &&
           add_function(env, exports, "encodeAddress", encode_address) &&
           add_function(env, exports, "decodeAddress", decode_address);
}
