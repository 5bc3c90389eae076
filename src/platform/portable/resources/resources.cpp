// Reading the embedded .res image: its entries, string tables, icons and
// dialog templates, and the Win32 loaders built on them.
#include "platform/portable/resources/resources.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "interface_languages.h"
#include "platform/portable/kernel/ui_language.h"
#include "platform/portable/text/codepage.h"

extern const unsigned char portable_resource_data[];
extern const std::size_t portable_resource_size;

namespace {

// A bounds-checked little-endian reader over one block of bytes.
struct Reader {
    std::string_view data;
    std::size_t pos = 0;
    bool failed = false;

    bool has(std::size_t count) const {
        return !failed && pos <= data.size() && data.size() - pos >= count;
    }
    std::uint32_t get(std::size_t bytes) {
        if (!has(bytes)) {
            failed = true;
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + i]))
                     << (8 * i);
        }
        pos += bytes;
        return value;
    }
    WORD word() { return static_cast<WORD>(get(2)); }
    DWORD dword() { return get(4); }
    short signed_word() { return static_cast<short>(word()); }
    void align(std::size_t to) { pos = (pos + to - 1) / to * to; }
    // A zero-terminated UTF-16 string.
    std::u16string wide_string() {
        std::u16string text;
        for (;;) {
            const WORD c = word();
            if (failed || c == 0) break;
            text.push_back(static_cast<char16_t>(c));
        }
        return text;
    }
    // A name or ordinal, as in resource headers and dialog templates:
    // 0xFFFF then the ordinal, or a zero-terminated UTF-16 string.
    ResourceId id_or_string();
};

std::string wide_to(UINT codePage, std::u16string_view text) {
    if (text.empty()) return {};
    const int n = static_cast<int>(text.size());
    const int count =
        WideCharToMultiByte(codePage, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return {};
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), n, out.data(), count, nullptr, nullptr);
    return out;
}

ResourceId Reader::id_or_string() {
    ResourceId id;
    if (has(2) && static_cast<unsigned char>(data[pos]) == 0xFF &&
        static_cast<unsigned char>(data[pos + 1]) == 0xFF) {
        pos += 2;
        id.ordinal = word();
        return id;
    }
    id.is_ordinal = false;
    id.name = wide_to(CP_UTF8, wide_string());
    return id;
}

// A dialog template's menu and class fields: 0 alone means none.
ResourceId menu_or_class(Reader& r) {
    if (r.has(2) && r.data[r.pos] == 0 && r.data[r.pos + 1] == 0) {
        r.pos += 2;
        return {};
    }
    return r.id_or_string();
}

// The one icon object LoadIconA hands out per group.
struct PortableIcon {
    WORD group;
};

}  // namespace

ResourceId ResourceId::from(LPCSTR nameOrOrdinal) {
    ResourceId id;
    if (IS_INTRESOURCE(nameOrOrdinal)) {
        id.ordinal = static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(nameOrOrdinal));
        return id;
    }
    // "#123" names ordinal 123, as Windows reads it.
    if (nameOrOrdinal[0] == '#') {
        id.ordinal = static_cast<std::uint16_t>(std::strtoul(nameOrOrdinal + 1, nullptr, 10));
        return id;
    }
    id.is_ordinal = false;
    id.name = acp_to_utf8(nameOrOrdinal);
    return id;
}

bool ResourceId::operator==(const ResourceId& other) const {
    if (is_ordinal != other.is_ordinal) return false;
    if (is_ordinal) return ordinal == other.ordinal;
    if (name.size() != other.name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto a = static_cast<unsigned char>(name[i]);
        const auto b = static_cast<unsigned char>(other.name[i]);
        if (std::toupper(a) != std::toupper(b)) return false;
    }
    return true;
}

