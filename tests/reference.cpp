#include "reference.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "conversion.h"
#include "kernels.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

/* The default alphabet as printed, code 0x00 to 0x7F, and the escape
 * extension as code and character; read back through the reference decoder. */
const std::string ALPHABET = "@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1bÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
                             "¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà",
                  ESCAPES = "\x0a\f\x14^\x28{\x29}\x2f\\\x3c[\x3d~\x3e]\x40|\x65€";

/* The code point of a code 0x00-0x7F, or of code - 0x80 after an escape;
 * REF_NONE where the table has none, and above. */
uint32_t code_point(const RefTables &t, uint32_t code)
{
    return code < 0x80 ? t.locking[code] : code < 0x100 ? t.single[code - 0x80] : REF_NONE;
}

} // namespace

std::vector<uint32_t> ref_code_points(const std::string &s)
{
    std::vector<uint32_t> cps;
    for (RefDecoded d = ref_decode(s, 0); d.status != 1; d = ref_decode(s, d.next))
        cps.push_back(d.value);
    return cps;
}

std::string ref_gsm(const RefTables &t, uint32_t unit) /* the first locking code, else the first single code */
{
    for (uint32_t code = 0; code < 0x100; ++code)
        if (code_point(t, code) == unit)
            return code < 0x80 ? std::string(1, static_cast<char>(code)) : std::string{'\x1b', static_cast<char>(code - 0x80)};
    return "";
}

const RefTables &ref_default_tables()
{
    static const RefTables tables = [] {
        RefTables t;
        const std::vector<uint32_t> base = ref_code_points(ALPHABET), pairs = ref_code_points(ESCAPES);
        for (int code = 0; code < 128; ++code)
            t.locking[code] = base[static_cast<size_t>(code)], t.single[code] = REF_NONE;
        for (size_t i = 0; i < pairs.size(); i += 2)
            t.single[pairs[i]] = pairs[i + 1];
        return t;
    }();
    return tables;
}

bool ref_read_languages(const char *path, std::vector<RefTables> &languages)
{
    FILE *f = fopen(path, "rb");
    if (f == nullptr)
        return false;
    languages.assign(14, RefTables{});
    for (int id = 0; id < 14; ++id) {
        RefTables &language = languages[static_cast<size_t>(id)];
        language.locking_id = language.single_id = id;
        std::fill(std::begin(language.locking), std::end(language.locking), REF_NONE);
        std::fill(std::begin(language.single), std::end(language.single), REF_NONE);
    }
    char line[256], name[32], kind[16];
    int rows = 0, id = 0;
    unsigned code = 0, cp = 0;
    while (fgets(line, sizeof line, f) != nullptr) {
        if (line[0] == '#' || strncmp(line, "language_id\t", 12) == 0)
            continue;
        if (sscanf(line, "%d %31s %15s %x U+%x", &id, name, kind, &code, &cp) != 5 || id < 0 || id > 13 || code > 0x7F)
            break;
        RefTables &language = languages[static_cast<size_t>(id)];
        (strcmp(kind, "locking") == 0 ? language.locking : language.single)[code] = cp;
        ++rows;
    }
    const bool whole = feof(f) != 0 && rows > 0;
    fclose(f);
    return whole;
}

RefTables ref_pair(const std::vector<RefTables> &languages, int locking, int single)
{
    RefTables pair = languages[static_cast<size_t>(locking)];
    /* A language without a locking table leaves the default alphabet. */
    if (std::count(std::begin(pair.locking), std::end(pair.locking), REF_NONE) == 128)
        std::copy(std::begin(languages[0].locking), std::end(languages[0].locking), pair.locking);
    std::copy(std::begin(languages[static_cast<size_t>(single)].single), std::end(languages[static_cast<size_t>(single)].single), pair.single);
    pair.single_id = single;
    return pair;
}

std::string ref_utf8(uint32_t cp) /* the count of continuation bytes by range */
{
    int n = 0;
    while (n < 5 && cp >= (n == 0 ? 0x80u : 0x800u << (5 * (n - 1))))
        ++n;
    std::string s(1, static_cast<char>(n == 0 ? cp : (0xFF00 >> (n + 1)) | cp >> (6 * n)));
    for (int k = n - 1; k >= 0; --k)
        s += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
    return s;
}

