// The embedded resources hold what the resource script declares, and the
// portable loaders read them as Windows would.
#include <gtest/gtest.h>

#include <string>

#include "platform/portable/codepage.h"
#include "platform/portable/resources.h"
#include "platform/win32.h"

extern const unsigned char portable_resource_data[];
extern const std::size_t portable_resource_size;

namespace {

ResourceId ordinal(WORD value) {
    ResourceId id;
    id.ordinal = value;
    return id;
}

class CodePageScope {
public:
    explicit CodePageScope(const char* page) {
        setenv("NUVEX_CODEPAGE", page, 1);
        portable_reset_code_page();
    }
    ~CodePageScope() {
        unsetenv("NUVEX_CODEPAGE");
        portable_reset_code_page();
    }
};

TEST(EmbeddedResources, EveryResourceIsChinesePrc) {
    const auto& entries = portable_resources();
    ASSERT_FALSE(entries.empty());
    int icons = 0, dialogs = 0, versions = 0, manifests = 0;
    for (const ResourceEntry& e : entries) {
        EXPECT_EQ(e.language, 0x0804);
        ASSERT_TRUE(e.type.is_ordinal);
        icons += e.type.ordinal == resource_type_icon;
        dialogs += e.type.ordinal == resource_type_dialog;
        versions += e.type.ordinal == 16;
        manifests += e.type.ordinal == 24;
    }
    EXPECT_EQ(icons, 18);
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(versions, 1);
    EXPECT_EQ(manifests, 1);
    const ResourceEntry* manifest = find_resource(entries, 24, ordinal(1));
    ASSERT_NE(manifest, nullptr);
    EXPECT_NE(manifest->data.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    EXPECT_NE(manifest->data.find("name=\"XP style manifest\""), std::string_view::npos);
}

std::string utf16(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(EmbeddedResources, VersionRecordCarriesEveryField) {
    const ResourceEntry* version = find_resource(portable_resources(), 16, ordinal(1));
    ASSERT_NE(version, nullptr);
    const std::string_view data = version->data;
    const std::size_t fixed = data.find(std::string_view("\xbd\x04\xef\xfe", 4));
    ASSERT_NE(fixed, std::string_view::npos);
    const auto dword = [&](std::size_t index) {
        std::uint32_t v = 0;
        for (int b = 3; b >= 0; --b) v = v << 8 | static_cast<unsigned char>(data[fixed + index * 4 + b]);
        return v;
    };
    EXPECT_EQ(dword(2), 0u);  // file version 0.0.0.1: high word 0.0, low word 0.1
    EXPECT_EQ(dword(3), 1u);
    EXPECT_EQ(dword(4), 0u);  // product version
    EXPECT_EQ(dword(5), 1u);
    EXPECT_EQ(dword(6), 0x17u);
    EXPECT_EQ(dword(7), 0u);
    EXPECT_EQ(dword(8), 4u);
    EXPECT_EQ(dword(9), 1u);
    EXPECT_EQ(dword(10), 0u);
    EXPECT_EQ(dword(11), 0u);  // file date
    EXPECT_EQ(dword(12), 0u);
    for (const std::u16string_view text :
         {u"080404b0", u"FileDescription", u"NuvexScr \u5c4f\u4fdd\u7a0b\u5e8f", u"FileVersion", u"0, 0, 0, 1",
          u"InternalName", u"LegalCopyright", u"OriginalFilename", u"Nuvex.scr", u"ProductName",
          u"ProductVersion", u"Translation"}) {
        EXPECT_NE(data.find(utf16(text)), std::string_view::npos);
    }
    // The entries in the order of the record, the notice between the internal and original names.
    EXPECT_LT(data.find(utf16(u"InternalName")), data.find(utf16(u"LegalCopyright")));
    EXPECT_LT(data.find(utf16(u"LegalCopyright")), data.find(utf16(u"OriginalFilename")));
    const std::size_t translation = data.find(utf16(u"Translation"));
    EXPECT_NE(data.find(std::string_view("\x04\x08\xb0\x04", 4), translation), std::string_view::npos);
}

TEST(EmbeddedResources, StringsLoadInTheAnsiCodePage) {
    char buffer[80];
    {
        CodePageScope page("936");
        EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 14);
        EXPECT_STREQ(buffer, "Lumora\xb3\xcc\xd0\xf2" "0.01");  // "Lumora程序0.01" in GBK
        // A buffer too small for the last character keeps none of its bytes.
        EXPECT_EQ(LoadStringA(nullptr, 1, buffer, 8), 6);
        EXPECT_STREQ(buffer, "Lumora");
    }
    {
        CodePageScope page("65001");
        EXPECT_EQ(LoadStringA(nullptr, 1, buffer, sizeof buffer), 16);
        EXPECT_STREQ(buffer, "Lumora\xe7\xa8\x8b\xe5\xba\x8f" "0.01");
        EXPECT_EQ(LoadStringA(nullptr, 1001, buffer, 13), 9);
        EXPECT_STREQ(buffer, "Nuvex0_01");
        EXPECT_EQ(LoadStringA(nullptr, 1007, buffer, 80), 9);
        EXPECT_STREQ(buffer, "Nuvex0_01");
        EXPECT_EQ(LoadStringA(nullptr, 1001, buffer, 5), 4);
        EXPECT_STREQ(buffer, "Nuve");
        EXPECT_EQ(LoadStringA(nullptr, 1002, buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, "");
    }
}

TEST(EmbeddedResources, WideStringsAreTheResourcesUtf16Exactly) {
    // The code page plays no part.
    for (const char* page : {"1252", "936"}) {
        CodePageScope scope(page);
        WCHAR buffer[40];
        EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 40), 12);
        EXPECT_EQ(std::u16string(buffer), u"Lumora\u7a0b\u5e8f0.01");
        // At most size - 1 units and a zero.
        EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 8), 7);
        EXPECT_EQ(std::u16string(buffer), u"Lumora\u7a0b");
        EXPECT_EQ(LoadStringW(nullptr, 1001, buffer, 1), 0);
        EXPECT_EQ(buffer[0], 0);
        buffer[0] = u'x';
        EXPECT_EQ(LoadStringW(nullptr, 1002, buffer, 40), 0);
        EXPECT_EQ(buffer[0], 0);
        // Size 0: a read-only pointer to the text itself, not terminated.
        const WCHAR* text = nullptr;
        EXPECT_EQ(LoadStringW(nullptr, 1007, reinterpret_cast<LPWSTR>(&text), 0), 9);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text, 9), u"Nuvex0_01");
        EXPECT_EQ(LoadStringW(nullptr, 1002, reinterpret_cast<LPWSTR>(&text), 0), 0);
    }
}

