/* Joining received parts.
 *
 * joinPartFromUserData(dcs, udhi, udl, userData, type) and
 * joinPartFromSmpp(the SMPP_ARGUMENTS of read_smpp) turn a part into the
 * joiner's struct, handed to JavaScript as its octets: a part of a TPDU
 * read whole gives its type (a status report stands alone as a receipt),
 * bare user data -1. join([part, ...]) sorts them into messages, returned
 * as [numbers, indices, texts]: MESSAGE_NUMBERS numbers a message (in the
 * order below), the indices its places in them point into, and each
 * message's text, its octets where it is binary data, or null where it was
 * not joined. */
#include "addon.h"

#include <cstring>

namespace {

constexpr size_t MESSAGE_NUMBERS = 15;

napi_value part_bytes(napi_env env, const septcvt_join_part &p)
{
    return make_bytes(env, reinterpret_cast<const uint8_t *>(&p), sizeof p);
}

napi_value from_user_data(napi_env env, napi_callback_info info)
{
    napi_value argv[5];
    int32_t dcs = 0, udhi = 0, udl = 0, type = -1;
    const uint8_t *ud = nullptr;
    size_t ud_len = 0;
    if (!arguments(env, info, argv, 5) || !read_int(env, argv[0], &dcs) || !read_int(env, argv[1], &udhi) ||
        !read_int(env, argv[2], &udl) || !read_bytes(env, argv[3], &ud, &ud_len) || !read_int(env, argv[4], &type))
        return nullptr;
    septcvt_join_part p;
    int status;
    if (type < 0) {
        status = septcvt_join_part_from_user_data(dcs, udhi, udl, ud, ud_len, &p);
    } else if (ud_len > SEPTCVT_USER_DATA_OCTETS) {
        status = SEPTCVT_BAD_USER_DATA;
    } else {
        septcvt_tpdu t{};
        t.type = type;
        t.user_data.dcs = dcs, t.user_data.udhi = udhi, t.user_data.udl = udl, t.user_data.length = ud_len;
        if (ud_len > 0)
            memcpy(t.user_data.ud, ud, ud_len);
        status = septcvt_join_part_from_tpdu(&t, &p);
    }
    if (status != SEPTCVT_OK) {
        throw_status(env, status);
        return nullptr;
    }
    return part_bytes(env, p);
}

napi_value from_smpp(napi_env env, napi_callback_info info)
{
    napi_value argv[SMPP_ARGUMENTS];
    smpp_fields f;
    if (!arguments(env, info, argv, SMPP_ARGUMENTS) || !read_smpp(env, argv, f))
        return nullptr;
    septcvt_join_part p;
    septcvt_tpdu_fault fault{};
    const int status = septcvt_join_part_from_smpp(f.message, f.length, f.payload, f.esm_class, f.data_coding, &f.sar,
                                                   &f.settings, &p, &fault);
    if (status != SEPTCVT_OK) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    return part_bytes(env, p);
}

/* The parts handed back, each whole and no longer than its units. */
bool read_parts(napi_env env, napi_value list, std::vector<septcvt_join_part> &parts)
{
    uint32_t count = 0;
    if (!ok(env, napi_get_array_length(env, list, &count)))
        return false;
    parts.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        napi_value item;
        const uint8_t *data = nullptr;
        size_t length = 0;
        if (!ok(env, napi_get_element(env, list, i, &item)) || !read_bytes(env, item, &data, &length))
            return false;
        if (length != sizeof parts[i]) {
            throw_status(env, SEPTCVT_BAD_ARGUMENT);
            return false;
        }
        memcpy(&parts[i], data, length);
        if (parts[i].length > sizeof parts[i].units) {
            throw_status(env, SEPTCVT_BAD_ARGUMENT);
            return false;
        }
    }
    return true;
}

napi_value join(napi_env env, napi_callback_info info)
{
    napi_value argv[1];
    std::vector<septcvt_join_part> parts;
    if (!arguments(env, info, argv, 1) || !read_parts(env, argv[0], parts))
        return nullptr;
    /* A message a part at most; the indices and text as asked for. */
    std::vector<septcvt_message> messages(parts.size());
    std::vector<size_t> indices(2 * parts.size());
    std::vector<uint8_t> &text = instance_of(env).out;
    text.resize(SEPTCVT_PART_TEXT_BYTES * parts.size());
    septcvt_join_room room{};
    auto run = [&] {
        room = septcvt_join_room{messages.data(), messages.size(), 0, indices.data(), indices.size(), 0,
                                 text.data(), text.size(), 0};
        return septcvt_join(parts.data(), parts.size(), &room);
    };
    int status = run();
    if (status == SEPTCVT_NO_ROOM) {
        messages.resize(room.messages_count);
        indices.resize(room.indices_count);
        text.resize(room.text_len);
        status = run();
    }
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_status(env, status);
        return nullptr;
    }
    std::vector<double> numbers;
    napi_value texts, null;
    if (!ok(env, napi_create_array_with_length(env, room.messages_count, &texts)) || !ok(env, napi_get_null(env, &null)))
        return nullptr;
    for (size_t i = 0; i < room.messages_count; ++i) {
        const septcvt_message &m = messages[i];
        numbers.insert(numbers.end(),
                       {static_cast<double>(m.kind), static_cast<double>(m.sar), static_cast<double>(m.reference_bits),
                        static_cast<double>(m.reference), static_cast<double>(m.total),
                        static_cast<double>(m.message_type), static_cast<double>(m.units_kind),
                        static_cast<double>(m.parts_at), static_cast<double>(m.parts_count),
                        static_cast<double>(m.missing_at), static_cast<double>(m.missing_count),
                        static_cast<double>(m.pairs_at), static_cast<double>(m.pairs_count),
                        static_cast<double>(m.repeats), static_cast<double>(m.unmapped)});
        const bool read = m.kind == SEPTCVT_JOINED || m.kind == SEPTCVT_ALONE;
        napi_value t = null;
        const auto *at = text.data() + m.text_at;
        if (read && m.units_kind == SEPTCVT_UNITS_OCTETS)
            t = make_bytes(env, at, m.text_len);
        else if (read && !ok(env, napi_create_string_utf8(env, reinterpret_cast<const char *>(at), m.text_len, &t)))
            return nullptr;
        if (t == nullptr || !ok(env, napi_set_element(env, texts, static_cast<uint32_t>(i), t)))
            return nullptr;
    }
    std::vector<double> flat(indices.begin(), indices.begin() + static_cast<long>(room.indices_count));
    return make_array(env, {make_numbers(env, numbers), make_numbers(env, flat), texts});
}

} // namespace

bool add_join(napi_env env, napi_value exports)
{
    return ok(env, napi_set_named_property(env, exports, "messageNumbers", make_double(env, MESSAGE_NUMBERS))) &&
           add_function(env, exports, "joinPartFromUserData", from_user_data) &&
           add_function(env, exports, "joinPartFromSmpp", from_smpp) && add_function(env, exports, "join", join);
}