RefDecoded ref_decode(const std::string &s, size_t pos)
{
    const unsigned lead = pos < s.size() ? static_cast<unsigned char>(s[pos]) : 0;
    const size_t len = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : lead < 0xFC ? 5 : lead < 0xFE ? 6 : 0;
    if (pos >= s.size() || (len && pos + len > s.size()))
        return {1, 0xFFFE, s.size()};
    uint32_t value = len == 1 ? lead : lead & (0x7F >> len);
    bool malformed = len == 0;
    for (size_t i = 1; i < len; ++i) {
        malformed |= (s[pos + i] & 0xC0) != 0x80;
        value = value * 64 + (s[pos + i] & 0x3F);
    }
    if (malformed || ref_utf8(value).size() != len) /* or overlong */
        return {5, 0xFFFE, pos + (len ? len : 1)};
    return {value >= 0xD800 && value <= 0xDFFF ? 3 : value == 0xFFFE || value == 0xFFFF ? 4 : 0, value, pos + len};
}

Converted ref_convert(bool reverse, bool ucs2, const std::string &in, const RefTables &t)
{
    Converted r{0, !reverse && ucs2 ? "\xff\xfe" : "", in.size()};
    auto byte = [&in](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(in[i])); };
    auto put = [&r](const std::string &bytes) { r.unmapped += bytes.empty(), r.status |= bytes.empty(), r.out += bytes; };
    for (size_t i = 0; !reverse && i < in.size(); ++i) {
        uint32_t cp = byte(i) < 0x80 ? code_point(t, byte(i)) : REF_NONE;
        if (cp == 0x1B && ++i == in.size()) {
            r.cut = i - 1;
            break;
        }
        cp = cp == 0x1B ? code_point(t, 0x80 + byte(i)) : cp;
        put(cp == REF_NONE ? "" : ucs2 ? std::string{static_cast<char>(cp), static_cast<char>(cp >> 8)} : ref_utf8(cp));
    }
    const bool little = in.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    if (reverse && ucs2 && !little && !(in.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF))
        return {SEPTCVT_NO_MARK, "", in.size() < 2 ? in.size() : 2, 0, in.size() < 2 ? REF_NO_FAULT : 0};
    for (size_t i = 2; reverse && ucs2 && i + 1 < in.size(); i += 2)
        put(ref_gsm(t, little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1)));
    if (reverse && ucs2 && in.size() % 2 == 1)
        r.cut = in.size() - 1;
    for (size_t at = 0; reverse && !ucs2 && at < in.size();) {
        const RefDecoded d = ref_decode(in, at);
        if (d.status == 1) {
            r.cut = at;
            break;
        }
        if (d.status != 0)
            return {SEPTCVT_MALFORMED, r.out, d.next, r.unmapped, at};
        at = d.next;
        put(d.value > 0xFFFF ? "" : ref_gsm(t, d.value));
    }
    return r;
}

/* Input copied to end right before a page that cannot be read, so that a
 * read past its end faults in every build; else (unguarded, or where no
 * such page can be had) a copy of its own, where a sanitizer sees a read on
 * either side of it. */
