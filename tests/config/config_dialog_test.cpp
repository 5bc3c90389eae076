// The configuration dialog and the About box, driven as a user would drive
// them, in the null mode (no display).
#include "config/config_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/code_page_setup.h"
#include "config/settings.h"
#include "config/text_conversion.h"
#include "platform/locale_scope.h"
#include "platform/portable/dialog/dialog.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/text/codepage.h"
#include "platform/profile_test_folder.h"
#include "text/builtin_strings.h"

namespace {

constexpr const char* settings_name = "Nuvex0_01";

// The edit box's text, exactly, as UTF-8.
std::string edit_text(HWND dialog) {
    HWND edit = GetDlgItem(dialog, message_edit_id);
    wide_text text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, 0);
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return utf8_from_wide(text);
}

// Types UTF-8 text over the edit box's contents, as a user would.
void replace_edit_text(HWND dialog, const std::string& utf8) {
    SetWindowTextW(GetDlgItem(dialog, message_edit_id), u"");
    const wide_text wide = to_wide(utf8, text_encoding::utf8);
    dialogs::type_text(dialog, message_edit_id, std::u16string_view(wide.data(), wide.size()));
}

std::string box_text(const dialogs::MessageBoxCall& box) {
    return utf8_from_wide(wide_text(box.wideText.begin(), box.wideText.end()));
}

// Puts the edit box's text through what a GTK text buffer makes of it: the
// text ends at a zero, and a lone "\r" is a line break.
void through_gtk_text_buffer(HWND dialog) {
    HWND edit = GetDlgItem(dialog, message_edit_id);
    wide_text text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, 0);
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    text = text.substr(0, text.find(WCHAR{0}));
    for (std::size_t at = 0; (at = text.find(WCHAR{'\r'}, at)) != wide_text::npos; at += 2) {
        if (at + 1 == text.size() || text[at + 1] != '\n') text.insert(at + 1, 1, WCHAR{'\n'});
    }
    SetWindowTextW(edit, text.c_str());
}

bool follow_checked(HWND dialog) {
    return IsDlgButtonChecked(dialog, follow_check_id) == BST_CHECKED;
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        nullmode::enable();
        use_code_page("65001");
        dialogs::clear_message_boxes();
    }
    void TearDown() override {
        dialogs::set_script(nullptr);
        use_code_page("65001");
    }
    static void use_code_page(const char* page) {
        setenv("NUVEX_CODEPAGE", page, 1);
        portable_reset_code_page();
        adopt_system_code_page();
    }
    // Shows the configuration dialog as the host does and plays `user` in it.
    INT_PTR run(std::function<void(HWND)> user) {
        dialogs::set_script([user](HWND dialog, int templateId) {
            if (templateId == config_dialog_id) user(dialog);
        });
        EXPECT_EQ(RegisterCustomClasses(nullptr), 1);
        return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(config_dialog_id), nullptr,
                               ConfigDialogProc, 0);
    }
    std::string stored_text() {
        char buffer[8192];
        GetPrivateProfileStringA(settings_name, text_key, "<none>", buffer, sizeof buffer,
                                 settings_name);
        return buffer;
    }
    int stored_follow() {
        return static_cast<int>(
            GetPrivateProfileIntA(settings_name, follow_key, -99, settings_name));
    }
    TemporaryConfigHome home;
    // The texts these tests look for are the Chinese ones; the tests of the
    // English interface say so.
    LocaleScope chinese_interface{"zh_CN.UTF-8"};
};