TEST(EmbeddedResources, OnlyIconGroup102Exists) {
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(100)), nullptr);
    const HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(102));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(102)), icon);
}

TEST(EmbeddedResources, IconGroupHoldsEighteenImagesOfTheDeclaredSizes) {
    const auto& entries = portable_resources();
    const ResourceEntry* group = find_resource(entries, resource_type_group_icon, ordinal(102));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->data.size(), 6u + 18u * 14u);
    const auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(group->data[at])); };
    const auto word = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };
    EXPECT_EQ(word(2), 1u);
    EXPECT_EQ(word(4), 18u);
    const unsigned sizes[] = {96, 72, 64, 48, 32, 16};
    const unsigned bytes[3][6] = {{38056, 21640, 16936, 9640, 4264, 1128},
                                  {28840, 16456, 12840, 7336, 3240, 872},
                                  {11432, 7112, 5672, 3752, 2216, 1384}};
    const unsigned depths[] = {32, 24, 8};
    const unsigned colourBytes[] = {0, 24, 8};
    for (int depth = 0; depth < 3; ++depth) {
        for (int s = 0; s < 6; ++s) {
            const std::size_t at = 6 + 14 * static_cast<std::size_t>(depth * 6 + s);
            const unsigned id = word(at + 12);
            SCOPED_TRACE(id);
            EXPECT_EQ(byte(at), sizes[s]);
            EXPECT_EQ(byte(at + 1), sizes[s]);
            EXPECT_EQ(byte(at + 2), colourBytes[depth]);
            EXPECT_EQ(word(at + 4), 1u);
            EXPECT_EQ(word(at + 6), depths[depth]);
            EXPECT_EQ(word(at + 8) | word(at + 10) << 16, bytes[depth][s]);
            EXPECT_EQ(id, static_cast<unsigned>(depth * 6 + s + 1));
            const ResourceEntry* image = find_resource(entries, resource_type_icon, ordinal(static_cast<WORD>(id)));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->data.size(), bytes[depth][s]);
            const auto decoded = decode_icon_image(image->data);
            ASSERT_TRUE(decoded.has_value());
            EXPECT_EQ(decoded->width, static_cast<int>(sizes[s]));
            EXPECT_EQ(decoded->height, static_cast<int>(sizes[s]));
            // Transparent corners; a red box in the middle.
            EXPECT_EQ(decoded->pixels[0] >> 24, 0u);
            const std::uint32_t centre = decoded->pixels[(sizes[s] / 2 + sizes[s] / 5) * sizes[s] + sizes[s] / 3];
            EXPECT_EQ(centre >> 24, 255u);
            EXPECT_GT((centre >> 16) & 0xFF, 2 * ((centre >> 8) & 0xFF));
        }
    }
}

