#include <cstdarg>
#include <cstdio>

#include "command.h"

void problem(const char *format, ...)
{
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int size = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string what(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    vsnprintf(&what[0], what.size() + 1, format, again);
    va_end(again);
    /* A problem is one line, whatever the arguments it quotes hold. */
    for (char &c : what)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    std::string line = "septsms: ";
    if (current_command != nullptr)
        line += std::string(current_command->name) + ": ";
    line += what + "\n";
    /* Nothing more can be said where standard error fails too. */
    (void)fwrite(line.data(), 1, line.size(), stderr);
}

std::string quoted(const std::string &arg)
{
    constexpr size_t LONGEST = 40;
    if (arg.size() <= LONGEST)
        return "'" + arg + "'";
    size_t cut = LONGEST;
    while (cut > 0 && (static_cast<unsigned char>(arg[cut]) & 0xC0) == 0x80)
        --cut;
    return "'" + arg.substr(0, cut) + "...'";
}
