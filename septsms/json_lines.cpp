#include "json_lines.h"

#include <septcvt.h>

#include "languages.h"

json json_object()
{
    return {{"version", 1}};
}

std::string json_line(const json &object)
{
    /* Text that is not UTF-8 never reaches an object (the library refuses
     * it); should some slip through, it is replaced rather than thrown. */
    return object.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string refusal_json(const std::string &why, uint64_t error_offset)
{
    json object = json_object();
    object["error"] = why;
    if (error_offset != SEPTCVT_NO_OFFSET)
        object["error_offset"] = error_offset;
    return json_line(object);
}

json language_json(int id)
{
    const char *code = language_code(id);
    return code != nullptr ? json(code) : json(nullptr);
}
