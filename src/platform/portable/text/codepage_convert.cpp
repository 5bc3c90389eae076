// Conversions between the supported code pages (936, 65001, 1252) and Unicode,
// done by iconv. Converters are opened once per direction and kept for the
// life of the process: opening one costs far more than a line of text.
#include <iconv.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/portable/text/codepage.h"
#include "text/utf8.h"

namespace portable {
void set_last_error(DWORD error);  // kept by the process part
}

namespace {

constexpr DWORD error_invalid_parameter = 87;
constexpr DWORD error_insufficient_buffer = 122;
constexpr DWORD error_no_unicode_translation = 1113;

// Failure as Windows reports it: 0 returned, the reason in GetLastError.
int fail(DWORD error) {
    portable::set_last_error(error);
    return 0;
}

constexpr char32_t replacement_character = 0xFFFD;
constexpr const char* unicode_name = "UTF-32LE";

enum class direction { to_unicode, from_unicode };

const iconv_t no_converter = reinterpret_cast<iconv_t>(-1);

struct converter_slot {
    bool opened = false;
    iconv_t cd = no_converter;
};

std::mutex converter_mutex;
converter_slot converter_slots[3][2];

int slot_index(UINT codePage) {
    return codePage == 936 ? 0 : codePage == CP_UTF8 ? 1 : 2;
}

iconv_t open_converter(UINT codePage, direction dir) {
    // CP936 is GBK plus the euro sign at 0x80, as Windows has it; GBK is the
    // fallback name for iconv builds without it.
    const char* names936[] = {"CP936", "GBK"};
    const char* names65001[] = {"UTF-8"};
    const char* names1252[] = {"CP1252", "WINDOWS-1252"};
    const char* const* names = codePage == 936       ? names936
                               : codePage == CP_UTF8 ? names65001
                                                     : names1252;
    const std::size_t count = codePage == 936 ? 2 : codePage == CP_UTF8 ? 1 : 2;
    for (std::size_t i = 0; i < count; ++i) {
        iconv_t cd = dir == direction::to_unicode ? iconv_open(unicode_name, names[i])
                                                  : iconv_open(names[i], unicode_name);
        if (cd != no_converter) return cd;
    }
    return no_converter;
}

// Must be called with converter_mutex held; the descriptor is reset to its
// initial state.
iconv_t converter(UINT codePage, direction dir) {
    converter_slot& slot =
        converter_slots[slot_index(codePage)][dir == direction::to_unicode ? 0 : 1];
    if (!slot.opened) {
        slot.cd = open_converter(codePage, dir);
        slot.opened = true;
    }
    if (slot.cd != no_converter) iconv(slot.cd, nullptr, nullptr, nullptr, nullptr);
    return slot.cd;
}

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in 1252; Windows
// maps them to the C1 controls of the same value, and so do we.
bool is_1252_hole(char32_t value) {
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

// How many bytes an undecodable character at the front of `bytes` covers.
std::size_t invalid_length(UINT codePage, std::string_view bytes) {
    if (codePage == 936) {
        const auto lead = static_cast<unsigned char>(bytes[0]);
        if (lead >= 0x81 && lead <= 0xFE && bytes.size() > 1) {
            const auto trail = static_cast<unsigned char>(bytes[1]);
            // A pair shaped like a GBK character counts as one; otherwise the
            // second byte (an ASCII letter, a line break) stands on its own.
            if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
        }
        return 1;
    }
    if (codePage == CP_UTF8) return char_length(CP_UTF8, bytes);
    return 1;
}

void append_code_points(std::u32string& out, const char* data, std::size_t size) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(data + i);
        out.push_back(static_cast<char32_t>(b[0]) | static_cast<char32_t>(b[1]) << 8 |
                      static_cast<char32_t>(b[2]) << 16 | static_cast<char32_t>(b[3]) << 24);
    }
}

// ASCII is the same in every supported page and needs no converter: a run of
// it worth taking on its own is copied; iconv reads the rest in stretches.
constexpr std::size_t ascii_worth_taking = 8;

std::uint32_t unit_value(char unit) {
    return static_cast<unsigned char>(unit);
}
std::uint32_t unit_value(char32_t unit) {
    return unit;
}

// How many units (bytes or code points) from `from` on are ASCII.
template <typename Units>
std::size_t ascii_run(const Units& units, std::size_t from) {
    std::size_t at = from;
    while (at < units.size() && unit_value(units[at]) < 0x80) ++at;
    return at - from;
}

// Appends `count` ASCII units from `from` on, as they are.
template <typename Units, typename Out>
void ascii_copy(const Units& units, std::size_t from, std::size_t count, Out& out) {
    for (std::size_t at = from; at < from + count; ++at) {
        out.push_back(static_cast<typename Out::value_type>(unit_value(units[at])));
    }
}

