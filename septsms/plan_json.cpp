/* A plan as JSON: the plan's fields, and each part's user data and text. */
#include "hex.h"
#include "json_lines.h"
#include "languages.h"
#include "plan_report.h"

namespace {

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
    json o = json_object();
    o["dcs"] = p.plan.dcs;
    o["locking"] = language_or_null(p.plan.locking);
    o["single"] = language_or_null(p.plan.single);
    o["parts"] = parts;
    o["room_left"] = p.plan.room_left;
    o["ran_out"] = offset_or_null(p.plan.ran_out);
    o["reference"] = p.concatenated ? json(p.reference) : json(nullptr);
    o["reference_bits"] = p.plan.reference_bits;
    o["ruled_out"] = ruled_out;
    o["replaced"] = replaced;
    return json_line(o);
}
