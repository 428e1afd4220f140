#include <algorithm>

#include "io.h"
#include "json_lines.h"

int for_each_text(const std::vector<source> &sources, bool json,
                  const std::function<outcome(const std::string &text)> &work)
{
    int status = EXIT_DONE;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::string text;
        outcome o;
        o.status = read_source(sources[i], text, o.why);
        if (o.status == EXIT_DONE && (o = work(text)).status != EXIT_DONE)
            o.why = about(sources[i], o.why);
        if (o.status != EXIT_DONE) {
            problem("%s", o.why.c_str());
            o.out = json ? refusal_json(o.why, o.error_offset) : "";
        } else if (!json && sources.size() > 1) {
            o.out = (i > 0 ? "\ninput: " : "input: ") + sources[i].label + "\n" + o.out;
        }
        if (write_out(o.out) != EXIT_DONE)
            return EXIT_IO;
        status = std::max(status, o.status);
    }
    return std::max(status, finish_output());
}
