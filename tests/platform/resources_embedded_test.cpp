// The embedded resources hold what the resource script declares, and the
// portable loaders read them as Windows would.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "config/nuvex_resource_ids.h"
#include "config/settings.h"
#include "interface_languages.h"
#include "nuvex_version.h"
#include "platform/locale_scope.h"
#include "platform/portable/resources/resources.h"
#include "platform/portable/text/codepage.h"
#include "platform/untranslated_language.h"
#include "platform/win32.h"

extern const unsigned char portable_resource_data[];
extern const std::size_t portable_resource_size;

namespace {

// An id that no string of the script has.
constexpr UINT no_such_string = IDS_FILE_NAME + 1;

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

constexpr WORD chinese_prc = 0x0804;
constexpr WORD english = 0x0409;

// The first interface language whose texts are those of `language`: the one
// whose resources every language of that script must repeat byte for byte.
const InterfaceLanguage& first_with_texts_of(const InterfaceLanguage& language) {
    for (const InterfaceLanguage& l : interface_languages) {
        if (l.resources == language.resources) return l;
    }
    return language;
}

// Texts the resources show with the version after them.
std::u16string with_version(std::u16string text) {
    for (const char* c = NUVEX_VERSION_SHORT; *c; ++c) text.push_back(static_cast<char16_t>(*c));
    return text;
}
std::string with_version(std::string text) {
    return text + NUVEX_VERSION_SHORT;
}

TEST(EmbeddedResources, DialogsAndStringsInEveryLanguageTheRestInChineseOnly) {
    const auto& entries = portable_resources();
    ASSERT_FALSE(entries.empty());
    int icons = 0, dialogs = 0, versions = 0, manifests = 0;
    for (const ResourceEntry& e : entries) {
        ASSERT_TRUE(e.type.is_ordinal);
        SCOPED_TRACE(testing::Message() << "type " << e.type.ordinal << " id " << e.name.ordinal
                                        << " language " << std::hex << e.language);
        const bool texts =
            e.type.ordinal == resource_type_dialog || e.type.ordinal == resource_type_string;
        if (!texts) {
            EXPECT_EQ(e.language, chinese_prc);
        }
        icons += e.type.ordinal == resource_type_icon;
        dialogs += e.type.ordinal == resource_type_dialog;
        versions += e.type.ordinal == 16;
        manifests += e.type.ordinal == 24;
        if (!texts) continue;
        // Every text resource exists in each interface language; languages
        // of the same texts hold the same bytes, languages of other texts
        // other dialogs.
        for (const InterfaceLanguage& language : interface_languages) {
            const ResourceEntry* mine = find_resource(entries, e.type.ordinal, e.name, language.id);
            ASSERT_NE(mine, nullptr) << std::hex << language.id;
            EXPECT_EQ(mine->language, language.id);
            const ResourceEntry* first =
                find_resource(entries, e.type.ordinal, e.name, first_with_texts_of(language).id);
            EXPECT_EQ(mine->data, first->data) << std::hex << language.id;
            if (e.type.ordinal != resource_type_dialog) continue;
            for (const InterfaceLanguage& other : interface_languages) {
                if (other.resources == language.resources) continue;
                EXPECT_NE(find_resource(entries, e.type.ordinal, e.name, other.id)->data,
                          mine->data);
            }
        }
    }
    EXPECT_EQ(icons, 18);
    EXPECT_EQ(dialogs, 2 * static_cast<int>(std::size(interface_languages)));
    EXPECT_EQ(versions, 1);
    EXPECT_EQ(manifests, 1);
    const ResourceEntry* manifest = find_resource(entries, 24, ordinal(1));
    ASSERT_NE(manifest, nullptr);
    EXPECT_NE(manifest->data.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
    EXPECT_NE(manifest->data.find("name=\"XP style manifest\""), std::string_view::npos);
    // A resource in one language only is found whatever language is asked for.
    EXPECT_EQ(find_resource(entries, 24, ordinal(1), english), manifest);
    EXPECT_EQ(find_resource(entries, resource_type_dialog, ordinal(104), english), nullptr);
    // A language without texts is shown English (United States), as on
    // Windows, never the first language of the module: another language, English of
    // a territory no table will have (sublanguage 0x1F), and the neutral language.
    for (WORD without_texts : {untranslated_language().id, WORD{0x7C09}, WORD{0x0000}}) {
        const ResourceEntry* shown =
            find_resource(entries, resource_type_dialog, ordinal(IDD_CONFIG), without_texts);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->language, fallback_language) << std::hex << without_texts;
    }
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
        for (int b = 3; b >= 0; --b)
            v = v << 8 | static_cast<unsigned char>(data[fixed + index * 4 + b]);
        return v;
    };
    // File and product version: the high word of each half first.
    const std::uint32_t numbers[] = {NUVEX_VERSION_NUMBERS};
    const std::uint32_t high = numbers[0] << 16 | numbers[1];
    const std::uint32_t low = numbers[2] << 16 | numbers[3];
    EXPECT_EQ(dword(2), high);
    EXPECT_EQ(dword(3), low);
    EXPECT_EQ(dword(4), high);
    EXPECT_EQ(dword(5), low);
    EXPECT_EQ(dword(6), 0x17u);
    EXPECT_EQ(dword(7), 0u);
    EXPECT_EQ(dword(8), 4u);
    EXPECT_EQ(dword(9), 1u);
    EXPECT_EQ(dword(10), 0u);
    EXPECT_EQ(dword(11), 0u);  // file date
    EXPECT_EQ(dword(12), 0u);
    // A Chinese block, then an English one, each with every entry in the
    // order of the record (the notice between the internal and original names).
    const std::size_t chinese_block = data.find(utf16(u"080404b0"));
    const std::size_t english_block = data.find(utf16(u"040904b0"));
    ASSERT_NE(chinese_block, std::string_view::npos);
    ASSERT_NE(english_block, std::string_view::npos);
    ASSERT_LT(chinese_block, english_block);
    const std::size_t variables = data.find(utf16(u"VarFileInfo"));
    ASSERT_LT(english_block, variables);
    const std::pair<std::size_t, std::size_t> blocks[] = {{chinese_block, english_block},
                                                          {english_block, variables}};
    for (const auto& [start, end] : blocks) {
        std::size_t at = start;
        for (const std::u16string_view key :
             {u"FileDescription", u"FileVersion", u"InternalName", u"LegalCopyright",
              u"OriginalFilename", u"ProductName", u"ProductVersion"}) {
            at = data.find(utf16(key), at);
            EXPECT_LT(at, end) << std::string(key.begin(), key.end());
        }
    }
    std::u16string version_text;
    for (const char* c = NUVEX_VERSION_TEXT; *c; ++c) version_text.push_back(*c);
    for (const std::u16string_view text :
         {std::u16string_view(u"NuvexScr \u5c4f\u4fdd\u7a0b\u5e8f"),
          std::u16string_view(version_text), std::u16string_view(u"NuvexScr"),
          std::u16string_view(u"Nuvex.scr")}) {
        const std::size_t found = data.find(utf16(text), chinese_block);
        EXPECT_LT(found, english_block);
    }
    for (const std::u16string_view text :
         {std::u16string_view(u"NuvexScr Screen Saver"), std::u16string_view(version_text),
          std::u16string_view(u"Nuvex.scr")}) {
        const std::size_t found = data.find(utf16(text), english_block);
        EXPECT_LT(found, variables);
    }
    // Both languages in Unicode (code page 1200), Chinese first.
    const std::size_t translation = data.find(utf16(u"Translation"));
    EXPECT_NE(data.find(std::string_view("\x04\x08\xb0\x04\x09\x04\xb0\x04", 8), translation),
              std::string_view::npos);
}