std::vector<ResourceEntry> parse_resource_file(std::string_view image) {
    std::vector<ResourceEntry> entries;
    std::size_t pos = 0;
    while (pos + 8 <= image.size()) {
        Reader r{image, pos};
        const DWORD dataSize = r.dword();
        const DWORD headerSize = r.dword();
        if (headerSize < 8 || headerSize > image.size() - pos ||
            dataSize > image.size() - pos - headerSize) {
            break;
        }
        Reader header{image.substr(pos, headerSize), 8};
        ResourceEntry entry;
        entry.type = header.id_or_string();
        entry.name = header.id_or_string();
        header.align(4);
        header.dword();  // data version
        header.word();   // memory flags
        entry.language = header.word();
        if (header.failed) break;
        entry.data = image.substr(pos + headerSize, dataSize);
        // The leading empty entry only marks the file as 32-bit resources.
        if (!(entry.type.is_ordinal && entry.type.ordinal == 0)) entries.push_back(entry);
        pos = (pos + headerSize + dataSize + 3) / 4 * 4;
    }
    return entries;
}

const std::vector<ResourceEntry>& portable_resources() {
    static const std::vector<ResourceEntry> entries = parse_resource_file(std::string_view(
        reinterpret_cast<const char*>(portable_resource_data), portable_resource_size));
    return entries;
}

const ResourceEntry* find_resource(const std::vector<ResourceEntry>& entries, WORD type,
                                   const ResourceId& name, WORD language) {
    const ResourceEntry* first = nullptr;
    const ResourceEntry* fallback = nullptr;
    for (const ResourceEntry& e : entries) {
        if (!e.type.is_ordinal || e.type.ordinal != type || !(e.name == name)) continue;
        if (e.language == language) return &e;
        if (!fallback && e.language == fallback_language) fallback = &e;
        if (!first) first = &e;
    }
    return fallback ? fallback : first;
}

const ResourceEntry* find_resource(const std::vector<ResourceEntry>& entries, WORD type,
                                   const ResourceId& name) {
    return find_resource(entries, type, name, portable_ui_language());
}

std::optional<std::u16string> find_string(const std::vector<ResourceEntry>& entries, UINT id,
                                          WORD language) {
    // Strings come in blocks of 16; block n holds ids (n - 1) * 16 to (n - 1) * 16 + 15,
    // each a length in UTF-16 units followed by the text (length 0: absent).
    if (id > 0xFFFF) return std::nullopt;
    ResourceId block;
    block.ordinal = static_cast<std::uint16_t>(id / 16 + 1);
    const ResourceEntry* e = find_resource(entries, resource_type_string, block, language);
    if (!e) return std::nullopt;
    Reader r{e->data};
    for (UINT i = 0; i <= id % 16; ++i) {
        const WORD length = r.word();
        if (r.failed || !r.has(std::size_t{length} * 2)) return std::nullopt;
        if (i == id % 16) {
            if (length == 0) return std::nullopt;
            std::u16string text;
            for (WORD k = 0; k < length; ++k) text.push_back(static_cast<char16_t>(r.word()));
            return text;
        }
        r.pos += std::size_t{length} * 2;
    }
    return std::nullopt;
}

std::optional<std::u16string> find_string(const std::vector<ResourceEntry>& entries, UINT id) {
    return find_string(entries, id, portable_ui_language());
}

std::optional<DialogTemplate> parse_dialog_template(std::string_view data) {
    Reader r{data};
    DialogTemplate t;
    t.extended = r.has(4) && r.word() == 1 && r.word() == 0xFFFF;
    if (!t.extended) r.pos = 0;
    WORD count = 0;
    if (t.extended) {
        t.helpId = r.dword();
        t.exStyle = r.dword();
        t.style = r.dword();
    } else {
        t.style = r.dword();
        t.exStyle = r.dword();
    }
    count = r.word();
    t.x = r.signed_word();
    t.y = r.signed_word();
    t.cx = r.signed_word();
    t.cy = r.signed_word();
    t.menu = menu_or_class(r);
    t.windowClass = menu_or_class(r);
    t.caption = wide_to(CP_UTF8, r.wide_string());
    if (t.style & DS_SETFONT) {
        t.pointSize = r.word();
        if (t.extended) {
            t.weight = r.word();
            t.italic = static_cast<BYTE>(r.get(1));
            t.charset = static_cast<BYTE>(r.get(1));
        }
        t.face = wide_to(CP_UTF8, r.wide_string());
    }
    for (WORD i = 0; i < count && !r.failed; ++i) {
        r.align(4);
        ControlTemplate c;
        if (t.extended) {
            c.helpId = r.dword();
            c.exStyle = r.dword();
            c.style = r.dword();
        } else {
            c.style = r.dword();
            c.exStyle = r.dword();
        }
        c.x = r.signed_word();
        c.y = r.signed_word();
        c.cx = r.signed_word();
        c.cy = r.signed_word();
        c.id = t.extended ? static_cast<int>(static_cast<LONG>(r.dword())) : r.signed_word();
        c.windowClass = r.id_or_string();
        c.text = r.id_or_string();
        const WORD extra = r.word();
        if (extra > 0) {
            if (!r.has(extra)) return std::nullopt;
            c.creationData.assign(data.substr(r.pos, extra));
            r.pos += extra;
        }
        t.controls.push_back(std::move(c));
    }
    if (r.failed) return std::nullopt;
    return t;
}

