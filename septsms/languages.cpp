#include "languages.h"

#include <septcvt.h>

#include <cstring>

namespace {

struct language {
    int id;
    const char *code, *name;
};

const language LANGUAGES[] = {
    {SEPTCVT_TURKISH, "tr", "Turkish"},     {SEPTCVT_SPANISH, "es", "Spanish"},   {SEPTCVT_PORTUGUESE, "pt", "Portuguese"},
    {SEPTCVT_BENGALI, "bn", "Bengali"},     {SEPTCVT_GUJARATI, "gu", "Gujarati"}, {SEPTCVT_HINDI, "hi", "Hindi"},
    {SEPTCVT_KANNADA, "kn", "Kannada"},     {SEPTCVT_MALAYALAM, "ml", "Malayalam"}, {SEPTCVT_ORIYA, "or", "Oriya"},
    {SEPTCVT_PUNJABI, "pa", "Punjabi"},     {SEPTCVT_TAMIL, "ta", "Tamil"},       {SEPTCVT_TELUGU, "te", "Telugu"},
    {SEPTCVT_URDU, "ur", "Urdu"},
};

const language *by_id(int id)
{
    for (const language &l : LANGUAGES)
        if (l.id == id)
            return &l;
    return nullptr;
}

} // namespace

std::string language_codes()
{
    std::string codes;
    for (const language &l : LANGUAGES)
        codes += (codes.empty() ? "" : " ") + std::string(l.code);
    return codes;
}

bool parse_languages(const char *list, uint16_t &mask, std::string &bad)
{
    uint16_t found = 0;
    for (const char *item = list;; ++item) {
        const size_t length = strcspn(item, ",");
        const language *known = nullptr;
        for (const language &l : LANGUAGES)
            if (length == strlen(l.code) && strncmp(item, l.code, length) == 0)
                known = &l;
        if (known == nullptr) {
            bad.assign(item, length);
            return false;
        }
        found = static_cast<uint16_t>(found | 1u << known->id);
        item += length;
        if (*item == '\0')
            break;
    }
    mask = static_cast<uint16_t>(mask | found);
    return true;
}

const char *language_code(int id)
{
    const language *l = by_id(id);
    return l != nullptr ? l->code : nullptr;
}

const char *language_name(int id)
{
    const language *l = by_id(id);
    return l != nullptr ? l->name : nullptr;
}