TEST(EmbeddedResources, StringsLoadInTheAnsiCodePage) {
    LocaleScope chinese("zh_CN.UTF-8");
    char buffer[80];
    {
        CodePageScope page("936");
        const std::string gbk = with_version("Lumora\xb3\xcc\xd0\xf2");  // "Lumora程序" in GBK
        EXPECT_EQ(LoadStringA(nullptr, IDS_DESCRIPTION, buffer, sizeof buffer),
                  static_cast<int>(gbk.size()));
        EXPECT_EQ(buffer, gbk);
        // A buffer too small for the last character keeps none of its bytes.
        EXPECT_EQ(LoadStringA(nullptr, IDS_DESCRIPTION, buffer, 8), 6);
        EXPECT_STREQ(buffer, "Lumora");
    }
    {
        CodePageScope page("65001");
        const std::string utf8 = with_version("Lumora\xe7\xa8\x8b\xe5\xba\x8f");
        EXPECT_EQ(LoadStringA(nullptr, IDS_DESCRIPTION, buffer, sizeof buffer),
                  static_cast<int>(utf8.size()));
        EXPECT_EQ(buffer, utf8);
        // The names fill their buffers' sizes without being cut.
        const std::string_view file(settings_file_name), section(settings_section_name);
        EXPECT_EQ(LoadStringA(nullptr, IDS_FILE_NAME, buffer, file_name_size),
                  static_cast<int>(file.size()));
        EXPECT_EQ(buffer, file);
        EXPECT_EQ(LoadStringA(nullptr, IDS_SECTION, buffer, section_name_size),
                  static_cast<int>(section.size()));
        EXPECT_EQ(buffer, section);
        EXPECT_EQ(LoadStringA(nullptr, IDS_FILE_NAME, buffer, 5), 4);
        EXPECT_EQ(buffer, file.substr(0, 4));
        EXPECT_EQ(LoadStringA(nullptr, no_such_string, buffer, sizeof buffer), 0);
        EXPECT_STREQ(buffer, "");
    }
}

