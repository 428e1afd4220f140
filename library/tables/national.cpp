#include "national.h"

#include "gsm_tables.h"

namespace {

#define NM NO_MAPPING
#include "national_table_rows.inc"
#undef NM

constexpr bool has_rows(int language, int kind)
{
    for (uint16_t code_point : national_table_rows[language][kind])
        if (code_point != NO_MAPPING)
            return true;
    return false;
}

/* The default pair of the data file is the one the default path converts
 * with; the two must never drift apart. */
constexpr bool default_rows_agree()
{
    for (int code = 0; code < 128; ++code)
        if (national_table_rows[0][LOCKING][code] != gsm_base_table[code] ||
            national_table_rows[0][SINGLE][code] != gsm_escape_table[code])
            return false;
    return true;
}
static_assert(default_rows_agree(), "the data file's default tables are those of gsm_tables.h");

/* The escape stands at 0x1B of every locking table and nowhere else, so the
 * conversions find it as they do in the default alphabet; a single table
 * holds no escape. */
constexpr bool escapes_in_place()
{
    for (int language = 0; language < LANGUAGES; ++language)
        for (int code = 0; code < 128; ++code)
            for (int kind : {LOCKING, SINGLE})
                if ((national_table_rows[language][kind][code] == GSM_ESCAPE) !=
                    (kind == LOCKING && code == GSM_ESCAPE && has_rows(language, LOCKING)))
                    return false;
    return true;
}
static_assert(escapes_in_place(), "0x1B is the escape in every locking table, and only there");

/* A language without a locking table of its own keeps the default one. */
constexpr std::array<int, LANGUAGES> derive_locking_tables()
{
    std::array<int, LANGUAGES> tables{};
    for (int id = 0; id < LANGUAGES; ++id)
        tables[id] = has_rows(id, LOCKING) ? id : 0;
    return tables;
}
constexpr std::array<int, LANGUAGES> locking_tables = derive_locking_tables();
static_assert(locking_tables[2] == 0, "Spanish has no locking table");

constexpr std::array<std::array<forward_table, 2>, LANGUAGES> derive_forms()
{
    std::array<std::array<forward_table, 2>, LANGUAGES> forms{};
    for (int language = 0; language < LANGUAGES; ++language)
        for (int ucs2 = 0; ucs2 < 2; ++ucs2)
            forms[language][ucs2] =
                derive_forward(national_table_rows[language][LOCKING], national_table_rows[language][SINGLE], ucs2);
    return forms;
}

constexpr national_inverse invert()
{
    national_inverse inverse{};
    for (auto &by_kind : inverse.direct)
        for (auto &codes : by_kind)
            for (uint8_t &code : codes)
                code = NATIONAL_NONE;
    for (auto &page : inverse.pages)
        for (uint8_t &code : page)
            code = NATIONAL_NONE;
    int pages = 1; /* page 0 holds nothing */
    for (int language = 0; language < LANGUAGES; ++language) {
        for (int kind : {LOCKING, SINGLE}) {
            /* Downward, so that of two codes of one character the lower
             * is written last and wins. */
            for (int code = 127; code >= 0; --code) {
                const uint16_t unit = national_table_rows[language][kind][code];
                if (unit == NO_MAPPING)
                    continue;
                if (unit < NATIONAL_DIRECT) {
                    inverse.direct[language][kind][unit] = static_cast<uint8_t>(code);
                    continue;
                }
                uint8_t &page = inverse.page_of[language][kind][unit >> 8];
                if (page == 0)
                    page = static_cast<uint8_t>(pages++);
                inverse.pages[page][unit & 0xFF] = static_cast<uint8_t>(code);
            }
        }
    }
    return inverse;
}

constexpr int pages_needed()
{
    int pages = 1;
    for (int language = 0; language < LANGUAGES; ++language) {
        for (int kind : {LOCKING, SINGLE}) {
            bool seen[256] = {};
            for (uint16_t unit : national_table_rows[language][kind])
                if (unit != NO_MAPPING && unit >= NATIONAL_DIRECT && !seen[unit >> 8]) {
                    seen[unit >> 8] = true;
                    ++pages;
                }
        }
    }
    return pages;
}
static_assert(pages_needed() <= NATIONAL_PAGES, "room for every page of the inverted tables");

constexpr std::array<std::array<uint16_t, NATIONAL_DIRECT>, 2> derive_holders()
{
    std::array<std::array<uint16_t, NATIONAL_DIRECT>, 2> holders{};
    for (int language = 0; language < LANGUAGES; ++language)
        for (int kind : {LOCKING, SINGLE})
            for (uint16_t unit : national_table_rows[language][kind])
                if (unit < NATIONAL_DIRECT)
                    holders[kind][unit] = static_cast<uint16_t>(holders[kind][unit] | 1u << language);
    return holders;
}

constexpr std::array<gsm_form, NATIONAL_NO_FORM + 1> derive_pair_forms()
{
    std::array<gsm_form, NATIONAL_NO_FORM + 1> forms{};
    for (unsigned code = 0; code < 0x80; ++code) {
        forms[code] = gsm_form{{static_cast<uint8_t>(code), 0}, 1, 0};
        forms[0x80 + code] = gsm_form{{static_cast<uint8_t>(GSM_ESCAPE), static_cast<uint8_t>(code)}, 2, 0};
    }
    forms[NATIONAL_NO_FORM] = gsm_form{{0, 0}, 0, 1};
    return forms;
}

constexpr std::array<int, LANGUAGES> derive_growth()
{
    std::array<int, LANGUAGES> growth{};
    for (int language = 0; language < LANGUAGES; ++language) {
        growth[language] = MAX_GROWTH;
        for (uint16_t code_point : national_table_rows[locking_tables[language]][LOCKING]) {
            const int bytes = unicode_form_of(code_point, false).count;
            growth[language] = bytes > growth[language] ? bytes : growth[language];
        }
    }
    return growth;
}
constexpr std::array<int, LANGUAGES> growth = derive_growth();

constexpr bool growth_bounded()
{
    for (int g : growth)
        if (g > MOST_GROWTH)
            return false;
    return true;
}
static_assert(growth_bounded(), "MOST_GROWTH is the largest growth");

} // namespace