std::optional<DialogTemplate> load_dialog_template(LPCSTR name, WORD language) {
    const ResourceEntry* e =
        find_resource(portable_resources(), resource_type_dialog, ResourceId::from(name), language);
    if (!e) return std::nullopt;
    return parse_dialog_template(e->data);
}

std::optional<DialogTemplate> load_dialog_template(LPCSTR name) {
    return load_dialog_template(name, portable_ui_language());
}

std::optional<IconImage> decode_icon_image(std::string_view data) {
    Reader r{data};
    const DWORD headerSize = r.dword();
    const auto width = static_cast<LONG>(r.dword());
    const auto doubleHeight = static_cast<LONG>(r.dword());
    r.word();  // planes
    const WORD bits = r.word();
    const DWORD compression = r.dword();
    // The height counts the colour rows and the mask rows: below 2 there is no row.
    if (r.failed || headerSize < 40 || compression != 0 || width <= 0 || width > 256 ||
        doubleHeight < 2 || doubleHeight > 512 || (bits != 32 && bits != 24 && bits != 8)) {
        return std::nullopt;
    }
    r.pos = 32;
    DWORD colours = r.dword();
    if (bits == 8 && (colours == 0 || colours > 256)) colours = 256;
    if (bits != 8) colours = 0;
    IconImage image;
    image.width = width;
    image.height = doubleHeight / 2;
    image.bits = bits;
    const std::size_t paletteAt = headerSize;
    const std::size_t colourAt = paletteAt + colours * 4;
    const std::size_t colourRow = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t maskRow = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t maskAt = colourAt + colourRow * static_cast<std::size_t>(image.height);
    if (maskAt + maskRow * static_cast<std::size_t>(image.height) > data.size())
        return std::nullopt;
    const auto byte = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at]));
    };
    image.pixels.resize(static_cast<std::size_t>(width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        // Rows are stored bottom-up.
        const std::size_t row = static_cast<std::size_t>(image.height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t b = 0, g = 0, rd = 0, a = 255;
            const std::size_t at = colourAt + row * colourRow;
            if (bits == 32) {
                b = byte(at + x * 4u);
                g = byte(at + x * 4u + 1);
                rd = byte(at + x * 4u + 2);
                a = byte(at + x * 4u + 3);
            } else if (bits == 24) {
                b = byte(at + x * 3u);
                g = byte(at + x * 3u + 1);
                rd = byte(at + x * 3u + 2);
            } else {
                const std::uint32_t index = byte(at + static_cast<std::size_t>(x));
                if (index < colours) {
                    b = byte(paletteAt + index * 4);
                    g = byte(paletteAt + index * 4 + 1);
                    rd = byte(paletteAt + index * 4 + 2);
                }
            }
            if (bits != 32) {
                const bool transparent =
                    (byte(maskAt + row * maskRow + static_cast<std::size_t>(x / 8)) >>
                     (7 - x % 8)) &
                    1;
                a = transparent ? 0 : 255;
            }
            image.pixels[static_cast<std::size_t>(y) * width + x] = a << 24 | rd << 16 | g << 8 | b;
        }
    }
    return image;
}

