/* readPart(dcs, udhi, udl, userData): a received part read back. Its
 * numbers go into the shared numbers array (concatenated, reference,
 * total, sequence, locking, single, unmapped); the text is returned. */
#include "addon.h"

namespace {

napi_value read_part(napi_env env, napi_callback_info info)
{
    napi_value argv[4];
    int32_t dcs = 0, udhi = 0, udl = 0;
    const uint8_t *ud = nullptr;
    size_t ud_len = 0;
    if (!arguments(env, info, argv, 4) || !read_int(env, argv[0], &dcs) || !read_int(env, argv[1], &udhi) ||
        !read_int(env, argv[2], &udl) || !read_bytes(env, argv[3], &ud, &ud_len))
        return nullptr;
    septcvt_received r;
    const int status = septcvt_read_part(dcs, udhi, udl, ud, ud_len, &r);
    if (status != SEPTCVT_OK && status != SEPTCVT_UNMAPPED) {
        throw_status(env, status);
        return nullptr;
    }
    double *n = instance_of(env).numbers;
    n[0] = r.concatenated;
    n[1] = r.reference;
    n[2] = r.total;
    n[3] = r.sequence;
    n[4] = r.locking;
    n[5] = r.single;
    n[6] = static_cast<double>(r.unmapped);
    napi_value text;
    if (!ok(env, napi_create_string_utf8(env, reinterpret_cast<const char *>(r.text), r.text_len, &text)))
        return nullptr;
    return text;
}

} // namespace

bool add_read(napi_env env, napi_value exports)
{
    return add_function(env, exports, "readPart", read_part);
}