constexpr std::array<std::array<forward_table, 2>, LANGUAGES> national_forms = derive_forms();
constexpr national_inverse national_codes = invert();
constexpr std::array<std::array<uint16_t, NATIONAL_DIRECT>, 2> national_holders_direct = derive_holders();
constexpr std::array<gsm_form, NATIONAL_NO_FORM + 1> national_gsm_forms = derive_pair_forms();

constexpr national_plane_set derive_all_planes()
{
    national_plane_set all{};
    for (int language = 0; language < LANGUAGES; ++language)
        for (int ucs2 = 0; ucs2 < 2; ++ucs2) {
            all.of[language][LOCKING][ucs2] = derive_planes(national_forms[language][ucs2], 0);
            all.of[language][SINGLE][ucs2] = derive_planes(national_forms[language][ucs2], FORWARD_ESCAPED);
        }
    return all;
}
constexpr national_plane_set national_planes = derive_all_planes();

/* Three planes hold every form. */
constexpr bool planes_hold_all()
{
    for (const auto &by_language : national_forms)
        for (const forward_table &table : by_language)
            for (const unicode_form &form : table.entries)
                if (form.count > 3)
                    return false;
    return true;
}
static_assert(planes_hold_all(), "a code's form takes at most three bytes");

constexpr std::array<std::array<uint8_t, NATIONAL_BLOCKS>, LANGUAGES> derive_blocks()
{
    std::array<std::array<uint8_t, NATIONAL_BLOCKS>, LANGUAGES> blocks{};
    for (int language = 0; language < LANGUAGES; ++language) {
        constexpr int BLOCKS = static_cast<int>(NATIONAL_DIRECT / 128);
        int held[BLOCKS] = {};
        for (uint16_t unit : national_table_rows[locking_tables[language]][LOCKING])
            if (unit >= 0x80 && unit < NATIONAL_DIRECT)
                ++held[unit >> 7];
        for (int pick = 0; pick < NATIONAL_BLOCKS; ++pick) {
            int best = 0;
            for (int block = 1; block < BLOCKS; ++block)
                best = held[block] > held[best] ? block : best;
            blocks[language][pick] = static_cast<uint8_t>(best);
            held[best] = 0;
        }
    }
    return blocks;
}
constexpr std::array<std::array<uint8_t, NATIONAL_BLOCKS>, LANGUAGES> national_blocks = derive_blocks();

constexpr std::array<std::array<uint8_t, 16>, LANGUAGES> derive_identity()
{
    std::array<std::array<uint8_t, 16>, LANGUAGES> identity{};
    for (int language = 0; language < LANGUAGES; ++language)
        for (int code = 0; code < 0x80; ++code)
            if (code != GSM_ESCAPE && national_table_rows[locking_tables[language]][LOCKING][code] == code &&
                national_codes.direct[locking_tables[language]][LOCKING][code] == code)
                identity[language][code & 0x0F] = static_cast<uint8_t>(identity[language][code & 0x0F] | 1 << (code >> 4));
    return identity;
}
constexpr std::array<std::array<uint8_t, 16>, LANGUAGES> national_identity = derive_identity();

constexpr table_set derive_set()
{
    table_set set{&national_forms,           &national_planes,       &national_codes, national_gsm_forms.data(),
                  national_blocks.data(),    national_identity.data(), {}};
    for (int language = 0; language < LANGUAGES; ++language)
        set.growth[language] = static_cast<uint8_t>(growth[language]);
    return set;
}
constexpr table_set national_tables = derive_set();

int locking_table_of(int id)
{
    return locking_tables[id];
}

int national_growth(int locking)
{
    return growth[locking];
}