TEST_F(ConfigDialogTest, OpensWithTheDefaultsWhenNothingIsStored) {
    const INT_PTR result = run([](HWND dialog) {
        // Five lines of the default message and an empty sixth.
        EXPECT_EQ(edit_text(dialog), text_for_edit(default_message().bytes, text_encoding::ansi));
        EXPECT_EQ(edit_text(dialog).substr(edit_text(dialog).size() - 2), "\r\n");
        EXPECT_TRUE(follow_checked(dialog));
        EXPECT_EQ(dialogs::focused_id(dialog), IDOK);
        EXPECT_EQ(dialogs::caption(dialog), "Lumora\xe8\xae\xbe\xe7\xbd\xae");  // "Lumora设置"
        HWND edit = GetDlgItem(dialog, message_edit_id);
        EXPECT_NE(SendMessageA(edit, WM_GETFONT, 0, 0), 0);
        EXPECT_EQ(dialogs::text_limit(dialog, message_edit_id),
                  static_cast<std::size_t>(message_text_limit));
        dialogs::press_key(dialog, dialogs::key_escape);
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(home.exists(settings_name));
}

TEST_F(ConfigDialogTest, CancelEscapeAndTheCloseBoxWriteNothing) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=kept^n\r\nNuvexScr_Follow=1\r\n");
    const std::string before = home.read(settings_name);
    const std::vector<std::function<void(HWND)>> endings = {
        [](HWND d) { dialogs::click(d, IDCANCEL); },
        [](HWND d) { dialogs::press_key(d, dialogs::key_escape); },
        [](HWND d) { dialogs::close_box(d); },
    };
    for (const auto& end : endings) {
        const INT_PTR result = run([&](HWND dialog) {
            EXPECT_EQ(edit_text(dialog), "kept\r\n");
            EXPECT_FALSE(follow_checked(dialog));
            replace_edit_text(dialog, "changed");
            dialogs::click(dialog, follow_check_id);
            end(dialog);
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(home.read(settings_name), before);
    }
}

TEST_F(ConfigDialogTest, OkStoresTheLinesJoinedBySeparatorsAndTheFollowValue) {
    const INT_PTR result = run([](HWND dialog) {
        replace_edit_text(dialog, "First line\r\nSecond line");
        dialogs::click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(home.read(settings_name),
              "[Nuvex0_01]\r\nNuvexScr_Text=First line^nSecond line\r\nNuvexScr_Follow=0\r\n");
}

TEST_F(ConfigDialogTest, OkWithAnEmptyEditBoxStoresTheDefaultMessage) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=\r\nNuvexScr_Follow=1\r\n");
    const INT_PTR result = run([](HWND dialog) {
        EXPECT_EQ(edit_text(dialog), "");  // an empty stored text shows empty
        dialogs::click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stored_text(), default_message().bytes);
    EXPECT_EQ(stored_follow(), 1);
}

TEST_F(ConfigDialogTest, TheCheckBoxTurnsFiveIntoOneThenZero) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=a^n\r\nNuvexScr_Follow=5\r\n");
    const INT_PTR result = run([](HWND dialog) {
        EXPECT_FALSE(follow_checked(dialog));
        dialogs::click(dialog, follow_check_id);
        EXPECT_EQ(follow_value, 1);
        EXPECT_FALSE(follow_checked(dialog));
        dialogs::click(dialog, follow_check_id);
        EXPECT_EQ(follow_value, 0);
        EXPECT_TRUE(follow_checked(dialog));
        dialogs::click(dialog, follow_check_id);
        EXPECT_EQ(follow_value, 1);
        EXPECT_FALSE(follow_checked(dialog));
        dialogs::click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stored_follow(), 1);
}

TEST_F(ConfigDialogTest, FiveIsWrittenBackUnchangedWithoutAClick) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=one^ntwo^n\r\nNuvexScr_Follow=5\r\n");
    const std::string before = home.read(settings_name);
    EXPECT_EQ(run([](HWND dialog) { dialogs::click(dialog, IDOK); }), 1);
    EXPECT_EQ(home.read(settings_name), before);
}

TEST_F(ConfigDialogTest, TwoClicksThenOkWriteWhatTheFileHeld) {
    for (int held : {0, 1}) {
        home.write(settings_name,
                   "[Nuvex0_01]\r\nNuvexScr_Follow=" + std::to_string(held) + "\r\n");
        EXPECT_EQ(run([](HWND dialog) {
                      dialogs::click(dialog, follow_check_id);
                      dialogs::click(dialog, follow_check_id);
                      dialogs::click(dialog, IDOK);
                  }),
                  1);
        EXPECT_EQ(stored_follow(), held);
    }
}

TEST_F(ConfigDialogTest, EnterBreaksALineInTheEditBoxAndPressesOkElsewhere) {
    const INT_PTR result = run([](HWND dialog) {
        replace_edit_text(dialog, "x");
        dialogs::set_focus(dialog, message_edit_id);
        dialogs::press_key(dialog, dialogs::key_return);
        dialogs::type_text(dialog, message_edit_id, "y");
        EXPECT_EQ(edit_text(dialog), "x\r\ny");
        EXPECT_EQ(dialogs::template_id(dialog), config_dialog_id);  // still open
        dialogs::set_focus(dialog, follow_check_id);
        dialogs::press_key(dialog, dialogs::key_return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stored_text(), "x^ny");
}

TEST_F(ConfigDialogTest, TheAboutBoxOpensOwnedAndReturnsToTheEdits) {
    int aboutShown = 0;
    dialogs::set_script([&](HWND dialog, int templateId) {
        if (templateId == about_dialog_id) {
            ++aboutShown;
            HWND owner = GetParent(dialog);
            EXPECT_FALSE(dialogs::is_enabled(owner));
            EXPECT_EQ(dialogs::caption(dialog),
                      "\xe5\x85\xb3\xe4\xba\x8e Lumora");  // "关于 Lumora"
            EXPECT_EQ(dialogs::focused_id(dialog), IDOK);
            // Esc and the close box arrive as command 2, which the box ignores.
            dialogs::press_key(dialog, dialogs::key_escape);
            dialogs::close_box(dialog);
            EXPECT_EQ(dialogs::template_id(dialog), about_dialog_id);
            dialogs::press_key(dialog, dialogs::key_return);
            return;
        }
        replace_edit_text(dialog, "edited");
        dialogs::click(dialog, follow_check_id);
        dialogs::click(dialog, about_button_id);
        EXPECT_TRUE(dialogs::is_enabled(dialog));
        EXPECT_EQ(edit_text(dialog), "edited");
        EXPECT_FALSE(follow_checked(dialog));
        dialogs::click(dialog, IDCANCEL);
    });
    EXPECT_EQ(
        DialogBoxParamW(nullptr, MAKEINTRESOURCEW(config_dialog_id), nullptr, ConfigDialogProc, 0),
        0);
    EXPECT_EQ(aboutShown, 1);
}

TEST_F(ConfigDialogTest, ConfigProcedureAnswersEveryRowOfItsTable) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=t^n\r\n");
    const std::string before = home.read(settings_name);
    // Returns, and what stays open, for the messages that do not end it.
    EXPECT_EQ(run([](HWND dialog) {
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_INITDIALOG, 0, 0), 1);
                  EXPECT_EQ(edit_text(dialog), "t\r\n");
                  EXPECT_EQ(
                      ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(message_edit_id, 0x0300), 0),
                      0);
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_COMMAND, 4711, 0), 0);
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_COMMAND, follow_check_id, 0), 0);
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_TIMER, 1, 0), 0);
                  EXPECT_EQ(dialogs::template_id(dialog), config_dialog_id);
                  // Only the control id counts, not the notification code.
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0x55), 0), 1);
              }),
              0);
    // WM_CLOSE: result 1 when the low word is 1, else 0; nothing written.
    EXPECT_EQ(run([](HWND dialog) {
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_CLOSE, MAKEWPARAM(1, 7), 0), 1);
              }),
              1);
    EXPECT_EQ(run([](HWND dialog) { EXPECT_EQ(ConfigDialogProc(dialog, WM_CLOSE, 2, 0), 1); }), 0);
    EXPECT_EQ(home.read(settings_name), before);
    EXPECT_EQ(run([](HWND dialog) {
                  EXPECT_EQ(ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0x44), 0), 1);
              }),
              1);
    EXPECT_EQ(stored_text(), "t^n");
}