TEST(EmbeddedResources, ConfigurationTemplateMatchesTheScript) {
    const auto t = load_dialog_template(MAKEINTRESOURCEA(2003));
    ASSERT_TRUE(t.has_value());
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->style, 0x80C808C8u);
    EXPECT_EQ(t->exStyle, 0u);
    EXPECT_EQ(t->x, 0);
    EXPECT_EQ(t->y, 0);
    EXPECT_EQ(t->cx, 223);
    EXPECT_EQ(t->cy, 161);
    EXPECT_EQ(t->caption, "Lumora\xe8\xae\xbe\xe7\xbd\xae");
    EXPECT_EQ(t->face, "MS Shell Dlg");
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->weight, 400);
    EXPECT_EQ(t->italic, 0);
    EXPECT_EQ(t->charset, 1);
    EXPECT_TRUE(t->menu.is_ordinal && t->menu.ordinal == 0);
    EXPECT_TRUE(t->windowClass.is_ordinal && t->windowClass.ordinal == 0);
    struct Expected {
        int id;
        WORD cls;
        const char* text;
        DWORD style;
        short x, y, cx, cy;
    };
    const Expected controls[] = {
        {1, 0x80, "\xe7\xa1\xae\xe5\xae\x9a", 0x50010001, 166, 140, 50, 14},
        {2, 0x80, "\xe5\x8f\x96\xe6\xb6\x88", 0x50010000, 111, 140, 50, 14},
        {1001, 0x81, "", 0x50A11084, 16, 17, 191, 94},
        {-1, 0x80, "\xe6\x98\xbe\xe7\xa4\xba\xe7\x9a\x84\xe6\x96\x87\xe5\xad\x97", 0x50000007, 7, 7, 209, 128},
        {1002, 0x80, "\xe9\x9a\x8f\xe6\xb3\xa2\xe9\x80\x90\xe6\xb5\x81", 0x50010003, 16, 117, 48, 10},
        {3, 0x80, "\xe5\x85\xb3\xe4\xba\x8e...", 0x50010000, 7, 140, 50, 14},
    };
    ASSERT_EQ(t->controls.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const ControlTemplate& c = t->controls[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.id, controls[i].id);
        EXPECT_TRUE(c.windowClass.is_ordinal);
        EXPECT_EQ(c.windowClass.ordinal, controls[i].cls);
        EXPECT_FALSE(c.text.is_ordinal);
        EXPECT_EQ(c.text.name, controls[i].text);
        EXPECT_EQ(c.style, controls[i].style);
        EXPECT_EQ(c.exStyle, 0u);
        EXPECT_EQ(c.helpId, 0u);
        EXPECT_EQ(c.x, controls[i].x);
        EXPECT_EQ(c.y, controls[i].y);
        EXPECT_EQ(c.cx, controls[i].cx);
        EXPECT_EQ(c.cy, controls[i].cy);
        EXPECT_TRUE(c.creationData.empty());
    }
}