TEST(EmbeddedResources, WideStringsAreTheResourcesUtf16Exactly) {
    LocaleScope chinese("zh_CN.UTF-8");
    // The code page plays no part.
    for (const char* page : {"1252", "936"}) {
        CodePageScope scope(page);
        WCHAR buffer[40];
        const std::u16string description = with_version(u"Lumora\u7a0b\u5e8f");
        EXPECT_EQ(LoadStringW(nullptr, IDS_DESCRIPTION, buffer, 40),
                  static_cast<int>(description.size()));
        EXPECT_EQ(std::u16string(buffer), description);
        // At most size - 1 units and a zero.
        EXPECT_EQ(LoadStringW(nullptr, IDS_DESCRIPTION, buffer, 8), 7);
        EXPECT_EQ(std::u16string(buffer), u"Lumora\u7a0b");
        EXPECT_EQ(LoadStringW(nullptr, IDS_FILE_NAME, buffer, 1), 0);
        EXPECT_EQ(buffer[0], 0);
        buffer[0] = u'x';
        EXPECT_EQ(LoadStringW(nullptr, no_such_string, buffer, 40), 0);
        EXPECT_EQ(buffer[0], 0);
        // Size 0: a read-only pointer to the text itself, not terminated.
        const WCHAR* text = nullptr;
        const std::string_view section(settings_section_name);
        EXPECT_EQ(LoadStringW(nullptr, IDS_SECTION, reinterpret_cast<LPWSTR>(&text), 0),
                  static_cast<int>(section.size()));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text, section.size()),
                  std::u16string(section.begin(), section.end()));
        EXPECT_EQ(LoadStringW(nullptr, no_such_string, reinterpret_cast<LPWSTR>(&text), 0), 0);
    }
}

TEST(EmbeddedResources, OnlyTheSaversIconGroupExists) {
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_SAVER_CLASS)), nullptr);
    const HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_NUVEX));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_NUVEX)), icon);
}

TEST(EmbeddedResources, IconGroupHoldsEighteenImagesOfTheDeclaredSizes) {
    const auto& entries = portable_resources();
    const ResourceEntry* group =
        find_resource(entries, resource_type_group_icon, ordinal(IDI_NUVEX));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->data.size(), 6u + 18u * 14u);
    const auto byte = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(group->data[at]));
    };
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
            const ResourceEntry* image =
                find_resource(entries, resource_type_icon, ordinal(static_cast<WORD>(id)));
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->data.size(), bytes[depth][s]);
            const auto decoded = decode_icon_image(image->data);
            ASSERT_TRUE(decoded.has_value());
            EXPECT_EQ(decoded->width, static_cast<int>(sizes[s]));
            EXPECT_EQ(decoded->height, static_cast<int>(sizes[s]));
            // Transparent corners; a red box in the middle.
            EXPECT_EQ(decoded->pixels[0] >> 24, 0u);
            const std::uint32_t centre =
                decoded->pixels[(sizes[s] / 2 + sizes[s] / 5) * sizes[s] + sizes[s] / 3];
            EXPECT_EQ(centre >> 24, 255u);
            EXPECT_GT((centre >> 16) & 0xFF, 2 * ((centre >> 8) & 0xFF));
        }
    }
}