std::optional<IconImage> portable_icon_image(HICON icon, int size) {
    if (!icon) return std::nullopt;
    const auto* handle = reinterpret_cast<const PortableIcon*>(icon);
    const auto& entries = portable_resources();
    ResourceId groupId;
    groupId.ordinal = handle->group;
    const ResourceEntry* group = find_resource(entries, resource_type_group_icon, groupId);
    if (!group) return std::nullopt;
    // The group directory: reserved, type, count, then 14-byte entries
    // (width, height, colours, reserved, planes, bits, bytes, icon id).
    Reader r{group->data, 4};
    const WORD count = r.word();
    int bestScore = -1;
    WORD bestId = 0;
    for (WORD i = 0; i < count && !r.failed; ++i) {
        const int width = static_cast<int>(r.get(1));
        r.get(3);
        r.word();
        const int bits = r.word();
        r.dword();
        const WORD id = r.word();
        const int side = width == 0 ? 256 : width;
        const int distance = side > size ? side - size : (size - side) * 2;
        const int score = 100000 - distance * 100 + bits;
        if (!r.failed && score > bestScore) {
            bestScore = score;
            bestId = id;
        }
    }
    if (bestScore < 0) return std::nullopt;
    ResourceId imageId;
    imageId.ordinal = bestId;
    const ResourceEntry* image = find_resource(entries, resource_type_icon, imageId);
    return image ? decode_icon_image(image->data) : std::nullopt;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0) return 0;
    buffer[0] = '\0';
    const auto text = find_string(portable_resources(), id);
    if (!text) return 0;
    const std::string ansi = wide_to(CP_ACP, *text);
    // At most bufferMax - 1 bytes, never ending inside a character.
    const UINT page = GetACP();
    std::size_t kept = 0;
    while (kept < ansi.size()) {
        std::size_t length = char_length(page, std::string_view(ansi).substr(kept));
        if (length == 0) length = 1;
        if (kept + length > static_cast<std::size_t>(bufferMax - 1)) break;
        kept += length;
    }
    std::memcpy(buffer, ansi.data(), kept);
    buffer[kept] = '\0';
    return static_cast<int>(kept);
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
    if (!buffer || bufferMax < 0) return 0;
    if (bufferMax == 0) {
        // The buffer receives a read-only pointer to the string itself (not
        // zero-terminated), as the resource section would give it. The texts
        // are kept for the process, so the pointer stays valid.
        static std::mutex kept_mutex;
        static std::map<std::pair<WORD, UINT>, std::u16string> kept;
        std::lock_guard<std::mutex> lock(kept_mutex);
        const WORD language = portable_ui_language();
        auto it = kept.find({language, id});
        if (it == kept.end()) {
            auto text = find_string(portable_resources(), id, language);
            if (!text) return 0;
            it = kept.emplace(std::make_pair(language, id), std::move(*text)).first;
        }
        *reinterpret_cast<LPCWSTR*>(buffer) = it->second.c_str();
        return static_cast<int>(it->second.size());
    }
    buffer[0] = 0;
    const auto text = find_string(portable_resources(), id);
    if (!text) return 0;
    // At most bufferMax - 1 units, as Windows copies them.
    const std::size_t kept = std::min(text->size(), static_cast<std::size_t>(bufferMax - 1));
    std::memcpy(buffer, text->data(), kept * sizeof(WCHAR));
    buffer[kept] = 0;
    return static_cast<int>(kept);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    // One icon object per group, alive for the whole process (icons from
    // LoadIconA are shared and never destroyed).
    static std::vector<std::unique_ptr<PortableIcon>> icons;
    const ResourceId id = ResourceId::from(name);
    if (!id.is_ordinal || !find_resource(portable_resources(), resource_type_group_icon, id)) {
        return nullptr;
    }
    for (const auto& icon : icons) {
        if (icon->group == id.ordinal) return reinterpret_cast<HICON>(icon.get());
    }
    icons.push_back(std::make_unique<PortableIcon>(PortableIcon{id.ordinal}));
    return reinterpret_cast<HICON>(icons.back().get());
}
