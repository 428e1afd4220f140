/* Characters that are the same thing as a character of the alphabet in
 * another typographic form: quotes, dashes, the ellipsis, spaces, marks
 * that show nothing, and the full-width forms. No letter becomes another
 * letter. ZWNJ and ZWJ stay: they shape Indian scripts. */
#include "message.h"

namespace {

struct lookalike_range {
    uint32_t first, last; /* code points */
    uint32_t to;          /* what each becomes; NONE: dropped */
};
constexpr uint32_t NONE = 0xFFFFFFFF;

constexpr lookalike_range ranges[] = {
    {0x2018, 0x201B, '\''}, {0x2032, 0x2032, '\''}, {0x2035, 0x2035, '\''}, {0x00B4, 0x00B4, '\''},
    {0x0060, 0x0060, '\''}, {0x201C, 0x201F, '"'},  {0x2033, 0x2033, '"'},  {0x2036, 0x2036, '"'},
    {0x00AB, 0x00AB, '"'},  {0x00BB, 0x00BB, '"'},  {0x2010, 0x2015, '-'},  {0x2212, 0x2212, '-'},
    {0x00A0, 0x00A0, ' '},  {0x2000, 0x200A, ' '},  {0x202F, 0x202F, ' '},  {0x205F, 0x205F, ' '},
    {0x3000, 0x3000, ' '},  {0x200B, 0x200B, NONE}, {0x2060, 0x2060, NONE}, {0xFEFF, 0xFEFF, NONE},
    {0x00AD, 0x00AD, NONE}, {0xFF40, 0xFF40, '\''},
};

/* U+FF01-U+FF5E are U+0021-U+007E at full width. */
constexpr uint32_t FULL_WIDTH_FIRST = 0xFF01, FULL_WIDTH_LAST = 0xFF5E, FULL_WIDTH_OFFSET = 0xFF01 - 0x21;
constexpr uint32_t ELLIPSIS = 0x2026;

} // namespace

int lookalike(uint32_t code_point, uint32_t out[3])
{
    /* Most text is below the first look-alike, the grave accent. */
    if (code_point < 0x60 || (code_point > 0x60 && code_point < 0xA0))
        return -1;
    if (code_point == ELLIPSIS) {
        out[0] = out[1] = out[2] = '.';
        return 3;
    }
    for (const lookalike_range &r : ranges) {
        if (code_point >= r.first && code_point <= r.last) {
            out[0] = r.to;
            return r.to == NONE ? 0 : 1;
        }
    }
    if (code_point >= FULL_WIDTH_FIRST && code_point <= FULL_WIDTH_LAST) {
        out[0] = code_point - FULL_WIDTH_OFFSET;
        return 1;
    }
    return -1;
}
