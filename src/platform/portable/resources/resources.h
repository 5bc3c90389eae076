// The module's compiled resources (nuvex.rc, embedded at build time) as the
// portable platform reads them: string tables, icons and dialog templates.
// Nothing outside platform/portable/ and its tests includes this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/windows.h"

// A resource type or name: an ordinal, or a string (kept in UTF-8).
struct ResourceId {
    bool is_ordinal = true;
    std::uint16_t ordinal = 0;
    std::string name;

    static ResourceId from(LPCSTR nameOrOrdinal);
    bool operator==(const ResourceId& other) const;
};

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    WORD language = 0;
    std::string_view data;
};

// Every entry of a compiled .res image, in file order. Malformed input ends
// the list at the first entry that does not fit; nothing is read out of bounds.
std::vector<ResourceEntry> parse_resource_file(std::string_view image);
// The embedded resources of the program.
const std::vector<ResourceEntry>& portable_resources();
// The resource of this type and name in `language`; when there is none in that
// language, the one in the fallback language, English (United States), as
// Windows does; else the first of this type and name (the icon, the version
// record and the manifest exist in one language only). Null when there is
// none at all.
const ResourceEntry* find_resource(const std::vector<ResourceEntry>& entries, WORD type,
                                   const ResourceId& name, WORD language);
// The same in the user's interface language (ui_language.h), as the Win32
// loaders below find their resources.
const ResourceEntry* find_resource(const std::vector<ResourceEntry>& entries, WORD type,
                                   const ResourceId& name);

constexpr WORD resource_type_icon = 3;
constexpr WORD resource_type_dialog = 5;
constexpr WORD resource_type_string = 6;
constexpr WORD resource_type_group_icon = 14;

// String `id` of the string tables in `language` (chosen as find_resource
// chooses), or nothing when it is absent.
std::optional<std::u16string> find_string(const std::vector<ResourceEntry>& entries, UINT id,
                                          WORD language);
// The same in the user's interface language.
std::optional<std::u16string> find_string(const std::vector<ResourceEntry>& entries, UINT id);

struct ControlTemplate {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    ResourceId windowClass;  // ordinals 0x80 Button, 0x81 Edit, 0x82 Static, ...
    ResourceId text;         // a string, or an ordinal (such as an icon's id)
    std::string creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    ResourceId menu;         // ordinal 0: none
    ResourceId windowClass;  // ordinal 0: the standard dialog class
    std::string caption;     // UTF-8
    WORD pointSize = 0;      // with DS_SETFONT
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::string face;  // UTF-8
    std::vector<ControlTemplate> controls;
};

// Reads a DLGTEMPLATE or DLGTEMPLATEEX; nothing when the data is malformed.
std::optional<DialogTemplate> parse_dialog_template(std::string_view data);
// The dialog template of the embedded resources named by `name`, in
// `language` or (without it) the user's interface language.
std::optional<DialogTemplate> load_dialog_template(LPCSTR name, WORD language);
std::optional<DialogTemplate> load_dialog_template(LPCSTR name);

// An icon from LoadIconA: its group id and images as 32-bit RGBA.
struct IconImage {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};
// The image of the icon closest to `size` pixels, preferring deeper colour.
std::optional<IconImage> portable_icon_image(HICON icon, int size);
// Decodes one icon image (a DIB with its mask) from an RT_ICON resource.
std::optional<IconImage> decode_icon_image(std::string_view data);