TEST(EmbeddedResources, ConfigurationTemplateMatchesTheScript) {
    LocaleScope chinese("zh_CN.UTF-8");
    const auto t = load_dialog_template(MAKEINTRESOURCEA(IDD_CONFIG));
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
        {IDOK, 0x80, "\xe7\xa1\xae\xe5\xae\x9a", 0x50010001, 166, 140, 50, 14},
        {IDCANCEL, 0x80, "\xe5\x8f\x96\xe6\xb6\x88", 0x50010000, 111, 140, 50, 14},
        {IDC_MESSAGE, 0x81, "", 0x50A11084, 16, 17, 191, 94},
        {IDC_STATIC, 0x80, "\xe6\x98\xbe\xe7\xa4\xba\xe7\x9a\x84\xe6\x96\x87\xe5\xad\x97",
         0x50000007, 7, 7, 209, 128},
        {IDC_FOLLOW, 0x80, "\xe9\x9a\x8f\xe6\xb3\xa2\xe9\x80\x90\xe6\xb5\x81", 0x50010003, 16, 117,
         48, 10},
        {IDC_ABOUT, 0x80, "\xe5\x85\xb3\xe4\xba\x8e...", 0x50010000, 7, 140, 50, 14},
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
    LocaleScope chinese("zh_CN.UTF-8");
    const auto t = load_dialog_template(MAKEINTRESOURCEA(IDD_ABOUT));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->style, 0x80C808C8u);
    EXPECT_EQ(t->cx, 222);
    EXPECT_EQ(t->cy, 89);
    EXPECT_EQ(t->caption, "\xe5\x85\xb3\xe4\xba\x8e Lumora");
    EXPECT_EQ(t->face, "MS Shell Dlg");
    ASSERT_EQ(t->controls.size(), 4u);
    const auto& ok = t->controls[0];
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.style, 0x50010001u);
    EXPECT_EQ(ok.text.name, "\xe7\xa1\xae\xe5\xae\x9a");
    EXPECT_EQ(ok.x, 127);
    EXPECT_EQ(ok.y, 39);
    const auto& version = t->controls[1];
    EXPECT_EQ(version.id, IDC_STATIC);
    EXPECT_EQ(version.windowClass.ordinal, 0x82);
    EXPECT_EQ(version.style, 0x50020000u);
    EXPECT_EQ(version.text.name, with_version("Lumora \xe7\x89\x88\xe6\x9c\xac"));
    EXPECT_EQ(version.x, 99);
    EXPECT_EQ(version.cx, 116);
    const auto& icon = t->controls[2];
    EXPECT_EQ(icon.windowClass.ordinal, 0x82);
    EXPECT_TRUE(icon.text.is_ordinal);
    EXPECT_EQ(icon.text.ordinal, IDI_NUVEX);
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