// Whether a run of `run` ASCII units at `at`, in a text of `size` units, is
// copied on its own: a long one, or the rest of the text.
bool copied_alone(std::size_t run, std::size_t at, std::size_t size) {
    return run > 0 && (run >= ascii_worth_taking || at + run == size);
}

// Where a stretch for iconv that starts at `position` ends: just after the
// first unit of the next ASCII run copied on its own. A unit below 0x80 ends
// a character in every supported page, so a character begins after it.
template <typename Units>
std::size_t stretch_end(const Units& units, std::size_t position) {
    std::size_t at = position + 1;
    while (at < units.size()) {
        const std::size_t run = ascii_run(units, at);
        if (run == 0) {
            ++at;
        } else if (copied_alone(run, at, units.size())) {
            return at + 1;
        } else {
            at += run;
        }
    }
    return units.size();
}

// The code points as iconv reads them: four bytes each, little-endian.
std::string utf32le_bytes(const std::u32string& points) {
    std::string bytes(points.size() * 4, '\0');
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (int b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<char>((points[i] >> 8 * b) & 0xFF);
    }
    return bytes;
}

// Decodes `bytes`; with `strict`, fails at the first invalid character instead
// of putting U+FFFD in its place. ASCII, the same in every supported page, is
// taken as it is; iconv reads the rest.
bool decode(UINT codePage, std::string_view bytes, bool strict, std::u32string& out) {
    std::lock_guard<std::mutex> lock(converter_mutex);
    iconv_t cd = converter(codePage, direction::to_unicode);
    std::size_t position = 0;
    char buffer[1024];
    out.reserve(out.size() + bytes.size());
    std::size_t stretch_limit = 0;  // kept across the characters iconv refuses
    while (position < bytes.size()) {
        const std::size_t ascii = ascii_run(bytes, position);
        if (copied_alone(ascii, position, bytes.size()) || (ascii > 0 && cd == no_converter)) {
            ascii_copy(bytes, position, ascii, out);
            position += ascii;
            continue;
        }
        std::string_view rest = bytes.substr(position);
        if (cd == no_converter) {
            // No converter at all: only ASCII reads.
            if (strict) return false;
            out.push_back(replacement_character);
            position += invalid_length(codePage, rest);
            continue;
        }
        if (position >= stretch_limit) stretch_limit = stretch_end(bytes, position);
        const std::size_t stretch = stretch_limit - position;
        char* source = const_cast<char*>(rest.data());
        std::size_t source_left = stretch;
        char* target = buffer;
        std::size_t target_left = sizeof buffer;
        const std::size_t result = iconv(cd, &source, &source_left, &target, &target_left);
        const int error = errno;
        append_code_points(out, buffer, static_cast<std::size_t>(target - buffer));
        position += stretch - source_left;
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        // EILSEQ or EINVAL: the character at `position` is invalid or cut off.
        rest = bytes.substr(position);
        const auto byte = static_cast<unsigned char>(rest[0]);
        if (codePage == 1252 && is_1252_hole(byte)) {
            out.push_back(byte);
            position += 1;
        } else {
            if (strict) return false;
            out.push_back(replacement_character);
            position += invalid_length(codePage, rest);
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

// Encodes code points; a code point with no character in the page becomes
// `fallback` and sets `usedFallback`.
std::string encode(UINT codePage, const std::u32string& points, std::string_view fallback,
                   bool& usedFallback) {
    std::string out;
    std::lock_guard<std::mutex> lock(converter_mutex);
    iconv_t cd = converter(codePage, direction::from_unicode);
    std::string input = utf32le_bytes(points);
    std::size_t position = 0;
    char buffer[1024];
    std::size_t end = 0;  // of the stretch, kept across the characters iconv refuses
    while (position < input.size()) {
        const std::size_t ascii = ascii_run(points, position / 4);
        if (copied_alone(ascii, position / 4, points.size()) || (ascii > 0 && cd == no_converter)) {
            ascii_copy(points, position / 4, ascii, out);
            position += 4 * ascii;
            continue;
        }
        if (cd == no_converter) {  // no converter: only ASCII encodes
            out.append(fallback);
            usedFallback = true;
            position += 4;
            continue;
        }
        if (position >= end) end = 4 * stretch_end(points, position / 4);
        char* source = input.data() + position;
        std::size_t source_left = end - position;
        char* target = buffer;
        std::size_t target_left = sizeof buffer;
        const std::size_t result = iconv(cd, &source, &source_left, &target, &target_left);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        position = end - source_left;
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) continue;
        const char32_t failed = points[position / 4];
        if (codePage == 1252 && is_1252_hole(failed)) {
            out.push_back(static_cast<char>(failed));
        } else {
            out.append(fallback);
            usedFallback = true;
        }
        position += 4;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state (none of our pages has one, but iconv may buffer).
    if (cd != no_converter) {
        char* target = buffer;
        std::size_t target_left = sizeof buffer;
        iconv(cd, nullptr, nullptr, &target, &target_left);
        out.append(buffer, static_cast<std::size_t>(target - buffer));
    }
    return out;
}

std::u16string to_utf16(const std::u32string& points) {
    std::u16string out;
    out.reserve(points.size());
    for (char32_t c : points) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else if (c > 0x10FFFF) {
            out.push_back(static_cast<char16_t>(replacement_character));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

// A lone surrogate is kept as its own value: no code page encodes it, so it
// takes the default character, and towards UTF-8 that is U+FFFD.
std::u32string from_utf16(const char16_t* text, std::size_t length) {
    std::u32string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((char32_t{unit} - 0xD800) << 10) +
                          (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

std::string utf8_encode(const std::u32string& points) {
    std::string out;
    out.reserve(points.size());
    for (char32_t c : points) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = replacement_character;
        append_utf8(out, c);
    }
    return out;
}

}  // namespace

std::u32string acp_to_code_points(std::string_view bytes) {
    std::u32string points;
    decode(GetACP(), bytes, false, points);
    return points;
}

std::string acp_to_utf8(std::string_view bytes) {
    return utf8_encode(acp_to_code_points(bytes));
}

bool acp_to_utf8_strict(std::string_view bytes, std::string& utf8) {
    std::u32string points;
    if (!decode(GetACP(), bytes, true, points)) return false;
    utf8 = utf8_encode(points);
    return true;
}

std::string utf8_to_acp(std::string_view utf8) {
    std::u32string points;
    decode(CP_UTF8, utf8, false, points);
    bool used = false;
    return encode(GetACP(), points, "?", used);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount) {
    const UINT page = effective_code_page(codePage);
    if (page == 0 || !multiByte || multiByteCount == 0 || multiByteCount < -1 || wideCount < 0 ||
        (wideCount > 0 && !wide)) {
        return fail(error_invalid_parameter);
    }
    // A count of -1 converts the terminating zero too.
    const std::size_t length = multiByteCount == -1 ? std::strlen(multiByte) + 1
                                                    : static_cast<std::size_t>(multiByteCount);
    std::u32string points;
    if (!decode(page, std::string_view(multiByte, length), (flags & MB_ERR_INVALID_CHARS) != 0,
                points)) {
        return fail(error_no_unicode_translation);
    }
    const std::u16string units = to_utf16(points);
    if (units.size() > static_cast<std::size_t>(INT_MAX)) return fail(error_insufficient_buffer);
    const int needed = static_cast<int>(units.size());
    if (wideCount == 0) return needed;
    // Too small a buffer is filled as far as it goes and the call fails.
    const int written = needed < wideCount ? needed : wideCount;
    std::memcpy(wide, units.data(), static_cast<std::size_t>(written) * sizeof(WCHAR));
    return needed <= wideCount ? needed : fail(error_insufficient_buffer);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                        int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    const UINT page = effective_code_page(codePage);
    if (page == 0 || !wide || wideCount == 0 || wideCount < -1 || multiByteCount < 0 ||
        (multiByteCount > 0 && !multiByte)) {
        return fail(error_invalid_parameter);
    }
    // UTF-8 encodes every character, so a default character makes no sense.
    if (page == CP_UTF8 && (defaultChar || usedDefaultChar)) return fail(error_invalid_parameter);
    std::size_t length = 0;
    if (wideCount == -1) {
        while (wide[length] != 0) ++length;
        ++length;
    } else {
        length = static_cast<std::size_t>(wideCount);
    }
    std::string fallback = page == CP_UTF8 ? "\xEF\xBF\xBD" : "?";
    if (defaultChar && defaultChar[0] != '\0') {
        std::size_t available = 1;
        while (available < 4 && defaultChar[available] != '\0') ++available;
        fallback.assign(defaultChar, char_length(page, std::string_view(defaultChar, available)));
    }
    bool used = false;
    const std::string bytes = encode(page, from_utf16(wide, length), fallback, used);
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return fail(error_insufficient_buffer);
    const int needed = static_cast<int>(bytes.size());
    if (multiByteCount == 0) return needed;
    const int written = needed < multiByteCount ? needed : multiByteCount;
    std::memcpy(multiByte, bytes.data(), static_cast<std::size_t>(written));
    return needed <= multiByteCount ? needed : fail(error_insufficient_buffer);
}