static const uint8_t *before_guard(const std::string &in, std::vector<uint8_t> &own, bool guarded = true)
{
    constexpr size_t ROOM = size_t{1} << 20;
    static uint8_t *const guard = [] {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        uint8_t *base = static_cast<uint8_t *>(VirtualAlloc(nullptr, ROOM + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        return base != nullptr && VirtualProtect(base + ROOM, page, PAGE_NOACCESS, &old) ? base + ROOM : nullptr;
#else
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void *base = mmap(nullptr, ROOM + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return base != MAP_FAILED && mprotect(static_cast<uint8_t *>(base) + ROOM, page, PROT_NONE) == 0 ? static_cast<uint8_t *>(base) + ROOM : nullptr;
#endif
    }();
    if (!guarded || guard == nullptr || in.size() > ROOM) {
        own.assign(in.begin(), in.end());
        return own.data();
    }
    return static_cast<uint8_t *>(memcpy(guard - in.size(), in.data(), in.size()));
}

/* The C interface with the kernels k, fed the pieces that end at cuts,
 * each with exactly the room the core needs for it (and the mark), or
 * (tight) with as little as it takes and up to 63 bytes more, which must
 * not tempt it to take more input than that room holds: what it left is
 * given again, and a call that takes none of it fails the check rather than
 * loop. Each piece but a tight one ends before a page that cannot be read,
 * and guard bytes past the room must stay. A refusal stays: one more call
 * gives it again and takes nothing. */
static bool through_interface(bool reverse, bool ucs2, const std::string &in, const std::vector<size_t> &cuts,
                              bool tight, const kernel_set *k, std::mt19937 &rng, const Converted &want, const RefTables &t)
{
    septcvt_state st;
    start_conversion(&st, reverse ? SEPTCVT_TO_GSM : SEPTCVT_TO_UNICODE, ucs2 ? SEPTCVT_UCS2 : SEPTCVT_UTF8, t.locking_id, t.single_id, k);
    std::string out;
    int status = SEPTCVT_OK;
    for (size_t pos = 0, i = 0; i < cuts.size() && status <= SEPTCVT_UNMAPPED; i += pos == cuts[i]) {
        std::vector<uint8_t> own;
        const std::string piece = in.substr(pos, cuts[i] - pos);
        const size_t mark = !reverse && ucs2 && st.total_out == 0 ? 2 : 0;
        const size_t room = tight ? septcvt_output_room_pair(1, t.locking_id, t.single_id) + rng() % 64
                                  : septcvt_output_room_pair(piece.size(), t.locking_id, t.single_id) - 2 + mark;
        std::vector<uint8_t> buf(room + 8, 0xA5);
        size_t used = 0, n = 0;
        status = septcvt_convert(&st, before_guard(piece, own, !tight), piece.size(), &used, buf.data(), room, &n);
        if (n > room || std::count(buf.begin() + static_cast<long>(room), buf.end(), 0xA5) != 8 || used > piece.size() ||
            (used == 0 && !piece.empty() && status <= SEPTCVT_UNMAPPED))
            return false;
        out.append(reinterpret_cast<char *>(buf.data()), n);
        pos += used;
    }
    size_t again = 1, none = 1;
    const bool refused = status > SEPTCVT_UNMAPPED;
    if (refused && (septcvt_convert(&st, in.data(), in.size(), &again, nullptr, 0, &none) != status || again > 0))
        return false;
    status = septcvt_finish(&st);
    const size_t fault = status == SEPTCVT_MALFORMED || (status == SEPTCVT_NO_MARK && in.size() >= 2) ? st.error_offset : REF_NO_FAULT;
    return st.total_out == out.size() && status == want.status && out == want.out && st.unmapped == want.unmapped &&
           (refused ? st.total_in : in.size()) == want.used && fault == want.fault;
}

/* Where the unmapped characters stand: walked one after the other, as many
 * as the conversion counts, the walk stopped where refused input begins;
 * and the text without them converts to the same output with none
 * unmapped. */
static bool unmapped_found(bool reverse, bool ucs2, const std::string &in, const Converted &want, const RefTables *t)
{
    const int direction = reverse ? SEPTCVT_TO_GSM : SEPTCVT_TO_UNICODE, form = ucs2 ? SEPTCVT_UCS2 : SEPTCVT_UTF8;
    const int locking = t != nullptr ? t->locking_id : 0, single = t != nullptr ? t->single_id : 0;
    std::string rest; /* the input without them */
    uint64_t from = 0, at = 0, found = 0;
    size_t length = 0;
    int status;
    while ((status = septcvt_next_unmapped(direction, form, locking, single, in.data(), in.size(), from, &at, &length)) ==
               SEPTCVT_OK && at != SEPTCVT_NO_OFFSET) {
        rest.append(in, from, at - from);
        from = at + length;
        ++found;
    }
    if (found != want.unmapped || status != (want.status == SEPTCVT_UNMAPPED ? SEPTCVT_OK : want.status))
        return false;
    if (status != SEPTCVT_OK)
        return at == (want.fault == REF_NO_FAULT ? 0 : want.fault);
    rest.append(in, from, std::string::npos);
    const Converted again = ref_convert(reverse, ucs2, rest, t != nullptr ? *t : ref_default_tables());
    return again.unmapped == 0 && again.out == want.out;
}

/* The whole input at once, into exactly the room of its output and into a
 * byte less (a long text also into none, half and every room up to 300
 * bytes short of it), and (to GSM) its septets counted. A whole buffer is a complete
 * text: what a stream's end drops is refused where it begins, and an
 * escape at the end had no mapping. */
static bool whole_agrees(bool reverse, bool ucs2, const std::string &in, Converted want, const RefTables *t)
{
    if (want.cut != REF_NO_FAULT && reverse)
        want.status = SEPTCVT_MALFORMED, want.fault = want.cut;
    else if (want.cut != REF_NO_FAULT)
        want.status = SEPTCVT_UNMAPPED, ++want.unmapped;
    const int form = ucs2 ? SEPTCVT_UCS2 : SEPTCVT_UTF8;
    const size_t need = want.out.size();
    std::vector<uint8_t> own;
    const uint8_t *text = before_guard(in, own);
    std::vector<size_t> rooms = {need, need - (need > 0)};
    for (size_t room = 0; in.size() > 4096 && room + 1 < need; room = room < need / 2 ? need / 2 : std::max(room + 1, need - 300))
        rooms.push_back(room);
    for (const size_t room : rooms) {
        std::string out(room + 8, '\xa5');
        size_t len = 0;
        uint64_t unmapped = 0, fault = 7;
        int status;
        if (t != nullptr)
            status = reverse ? septcvt_to_gsm_pair(form, t->locking_id, t->single_id, text, in.size(), &out[0], room, &len, &unmapped, &fault)
                             : septcvt_to_unicode_pair(form, t->locking_id, t->single_id, text, in.size(), &out[0], room, &len, &unmapped);
        else
            status = reverse ? septcvt_to_gsm(form, text, in.size(), &out[0], room, &len, &unmapped, &fault)
                             : septcvt_to_unicode(form, text, in.size(), &out[0], room, &len, &unmapped);
        const bool short_room = room < need && want.status <= SEPTCVT_UNMAPPED;
        if (status != (short_room ? SEPTCVT_NO_ROOM : want.status) || len != need || unmapped != want.unmapped ||
            out.compare(0, room < need ? room : need, want.out, 0, room) != 0 || out.substr(room) != std::string(8, '\xa5') ||
            (reverse && fault != (want.fault == REF_NO_FAULT ? 0 : want.fault)))
            return false;
    }
    if (!unmapped_found(reverse, ucs2, in, want, t))
        return false;
    size_t septets = 0;
    const int counted = t != nullptr ? septcvt_count_septets_pair(form, t->locking_id, t->single_id, text, in.size(), &septets, nullptr)
                                     : septcvt_count_septets(form, text, in.size(), &septets, nullptr);
    return !reverse || (counted == want.status && septets == need);
}

bool ref_with_emulated = true;

bool core_agrees(bool reverse, bool ucs2, const std::string &in, unsigned seed, const RefTables *tables)
{
    const RefTables &t = tables != nullptr ? *tables : ref_default_tables();
    const Converted want = ref_convert(reverse, ucs2, in, t);
    std::vector<std::vector<size_t>> feeds = {{in.size()}, {}, {}};
    std::mt19937 rng(seed);
    for (size_t i = in.empty() ? 0 : 1; i <= in.size(); ++i) { /* an empty input is still one call */
        feeds[1].push_back(i);
        if (i == in.size() || rng() % 8 == 0)
            feeds[2].push_back(i);
    }
    for (const kernel_set *const *k = runnable_kernels();; ++k) { /* ends with none: the scalar core alone */
        if (*k != nullptr && !ref_with_emulated && strstr((*k)->name, "emulated") != nullptr)
            continue;
        for (size_t f = 0; f < 4; ++f)
            if (!through_interface(reverse, ucs2, in, feeds[f % 3], f == 3, *k, rng, want, t))
                return false;
        if (*k == nullptr)
            return whole_agrees(reverse, ucs2, in, want, tables);
    }
}