TEST(EmbeddedResources, EnglishTemplatesAreTheChineseOnesWithEnglishTexts) {
    struct Expected {
        int id;
        const char* caption;
        std::vector<std::optional<std::string>>
            texts;  // none: an ordinal (the icon) or free wording
    };
    const Expected templates[] = {
        {IDD_CONFIG,
         "Lumora Settings",
         {"OK", "Cancel", "", "Text to show", "Drift with the waves", "About..."}},
        {IDD_ABOUT, "About Lumora", {"OK", with_version("Lumora version "), {}, {}}},
    };
    for (const Expected& expected : templates) {
        SCOPED_TRACE(expected.id);
        const auto zh = load_dialog_template(MAKEINTRESOURCEA(expected.id), chinese_prc);
        const auto en = load_dialog_template(MAKEINTRESOURCEA(expected.id), english);
        ASSERT_TRUE(zh.has_value());
        ASSERT_TRUE(en.has_value());
        EXPECT_EQ(en->caption, expected.caption);
        EXPECT_EQ(std::tie(en->extended, en->helpId, en->exStyle, en->style, en->x, en->y, en->cx,
                           en->cy),
                  std::tie(zh->extended, zh->helpId, zh->exStyle, zh->style, zh->x, zh->y, zh->cx,
                           zh->cy));
        EXPECT_EQ(std::tie(en->face, en->pointSize, en->weight, en->italic, en->charset),
                  std::tie(zh->face, zh->pointSize, zh->weight, zh->italic, zh->charset));
        EXPECT_TRUE(en->menu == zh->menu && en->windowClass == zh->windowClass);
        ASSERT_EQ(en->controls.size(), expected.texts.size());
        ASSERT_EQ(zh->controls.size(), expected.texts.size());
        for (std::size_t i = 0; i < expected.texts.size(); ++i) {
            SCOPED_TRACE(i);
            const ControlTemplate& e = en->controls[i];
            const ControlTemplate& z = zh->controls[i];
            EXPECT_EQ(std::tie(e.id, e.style, e.exStyle, e.helpId, e.x, e.y, e.cy, e.creationData),
                      std::tie(z.id, z.style, z.exStyle, z.helpId, z.x, z.y, z.cy, z.creationData));
            EXPECT_TRUE(e.windowClass == z.windowClass);
            EXPECT_EQ(e.text.is_ordinal, z.text.is_ordinal);
            if (e.text.is_ordinal) {
                EXPECT_EQ(e.text.ordinal, z.text.ordinal);
            } else if (expected.texts[i]) {
                EXPECT_EQ(e.text.name, *expected.texts[i]);
            } else {
                EXPECT_FALSE(e.text.name.empty());
                EXPECT_NE(e.text.name, z.text.name);
            }
            // Only the check box is wider, and still inside its group box.
            if (e.id == IDC_FOLLOW) {
                EXPECT_GT(e.cx, z.cx);
                const ControlTemplate& group = en->controls[3];
                EXPECT_LE(e.x + e.cx, group.x + group.cx - 4);
            } else {
                EXPECT_EQ(e.cx, z.cx);
            }
        }
    }
}

TEST(EmbeddedResources, NamesAreEqualAndEveryReportIsInBothLanguages) {
    const auto& entries = portable_resources();
    // The settings file and section are names: the same in every language.
    const auto wide = [](std::string_view ascii) {
        return std::u16string(ascii.begin(), ascii.end());
    };
    const std::pair<UINT, std::u16string> names[] = {{IDS_FILE_NAME, wide(settings_file_name)},
                                                     {IDS_SECTION, wide(settings_section_name)}};
    for (const auto& [id, name] : names) {
        for (const InterfaceLanguage& language : interface_languages) {
            EXPECT_EQ(find_string(entries, id, language.id), name) << id << " " << language.id;
        }
    }
    EXPECT_EQ(find_string(entries, IDS_DESCRIPTION, chinese_prc),
              with_version(u"Lumora\u7a0b\u5e8f"));
    EXPECT_EQ(find_string(entries, IDS_DESCRIPTION, english), with_version(u"Lumora Program "));
    // The same strings exist in every language, and nothing else.
    int present = 0;
    for (UINT id = 0; id < 4096; ++id) {
        const auto zh = find_string(entries, id, chinese_prc);
        for (const InterfaceLanguage& language : interface_languages) {
            ASSERT_EQ(find_string(entries, id, language.id).has_value(), zh.has_value())
                << id << " " << language.id;
        }
        present += zh.has_value();
    }
    EXPECT_EQ(present, 3 + 18);
    const auto count = [](const std::u16string& text, std::u16string_view mark) {
        int n = 0;
        for (std::size_t at = text.find(mark); at != std::u16string::npos;
             at = text.find(mark, at + 1))
            ++n;
        return n;
    };
    for (UINT id = IDS_SAVE_FAILED; id <= IDS_STORED_CONTROLS; ++id) {
        SCOPED_TRACE(id);
        const auto zh = find_string(entries, id, chinese_prc);
        const auto en = find_string(entries, id, english);
        ASSERT_TRUE(zh && en);
        // What the code puts in has its place in both.
        EXPECT_EQ(count(*en, u"%1"), count(*zh, u"%1"));
        EXPECT_EQ(count(*en, u"%2"), count(*zh, u"%2"));
        // English: no ideographs or full-width punctuation left behind.
        for (char16_t c : *en) {
            EXPECT_FALSE((c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF))
                << std::hex << int(c);
        }
    }
}

