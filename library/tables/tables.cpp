#include "tables.h"

#include "gsm_tables.h"
#include "utf8.h"

constexpr forward_table forward_utf8 = derive_forward(gsm_base_table, gsm_escape_table, false);
constexpr forward_table forward_ucs2 = derive_forward(gsm_base_table, gsm_escape_table, true);

static constexpr std::array<uint8_t, 0x10000> invert_tables()
{
    std::array<uint8_t, 0x10000> form{};
    for (uint8_t &f : form)
        f = GSM_NO_FORM;
    /* Later writes win, so walk each table downward and the base table last. */
    for (int code = 127; code >= 0; --code)
        if (gsm_escape_table[code] != NO_MAPPING)
            form[gsm_escape_table[code]] = static_cast<uint8_t>(GSM_ESCAPED | code);
    for (int code = 127; code >= 0; --code)
        form[gsm_base_table[code]] = static_cast<uint8_t>(code);
    return form;
}

/* GSM_ESCAPED | 0x7F would read as GSM_NO_FORM. */
static_assert(gsm_escape_table[0x7F] == NO_MAPPING, "escape code 0x7F must stay unmapped");

constexpr std::array<uint8_t, 0x10000> gsm_unit_form = invert_tables();

static constexpr std::array<gsm_form, 256> derive_gsm_forms()
{
    std::array<gsm_form, 256> forms{};
    for (int f = 0; f < 256; ++f) {
        const uint8_t code = static_cast<uint8_t>(f & 0x7F);
        if (f == GSM_NO_FORM)
            forms[f] = gsm_form{{0, 0}, 0, 1};
        else if ((f & GSM_ESCAPED) != 0)
            forms[f] = gsm_form{{static_cast<uint8_t>(GSM_ESCAPE), code}, 2, 0};
        else
            forms[f] = gsm_form{{code, 0}, 1, 0};
    }
    return forms;
}

constexpr std::array<gsm_form, 256> gsm_forms = derive_gsm_forms();

static constexpr std::array<uint32_t, GSM_INSIDE + 1> derive_short_forms()
{
    std::array<uint32_t, GSM_INSIDE + 1> forms{};
    for (int unit = 0; unit < GSM_INSIDE; ++unit) {
        const gsm_form &form = gsm_forms[gsm_unit_form[unit]];
        forms[unit] = form.bytes[0] | form.bytes[1] << 8 | uint32_t{form.count} << 16 |
                      (form.unmapped ? GSM_SHORT_UNMAPPED : 0);
    }
    forms[GSM_INSIDE] = 0;
    return forms;
}

constexpr std::array<uint32_t, GSM_INSIDE + 1> gsm_short_forms = derive_short_forms();

static constexpr std::array<uint8_t, 16> derive_identity()
{
    std::array<uint8_t, 16> by_low{};
    for (int code = 0; code < 0x80; ++code)
        if (gsm_base_table[code] == code && gsm_unit_form[code] == code)
            by_low[code & 0x0F] = static_cast<uint8_t>(by_low[code & 0x0F] | 1 << (code >> 4));
    return by_low;
}

constexpr std::array<uint8_t, 16> gsm_identity_by_low_nibble = derive_identity();

/* The output buffers are sized by these bounds. */
static constexpr int most_bytes(const forward_table &table, int from)
{
    int most = 0;
    for (int byte = 0; byte < 256; ++byte)
        most = table.entries[from + byte].count > most ? table.entries[from + byte].count : most;
    return most;
}
static_assert(most_bytes(forward_utf8, 0) <= MAX_GROWTH && most_bytes(forward_ucs2, 0) <= MAX_GROWTH,
              "a GSM code gives at most MAX_GROWTH bytes");
static_assert(most_bytes(forward_utf8, FORWARD_ESCAPED) <= 2 * MAX_GROWTH &&
                  most_bytes(forward_ucs2, FORWARD_ESCAPED) <= 2 * MAX_GROWTH,
              "an escape pair gives at most MAX_GROWTH bytes per input byte");
/* The forward conversion takes eight codes at once when none is the escape
 * or above 0x7F, and then needs no check for a code without mapping. */
static constexpr bool only_the_escape_is_special()
{
    for (int byte = 0; byte < 0x80; ++byte)
        if (forward_utf8.entries[byte].flags != (byte == GSM_ESCAPE ? FORM_ESCAPE : 0))
            return false;
    return gsm_base_table[GSM_ESCAPE] == GSM_ESCAPE;
}
static_assert(only_the_escape_is_special(), "every base code but the escape has a character");

static constexpr bool every_gsm_form_fits()
{
    for (const gsm_form &f : gsm_forms)
        if (f.count > MAX_GROWTH)
            return false;
    return true;
}
static_assert(every_gsm_form_fits(), "a character of one UTF-8 byte gives at most MAX_GROWTH bytes");
