/* Where the texts come from, and reading them whole. */
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io.h"

std::vector<source> sources_of(const common_args &args)
{
    if (!args.texts.empty() && !args.files.empty()) {
        problem("give texts with --text or in files, not both");
        return {};
    }
    std::vector<source> sources;
    /* Labels tell inputs apart; a lone --text or standard input needs none. */
    const bool several = args.texts.size() + args.files.size() > 1;
    for (size_t k = 0; k < args.texts.size(); ++k)
        sources.push_back({several ? "--text " + std::to_string(k + 1) : "", "", args.texts[k]});
    for (const char *path : args.files) {
        const bool standard = strcmp(path, "-") == 0;
        sources.push_back({standard ? (several ? "standard input" : "") : path, path, nullptr});
    }
    if (sources.empty())
        sources.push_back({"", "-", nullptr});
    return sources;
}

int read_source(const source &s, std::string &out, std::string &why)
{
    out.clear();
    if (s.text != nullptr) {
        out = s.text;
        return EXIT_DONE;
    }
    const bool standard = s.path == "-";
    FILE *in = standard ? stdin : fopen(s.path.c_str(), "rb");
    bool failed = in == nullptr;
    for (size_t got = 1; !failed && got > 0;) {
        char block[65536];
        got = fread(block, 1, sizeof block, in);
        out.append(block, got);
        failed = ferror(in) != 0;
    }
    const int error = errno;
    if (in != nullptr && !standard)
        fclose(in);
    if (!failed)
        return EXIT_DONE;
    why = "cannot read " + (standard ? std::string("standard input") : s.path) + ": " + strerror(error);
    return EXIT_IO;
}

void each_line(const std::string &all, const std::function<void(size_t number, std::string &line)> &each)
{
    size_t number = 0;
    for (size_t at = 0; at < all.size();) {
        size_t end = all.find('\n', at);
        end = end == std::string::npos ? all.size() : end;
        std::string line = all.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        each(++number, line);
    }
}

std::string about(const source &s, const std::string &what)
{
    return s.label.empty() ? what : s.label + ": " + what;
}
