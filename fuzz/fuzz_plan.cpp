/* The planner against the planner as it stood before it was made faster
 * (tests/reference_plan.cpp): on any bytes as a text, with any languages
 * and options, the same status and error offset, the same plan, the same
 * parts with nothing written past them, and the same user data of every
 * part. The first five bytes choose the options: the locking and the
 * single languages (two bytes each), their two top bits each the size of
 * the caller's header elements (none, or 9 to 135 octets, which leave less
 * room in every part), then the form, replacement, the
 * reference's size and the room for parts. */
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "reference_plan.h"
#include "septcvt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const int flags = data[4];
    /* An element of the caller's (IEI 0x70) of 9 times 1-15 octets in all. */
    const size_t element_size = 9 * static_cast<size_t>(data[1] >> 6 | (data[3] >> 6) << 2);
    std::vector<uint8_t> elements(element_size, 0xA5);
    if (element_size > 0)
        elements[0] = 0x70, elements[1] = static_cast<uint8_t>(element_size - 2);
    const septcvt_plan_options o{static_cast<uint16_t>((data[0] | data[1] << 8) & 0x3FFE),
                                 static_cast<uint16_t>((data[2] | data[3] << 8) & 0x3FFE), flags >> 1 & 1,
                                 (flags >> 2 & 3) == 3 ? 0 : (flags >> 2 & 3) * 8, elements.data(), elements.size()};
    const int form = flags & 1 ? SEPTCVT_UCS2 : SEPTCVT_UTF8;
    const size_t max_parts = flags & 0x10 ? flags >> 5 : SEPTCVT_MOST_PARTS;
    /* The text in a buffer of exactly its size, so that a read past it shows. */
    const std::vector<uint8_t> text(data + 5, data + size);
    if (!plans_differ(form, text.data(), text.size(), o, max_parts).empty())
        abort();
    return 0;
}
