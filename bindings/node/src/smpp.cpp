/* SMPP's fields that carry text.
 *
 * smppParts(plan arguments..., concatenation, messageClass, smscAlphabet,
 * ucs2Class): each part of a plan as submit_sm takes it, returned as [what
 * plan() returns, [short_message, ...], numbers], the numbers SMPP_PART
 * a part: esm_class, data_coding, whether the SAR values go, and the three.
 *
 * smppPayload(plan arguments..., messageClass, smscAlphabet, ucs2Class):
 * the whole text in message_payload, returned as [payload, esm_class,
 * data_coding], the plan's encoding and pair in the numbers array as
 * plan() writes them.
 *
 * readDeliverSm(the SMPP_ARGUMENTS of read_smpp): a deliver_sm's text,
 * its numbers in the numbers array (in the order below), returned as
 * [text, null] or, for binary data, [null, its octets]. */
#include "addon.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr size_t SMPP_PART = 6;

bool read_settings(napi_env env, napi_value *argv, septcvt_smpp_settings &s)
{
    return read_int(env, argv[0], &s.smsc_alphabet) && read_int(env, argv[1], &s.ucs2_class);
}

napi_value smpp_parts(napi_env env, napi_callback_info info)
{
    napi_value argv[PLAN_ARGUMENTS + 4], shown, messages;
    int32_t concatenation = 0, message_class = -1;
    septcvt_smpp_settings settings{};
    planned p;
    napi_value *own = argv + PLAN_ARGUMENTS;
    if (!arguments(env, info, argv, PLAN_ARGUMENTS + 4) || !read_int(env, own[0], &concatenation) ||
        !read_int(env, own[1], &message_class) || !read_settings(env, own + 2, settings) ||
        !run_plan(env, argv, p, &shown) || !ok(env, napi_create_array_with_length(env, p.plan.parts, &messages)))
        return nullptr;
    instance &in = instance_of(env);
    std::vector<double> numbers;
    for (size_t k = 0; k < p.plan.parts; ++k) {
        septcvt_smpp_message m;
        const int status = septcvt_smpp_part(in.text.data(), text_bytes(in.text), &p.options, &p.plan, in.parts.data(),
                                             k, p.reference, concatenation, message_class, &settings, &m);
        if (status != SEPTCVT_OK) {
            throw_status(env, status);
            return nullptr;
        }
        napi_value message = make_bytes(env, m.short_message, m.length);
        if (message == nullptr || !ok(env, napi_set_element(env, messages, static_cast<uint32_t>(k), message)))
            return nullptr;
        numbers.insert(numbers.end(), {static_cast<double>(m.esm_class), static_cast<double>(m.data_coding),
                                       static_cast<double>(m.sar.present), static_cast<double>(m.sar.msg_ref_num),
                                       static_cast<double>(m.sar.total_segments),
                                       static_cast<double>(m.sar.segment_seqnum)});
    }
    return make_array(env, {shown, messages, make_numbers(env, numbers)});
}

napi_value smpp_payload(napi_env env, napi_callback_info info)
{
    napi_value argv[PLAN_ARGUMENTS + 3];
    int32_t message_class = -1;
    septcvt_smpp_settings settings{};
    planned p;
    napi_value *own = argv + PLAN_ARGUMENTS;
    if (!arguments(env, info, argv, PLAN_ARGUMENTS + 3) || !read_int(env, own[0], &message_class) ||
        !read_settings(env, own + 1, settings) || !plan_arguments(env, argv, p, true))
        return nullptr;
    instance &in = instance_of(env);
    in.out.resize(SEPTCVT_PAYLOAD_OCTETS + 1);
    size_t length = 0;
    int esm_class = 0, data_coding = 0;
    const int status = septcvt_smpp_payload(in.text.data(), text_bytes(in.text), &p.options, &p.plan, message_class,
                                            &settings, in.out.data(), in.out.size(), &length, &esm_class, &data_coding);
    if (status != SEPTCVT_OK) {
        throw_status(env, status);
        return nullptr;
    }
    in.numbers[0] = p.plan.dcs;
    in.numbers[1] = p.plan.locking;
    in.numbers[2] = p.plan.single;
    return make_array(env, {make_bytes(env, in.out.data(), length), make_double(env, esm_class),
                            make_double(env, data_coding)});
}

napi_value read_deliver_sm(napi_env env, napi_callback_info info)
{
    napi_value argv[SMPP_ARGUMENTS];
    smpp_fields f;
    if (!arguments(env, info, argv, SMPP_ARGUMENTS) || !read_smpp(env, argv, f))
        return nullptr;
    instance &in = instance_of(env);
    septcvt_smpp_received r;
    septcvt_tpdu_fault fault{};
    /* Most texts fit at once; a long payload says what it needs. */
    in.out.resize(4 * SEPTCVT_SHORT_MESSAGE_OCTETS);
    auto read = [&] {
        return septcvt_smpp_read(f.message, f.length, f.payload, f.esm_class, f.data_coding, &f.sar, &f.settings, &r,
                                 in.out.data(), in.out.size(), &fault);
    };
    int status = read();
    if (status == SEPTCVT_NO_ROOM) {
        in.out.resize(r.text_len);
        status = read();
    }
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_fault(env, status, fault);
        return nullptr;
    }
    /* What readPart gives first, in its order; then SMPP's own. */
    const double values[] = {static_cast<double>(r.concatenated), static_cast<double>(r.reference),
                             static_cast<double>(r.total), static_cast<double>(r.sequence),
                             static_cast<double>(r.locking), static_cast<double>(r.single),
                             static_cast<double>(r.unmapped), static_cast<double>(r.message_type),
                             static_cast<double>(r.reply_path), static_cast<double>(r.alphabet),
                             static_cast<double>(r.has_class), static_cast<double>(r.message_class),
                             static_cast<double>(r.header_length), static_cast<double>(r.sar),
                             static_cast<double>(r.reference_bits)};
    std::copy(std::begin(values), std::end(values), in.numbers);
    napi_value null;
    if (!ok(env, napi_get_null(env, &null)))
        return nullptr;
    if (r.alphabet == SEPTCVT_SMPP_OCTETS)
        return make_array(env, {null, make_bytes(env, in.out.data(), r.text_len)});
    napi_value text;
    if (!ok(env, napi_create_string_utf8(env, reinterpret_cast<const char *>(in.out.data()), r.text_len, &text)))
        return nullptr;
    return make_array(env, {text, null});
}

} // namespace

bool read_smpp(napi_env env, napi_value *argv, smpp_fields &f)
{
    uint32_t sar = 0;
    return read_bytes(env, argv[0], &f.message, &f.length) && read_int(env, argv[1], &f.payload) &&
           read_int(env, argv[2], &f.esm_class) && read_int(env, argv[3], &f.data_coding) &&
           read_uint(env, argv[4], &sar) && read_uint(env, argv[5], &f.sar.msg_ref_num) &&
           read_uint(env, argv[6], &f.sar.total_segments) && read_uint(env, argv[7], &f.sar.segment_seqnum) &&
           read_settings(env, argv + 8, f.settings) && ((f.sar.present = sar != 0), true);
}

bool add_smpp(napi_env env, napi_value exports)
{
    return ok(env, napi_set_named_property(env, exports, "smppPartNumbers", make_double(env, SMPP_PART))) &&
           add_function(env, exports, "smppParts", smpp_parts) &&
           add_function(env, exports, "smppPayload", smpp_payload) &&
           add_function(env, exports, "readDeliverSm", read_deliver_sm);
}