TEST(EmbeddedResources, AboutTemplateMatchesTheScript) {
    const auto t = load_dialog_template(MAKEINTRESOURCEA(103));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->style, 0x80C808C8u);
    EXPECT_EQ(t->cx, 222);
    EXPECT_EQ(t->cy, 89);
    EXPECT_EQ(t->caption, "\xe5\x85\xb3\xe4\xba\x8e Lumora");
    EXPECT_EQ(t->face, "MS Shell Dlg");
    ASSERT_EQ(t->controls.size(), 4u);
    const auto& ok = t->controls[0];
    EXPECT_EQ(ok.id, 1);
    EXPECT_EQ(ok.style, 0x50010001u);
    EXPECT_EQ(ok.text.name, "\xe7\xa1\xae\xe5\xae\x9a");
    EXPECT_EQ(ok.x, 127);
    EXPECT_EQ(ok.y, 39);
    const auto& version = t->controls[1];
    EXPECT_EQ(version.id, -1);
    EXPECT_EQ(version.windowClass.ordinal, 0x82);
    EXPECT_EQ(version.style, 0x50020000u);
    EXPECT_EQ(version.text.name, "Lumora \xe7\x89\x88\xe6\x9c\xac" "0.01");
    EXPECT_EQ(version.x, 99);
    EXPECT_EQ(version.cx, 116);
    const auto& icon = t->controls[2];
    EXPECT_EQ(icon.windowClass.ordinal, 0x82);
    EXPECT_TRUE(icon.text.is_ordinal);
    EXPECT_EQ(icon.text.ordinal, 102);
    EXPECT_EQ(icon.style, 0x50000803u);
    EXPECT_EQ(icon.x, 7);
    EXPECT_EQ(icon.y, 7);
    EXPECT_EQ(icon.cx, 21);
    EXPECT_EQ(icon.cy, 20);
    const auto& notice = t->controls[3];
    EXPECT_EQ(notice.style, 0x50020000u);
    EXPECT_EQ(notice.x, 29);
    EXPECT_EQ(notice.y, 74);
    EXPECT_EQ(notice.cx, 186);
    EXPECT_EQ(notice.cy, 8);
    EXPECT_FALSE(notice.text.name.empty());
    EXPECT_FALSE(load_dialog_template(MAKEINTRESOURCEA(104)).has_value());
}

TEST(ResourceParsing, MalformedInputNeverReadsOutOfBounds) {
    // Truncations of the real image at every length near entry boundaries
    // and random lengths yield a prefix of the entries and no crash.
    const auto& full = portable_resources();
    const std::string_view image(reinterpret_cast<const char*>(portable_resource_data), portable_resource_size);
    for (std::size_t cut = 0; cut < image.size(); cut += 997) {
        const auto prefix = parse_resource_file(image.substr(0, cut));
        ASSERT_LE(prefix.size(), full.size());
        for (const ResourceEntry& e : prefix) {
            EXPECT_LE(e.data.data() + e.data.size(), image.data() + cut);
        }
    }
    std::string garbage(4096, '\xff');
    EXPECT_TRUE(parse_resource_file(garbage).empty());
    EXPECT_FALSE(parse_dialog_template(std::string_view("\x01\x00\xff\xff\x00", 5)).has_value());
    const ResourceEntry* dialog = find_resource(full, resource_type_dialog, ordinal(2003));
    ASSERT_NE(dialog, nullptr);
    for (std::size_t cut = 0; cut < dialog->data.size(); cut += 7) {
        EXPECT_FALSE(parse_dialog_template(dialog->data.substr(0, cut)).has_value()) << cut;
    }
    EXPECT_FALSE(decode_icon_image(std::string_view("\x28\x00\x00\x00", 4)).has_value());
}

}  // namespace