TEST(EmbeddedResources, TheLoadersFollowTheInterfaceLanguage) {
    CodePageScope page("65001");
    const auto pointer_text = [](UINT id) {
        const WCHAR* text = nullptr;
        const int n = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
        return n > 0 ? std::u16string(text, static_cast<std::size_t>(n)) : std::u16string();
    };
    const std::u16string chinese = with_version(u"Lumora\u7a0b\u5e8f");
    const std::u16string english_text = with_version(u"Lumora Program ");
    struct Case {
        const char *all, *messages, *lang;
        bool chinese;
    };
    // Both orders in one process: what was loaded first must not stick.
    const Case cases[] = {
        {nullptr, nullptr, "en_US.UTF-8", false},
        {nullptr, nullptr, "zh_CN.UTF-8", true},
        {nullptr, "zh_TW.UTF-8", "C", true},
        {"C.UTF-8", "zh_CN.UTF-8", nullptr, false},
        {nullptr, nullptr, nullptr, false},
        {"zh_SG.UTF-8", nullptr, nullptr, true},
        // Languages the module has no texts in are shown English.
        {nullptr, nullptr, untranslated_language().locale, false},
        {nullptr, nullptr, "zh_XX.UTF-8", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " "
                     << (c.lang ? c.lang : "-"));
        LocaleScope scope(c.all, c.messages, c.lang);
        const std::u16string& expected = c.chinese ? chinese : english_text;
        WCHAR wide[40];
        EXPECT_EQ(LoadStringW(nullptr, IDS_DESCRIPTION, wide, 40),
                  static_cast<int>(expected.size()));
        EXPECT_EQ(std::u16string(wide), expected);
        EXPECT_EQ(pointer_text(IDS_DESCRIPTION), expected);
        char narrow[40];
        EXPECT_GT(LoadStringA(nullptr, IDS_DESCRIPTION, narrow, sizeof narrow), 0);
        EXPECT_EQ(std::string(narrow),
                  with_version(c.chinese ? "Lumora\xe7\xa8\x8b\xe5\xba\x8f" : "Lumora Program "));
        const std::string_view file(settings_file_name);
        EXPECT_EQ(pointer_text(IDS_FILE_NAME), std::u16string(file.begin(), file.end()));
        const auto config = load_dialog_template(MAKEINTRESOURCEA(IDD_CONFIG));
        ASSERT_TRUE(config.has_value());
        EXPECT_EQ(config->caption,
                  c.chinese ? "Lumora\xe8\xae\xbe\xe7\xbd\xae" : "Lumora Settings");
        // The icon exists once and serves every language.
        EXPECT_NE(LoadIconA(nullptr, MAKEINTRESOURCEA(IDI_NUVEX)), nullptr);
    }
}

TEST(ResourceParsing, MalformedInputNeverReadsOutOfBounds) {
    // Truncations of the real image at every length near entry boundaries
    // and random lengths yield a prefix of the entries and no crash.
    const auto& full = portable_resources();
    const std::string_view image(reinterpret_cast<const char*>(portable_resource_data),
                                 portable_resource_size);
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
    const ResourceEntry* dialog = find_resource(full, resource_type_dialog, ordinal(IDD_CONFIG));
    ASSERT_NE(dialog, nullptr);
    for (std::size_t cut = 0; cut < dialog->data.size(); cut += 7) {
        EXPECT_FALSE(parse_dialog_template(dialog->data.substr(0, cut)).has_value()) << cut;
    }
    EXPECT_FALSE(decode_icon_image(std::string_view("\x28\x00\x00\x00", 4)).has_value());
}

}  // namespace
