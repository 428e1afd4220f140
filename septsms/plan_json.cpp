/* A plan as JSON, one object a line: the keys are the C interface's field
 * names, octets are uppercase hexadecimal strings, and "version" says which
 * form of the object this is. Keys are only ever added. */
#include <nlohmann/json.hpp>

#include "hex.h"
#include "languages.h"
#include "plan_report.h"

namespace {

using json = nlohmann::ordered_json;

constexpr int JSON_VERSION = 1;

json offset_or_null(uint64_t offset)
{
    return offset == SEPTCVT_NO_OFFSET ? json(nullptr) : json(offset);
}

json language_or_null(int id)
{
    const char *code = language_code(id);
    return code != nullptr ? json(code) : json(nullptr);
}

json character(const septcvt_char &c, uint64_t index)
{
    return {{"index", index}, {"offset", c.offset}, {"length", c.length}, {"code_point", c.code_point}};
}

std::string line(const json &object)
{
    /* Text that is not UTF-8 cannot be in the object (the planner refuses
     * it); should some slip through, it is replaced rather than thrown. */
    return object.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace

std::string plan_json(const planned &p)
{
    json parts = json::array(), ruled_out = json::array(), replaced = json::array();
    for (size_t k = 0; k < p.parts.size(); ++k) {
        const septcvt_user_data &ud = p.user_data[k];
        parts.push_back({{"begin", p.parts[k].begin}, {"end", p.parts[k].end}, {"length", p.parts[k].length},
                         {"dcs", ud.dcs}, {"udhi", ud.udhi}, {"udl", ud.udl}, {"ud", to_hex(ud.ud, ud.length)},
                         {"text", p.shown[k]}});
    }
    for (size_t i = 0; i < p.ruled_out.size(); ++i)
        ruled_out.push_back(character(p.ruled_out[i], p.ruled_out_index[i]));
    for (size_t i = 0; i < p.replaced.size(); ++i) {
        json r = character(p.replaced[i].original, p.replaced_index[i]);
        std::string became;
        for (size_t k = 0; k < p.replaced[i].became_count; ++k)
            append_utf8(became, p.replaced[i].became[k]);
        r["became"] = became;
        replaced.push_back(r);
    }
    return line({{"version", JSON_VERSION},
                 {"dcs", p.plan.dcs},
                 {"locking", language_or_null(p.plan.locking)},
                 {"single", language_or_null(p.plan.single)},
                 {"parts", parts},
                 {"room_left", p.plan.room_left},
                 {"ran_out", offset_or_null(p.plan.ran_out)},
                 {"reference", p.concatenated ? json(p.reference) : json(nullptr)},
                 {"reference_bits", p.plan.reference_bits},
                 {"ruled_out", ruled_out},
                 {"replaced", replaced}});
}

std::string refusal_json(const std::string &why, uint64_t error_offset)
{
    json object = {{"version", JSON_VERSION}, {"error", why}};
    if (error_offset != SEPTCVT_NO_OFFSET)
        object["error_offset"] = error_offset;
    return line(object);
}