TEST_F(ConfigDialogTest, TheAboutCommandReturnsZeroAndLeavesTheDialogOpen) {
    dialogs::set_script([](HWND dialog, int templateId) {
        if (templateId == about_dialog_id) {
            dialogs::click(dialog, IDOK);
            return;
        }
        EXPECT_EQ(ConfigDialogProc(dialog, WM_COMMAND, MAKEWPARAM(about_button_id, BN_CLICKED), 0),
                  0);
        EXPECT_EQ(dialogs::template_id(dialog), config_dialog_id);
        EXPECT_TRUE(dialogs::is_enabled(dialog));
        dialogs::click(dialog, IDCANCEL);
    });
    EXPECT_EQ(
        DialogBoxParamW(nullptr, MAKEINTRESOURCEW(config_dialog_id), nullptr, ConfigDialogProc, 0),
        0);
}

TEST_F(ConfigDialogTest, AboutProcedureEndsOnlyOnCommandOneExactly) {
    int checked = 0;
    dialogs::set_script([&](HWND dialog, int templateId) {
        EXPECT_EQ(AboutDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0), 0);
        EXPECT_EQ(AboutDialogProc(dialog, WM_COMMAND, IDCANCEL, 0), 0);
        EXPECT_EQ(AboutDialogProc(dialog, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(AboutDialogProc(dialog, WM_INITDIALOG, 0, 0), 1);
        EXPECT_EQ(dialogs::template_id(dialog), about_dialog_id);
        EXPECT_EQ(AboutDialogProc(dialog, WM_COMMAND, IDOK, 0), 1);
        ++checked;
    });
    EXPECT_EQ(
        DialogBoxParamA(nullptr, MAKEINTRESOURCEA(about_dialog_id), nullptr, AboutDialogProc, 0),
        1);
    EXPECT_EQ(checked, 1);
}

TEST_F(ConfigDialogTest, AFailedSaveIsReportedTrulyAndKeepsTheDialogOpen) {
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\nNuvexScr_Follow=0\r\n");
    const std::string before = home.read(settings_name);
    // A folder where the file should be: nothing can replace it.
    std::filesystem::remove(home.path(settings_name));
    std::filesystem::create_directory(home.path(settings_name));
    int attempts = 0;
    const INT_PTR result = run([&](HWND dialog) {
        replace_edit_text(dialog, "keep me");
        dialogs::click(dialog, follow_check_id);
        dialogs::click(dialog, IDOK);
        ++attempts;
        ASSERT_EQ(dialogs::message_boxes().size(), 1u);
        const auto box = dialogs::message_boxes()[0];
        EXPECT_EQ(box.owner, dialog);
        const std::string text = box_text(box);
        EXPECT_NE(text.find(home.path(settings_name)), std::string::npos) << text;
        // Why, and that nothing was changed: a save is whole or not at all.
        EXPECT_NE(
            text.find("\xe4\xb8\x8d\xe6\x98\xaf\xe6\x99\xae\xe9\x80\x9a\xe6\x96\x87\xe4\xbb\xb6"),
            std::string::npos)
            << text;  // "不是普通文件"
        EXPECT_EQ(box.type & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
        // Still open, with the edits.
        EXPECT_EQ(dialogs::template_id(dialog), config_dialog_id);
        EXPECT_EQ(edit_text(dialog), "keep me");
        EXPECT_TRUE(std::filesystem::is_directory(home.path(settings_name)));
        // Once the file can be written, OK succeeds and stores both values.
        std::filesystem::remove(home.path(settings_name));
        home.write(settings_name, before);
        dialogs::click(dialog, IDOK);
    });
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(stored_text(), "keep me");
    EXPECT_EQ(stored_follow(), 1);
}

TEST_F(ConfigDialogTest, TypingStopsAtTheLimitAndALongerMessageIsRefusedNotCut) {
    use_code_page("936");
    const INT_PTR result = run([](HWND dialog) {
        replace_edit_text(dialog, std::string(5000, 'a'));
        EXPECT_EQ(edit_text(dialog).size(), static_cast<std::size_t>(message_text_limit));
        // 4094 characters of GBK text need twice as many bytes: OK says so and
        // stores nothing, and the user decides what to drop.
        std::string chinese;
        for (int i = 0; i < 3000; ++i) chinese += "\xe7\x94\x9f";  // "生"
        replace_edit_text(dialog, chinese);
        dialogs::click(dialog, IDOK);
        ASSERT_EQ(dialogs::message_boxes().size(), 1u);
        EXPECT_NE(box_text(dialogs::message_boxes()[0]).find("6000"), std::string::npos);
        EXPECT_EQ(dialogs::template_id(dialog), config_dialog_id);
        replace_edit_text(dialog, chinese.substr(0, 3 * 2047));
        dialogs::click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    std::string gbk;
    for (int i = 0; i < 2047; ++i) gbk += "\xc9\xfa";
    EXPECT_EQ(stored_text(), gbk);
}

TEST_F(ConfigDialogTest, AnyScriptIsStoredAndShownAgainOnEveryCodePage) {
    // Chinese, Cyrillic and accented Latin: "生日快乐", "Привет", "Café".
    const std::string typed =
        "\xe7\x94\x9f\xe6\x97\xa5\xe5\xbf\xab\xe4\xb9\x90\r\n"
        "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\nCaf\xc3\xa9";
    for (const char* page : {"1252", "65001", "936"}) {
        SCOPED_TRACE(page);
        use_code_page(page);
        std::filesystem::remove(home.path(settings_name));
        EXPECT_EQ(run([&](HWND dialog) {
                      replace_edit_text(dialog, typed);
                      dialogs::click(dialog, IDOK);
                  }),
                  1);
        EXPECT_TRUE(dialogs::message_boxes().empty());
        EXPECT_EQ(run([&](HWND dialog) {
                      EXPECT_EQ(edit_text(dialog), typed);
                      dialogs::click(dialog, IDCANCEL);
                  }),
                  0);
    }
}

TEST_F(ConfigDialogTest, StoredBytesThatAreNoTextAreNamedAndKept) {
    // A GBK message opened on a UTF-8 system.
    const std::string gbk = "\xcb\xe6\xb2\xa8\xd6\xf0\xc1\xf7^n\xc4\xe3\xba\xc3";
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=" + gbk + "\r\nNuvexScr_Follow=7\r\n");
    const std::string before = home.read(settings_name);
    EXPECT_EQ(run([](HWND dialog) {
                  ASSERT_EQ(dialogs::message_boxes().size(), 1u);
                  EXPECT_NE(box_text(dialogs::message_boxes()[0]).find("65001"), std::string::npos);
                  EXPECT_EQ(dialogs::message_boxes()[0].type & MB_ICONINFORMATION,
                            static_cast<UINT>(MB_ICONINFORMATION));
                  dialogs::click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(home.read(settings_name), before);
}

// Settings files that a careful user or another program leaves behind, opened
// and confirmed. What can be read shows in full and, left as it was, keeps
// every byte (what OK adds takes the file's own form); what cannot is named
// when the dialog opens and never added to; a failed save says truly what
// became of the file.
TEST_F(ConfigDialogTest, DamagedAndUnusualFilesAreShownKeptOrNamed) {
    using namespace std::string_literals;
    LocaleScope english("en_US.UTF-8");
    const auto utf16 = [](const std::string& utf8, bool big_endian, bool mark) {
        wide_text units = to_wide(utf8, text_encoding::utf8);
        if (mark) units.insert(units.begin(), WCHAR{0xFEFF});
        std::string bytes;
        for (WCHAR unit : units) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += big_endian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    const std::string zero =
        "[Nuvex0_01]\r\nNuvexScr_Text=line one^nline\0two^nline three^nline "
        "four\r\nNuvexScr_Follow=1\r\n"s;
    const std::string plain =
        "[Nuvex0_01]\r\nNuvexScr_Text=line one^nline four\r\nNuvexScr_Follow=1\r\n";
    // Without the follow value, which OK then adds in the file's own form.
    const std::string text_only = "[Nuvex0_01]\r\nNuvexScr_Text=line one^nline four\r\n";
    const std::string follow = "NuvexScr_Follow=0\r\n";
    enum Place { file, read_only_file, folder_is_a_file };
    struct Case {
        const char* what;
        std::string bytes;
        Place place;
        const char* opening_box;  // what a box shows when the dialog opens, if one does
        const char* typed;        // a first line typed before OK, if any
        const char* report;       // what the report of a failed save says, if it fails
        std::string after = {};   // the file after OK, when not as it was
    } cases[] = {
        {"a zero byte in the text", zero, file, "zero bytes", nullptr, nullptr},
        {"U+0000 in a UTF-16 file", utf16(zero, false, true), file, "zero bytes", nullptr, nullptr},
        {"a lone CR in the text",
         "[Nuvex0_01]\r\nNuvexScr_Text=abc\rdef^nline four\r\nNuvexScr_Follow=1\r\n", file,
         "lone carriage returns", nullptr, nullptr},
        {"UTF-8 with its mark", "\xEF\xBB\xBF"s + text_only, file, nullptr, nullptr, nullptr,
         "\xEF\xBB\xBF"s + text_only + follow},
        {"UTF-16 big-endian", utf16(text_only, true, true), file, nullptr, nullptr, nullptr,
         utf16(text_only + follow, true, true)},
        {"lines ended by CR alone", "[Nuvex0_01]\rNuvexScr_Text=line one^nline four\r", file,
         nullptr, nullptr, nullptr,
         "[Nuvex0_01]\rNuvexScr_Text=line one^nline four\rNuvexScr_Follow=0\r"},
        {"UTF-16 without its mark", utf16(plain, false, false), file, "cannot be read", nullptr,
         "cannot be read unambiguously"},
        {"UTF-16 in the other byte order than its mark", "\xFF\xFE"s + utf16(plain, true, false),
         file, "cannot be read", nullptr, "cannot be read unambiguously"},
        {"zero bytes before the header", "\0\0"s + plain, file, "cannot be read", nullptr,
         "cannot be read unambiguously"},
        {"a read-only file", plain, read_only_file, nullptr, "new", "marked read-only"},
        {"no file, and no folder for it", "", folder_is_a_file, nullptr, "new",
         "No settings file was made."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(home.folder());
        if (c.place == folder_is_a_file) {
            std::ofstream(home.folder()) << "not a folder";
        } else {
            home.write(settings_name, c.bytes);
        }
        if (c.place == read_only_file) {
            std::filesystem::permissions(home.path(settings_name),
                                         std::filesystem::perms::owner_read);
        }
        dialogs::clear_message_boxes();
        const INT_PTR result = run([&](HWND dialog) {
            ASSERT_EQ(dialogs::message_boxes().size(), c.opening_box ? 1u : 0u);
            if (c.opening_box) {
                const std::string text = box_text(dialogs::message_boxes()[0]);
                EXPECT_NE(text.find(c.opening_box), std::string::npos) << text;
            } else if (c.place != folder_is_a_file) {
                EXPECT_NE(edit_text(dialog).find("line four"), std::string::npos);
            }
            through_gtk_text_buffer(dialog);
            if (c.typed) {
                dialogs::set_focus(dialog, message_edit_id);
                dialogs::type_text(dialog, message_edit_id, c.typed);
            }
            dialogs::click(dialog, IDOK);
            if (!c.report) return;
            // Refused: said so, and the dialog stays open for Cancel.
            ASSERT_EQ(dialogs::message_boxes().size(), c.opening_box ? 2u : 1u);
            const std::string report = box_text(dialogs::message_boxes().back());
            EXPECT_NE(report.find(c.report), std::string::npos) << report;
            EXPECT_EQ(report.find("still holds") == std::string::npos, c.place == folder_is_a_file)
                << report;
            dialogs::click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, c.report ? 0 : 1);
        if (c.place == folder_is_a_file) {
            EXPECT_TRUE(std::filesystem::is_regular_file(home.folder()));
        } else {
            EXPECT_EQ(home.read(settings_name), c.after.empty() ? c.bytes : c.after);
        }
        std::filesystem::permissions(home.folder(), std::filesystem::perms::owner_all);
    }
    std::filesystem::remove_all(home.folder());
}

TEST_F(ConfigDialogTest, AnEnglishInterfaceShowsEnglishDialogsAndReports) {
    LocaleScope english("en_US.UTF-8");
    home.write(settings_name, "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\n");
    std::filesystem::remove(home.path(settings_name));
    std::filesystem::create_directory(home.path(settings_name));
    int aboutShown = 0;
    dialogs::set_script([&](HWND dialog, int templateId) {
        if (templateId == about_dialog_id) {
            ++aboutShown;
            EXPECT_EQ(dialogs::caption(dialog), "About Lumora");
            dialogs::press_key(dialog, dialogs::key_return);
            return;
        }
        EXPECT_EQ(dialogs::caption(dialog), "Lumora Settings");
        char label[64];
        GetWindowTextA(GetDlgItem(dialog, follow_check_id), label, sizeof label);
        EXPECT_STREQ(label, "Drift with the waves");
        dialogs::click(dialog, about_button_id);
        // A save that fails is reported in English, under the dialog's caption.
        replace_edit_text(dialog, "text");
        dialogs::click(dialog, IDOK);
        ASSERT_EQ(dialogs::message_boxes().size(), 1u);
        const auto box = dialogs::message_boxes()[0];
        const std::string text = box_text(box);
        EXPECT_EQ(box.caption, "Lumora Settings");
        for (const char* part : {"The settings could not be saved.", "ordinary file",
                                 "was not changed", "File: ", "Cancel"}) {
            EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
        }
        EXPECT_NE(text.find(home.path(settings_name)), std::string::npos) << text;
        dialogs::click(dialog, IDCANCEL);
    });
    EXPECT_EQ(
        DialogBoxParamW(nullptr, MAKEINTRESOURCEW(config_dialog_id), nullptr, ConfigDialogProc, 0),
        0);
    EXPECT_EQ(aboutShown, 1);
}

TEST_F(ConfigDialogTest, TheInterfaceLanguageChangesNothingThatIsStored) {
    // The same use of the dialog under either interface writes the same bytes:
    // the file, its section and keys are names, and the text is the user's.
    const std::vector<std::function<void(HWND)>> uses = {
        [](HWND d) { dialogs::click(d, IDOK); },
        [](HWND d) {
            replace_edit_text(d, "Hello\r\n\xe7\x94\x9f\xe6\x97\xa5\r\n\xd0\x96");  // "生日", "Ж"
            dialogs::click(d, follow_check_id);
            dialogs::click(d, IDOK);
        },
    };
    for (const char* page : {"936", "65001", "1252"}) {
        use_code_page(page);
        for (std::size_t use = 0; use < uses.size(); ++use) {
            SCOPED_TRACE(testing::Message() << "code page " << page << ", use " << use);
            std::string stored[2];
            int n = 0;
            for (const char* language : {"zh_CN.UTF-8", "en_US.UTF-8"}) {
                LocaleScope scope(language);
                std::filesystem::remove(home.path(settings_name));
                EXPECT_EQ(run(uses[use]), 1);
                stored[n++] = home.read(settings_name);
            }
            EXPECT_FALSE(stored[0].empty());
            EXPECT_EQ(stored[0], stored[1]);
        }
    }
}

}  // namespace
