// Dialog and window text in UTF-16, in the null mode: W in and W out is exact
// for any text under any code page, A reads see the ANSI code page's form of
// it without harming it, and dialogs made with DialogBoxParamW behave as
// those made with DialogBoxParamA, counting their edit limit in UTF-16 units.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "code_page_scope.h"
#include "config/nuvex_resource_ids.h"
#include "locale_scope.h"
#include "platform/portable/dialog/dialog.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/windows.h"

namespace {

constexpr int config_template = IDD_CONFIG;
constexpr int edit_id = IDC_MESSAGE;
constexpr int check_id = IDC_FOLLOW;

// Chinese, Cyrillic, accented Latin, kana, Hangul, and two characters beyond
// the basic plane (surrogate pairs), with a line break.
const std::u16string samples[] = {
    u"\u751f\u65e5\u5feb\u4e50",
    u"\u0416\u0438\u0437\u043d\u044c \u00e9t\u00e9 \u0151",
    u"\u3072\u3089\u304c\u306a\r\n\ud55c\uad6d\uc5b4",
    u"a\U0001F600b\U00020BB7",
};

struct Received {
    UINT message;
    WPARAM wParam;
};
std::vector<Received> received;

INT_PTR CALLBACK recording_proc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG || message == WM_COMMAND || message == WM_CLOSE)
        received.push_back({message, wParam});
    return message == WM_INITDIALOG ? 1 : 0;
}

std::u16string wide_text(HWND hwnd) {
    std::u16string text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, u'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string ansi_text(HWND hwnd) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

class UnicodeDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        nullmode::enable();
        received.clear();
    }
    void TearDown() override {
        dialogs::set_script(nullptr);
        nullmode::reset();
    }
    // The template texts these tests read are the Chinese ones.
    LocaleScope chinese_interface{"zh_CN.UTF-8"};
    // Shows the configuration template with the recording procedure, made
    // with DialogBoxParamW or DialogBoxParamA, and plays `user` in it.
    static INT_PTR show(bool wide, const std::function<void(HWND)>& user) {
        dialogs::set_script([&](HWND dialog, int) { user(dialog); });
        return wide ? DialogBoxParamW(nullptr, MAKEINTRESOURCEW(config_template), nullptr,
                                      recording_proc, 0)
                    : DialogBoxParamA(nullptr, MAKEINTRESOURCEA(config_template), nullptr,
                                      recording_proc, 0);
    }
};

TEST_F(UnicodeDialogs, WideTextComesBackExactlyUnderEveryCodePage) {
    int shown = 0;
    for (const char* page : {"1252", "65001", "936"}) {
        CodePageScope scope(page);
        for (bool wide : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "page " << page << (wide ? " W" : " A") << " dialog");
            show(wide, [&](HWND dialog) {
                ++shown;
                // The template's texts, as UTF-16.
                EXPECT_EQ(wide_text(dialog), u"Lumora\u8bbe\u7f6e");
                EXPECT_EQ(wide_text(GetDlgItem(dialog, IDOK)), u"\u786e\u5b9a");
                HWND edit = GetDlgItem(dialog, edit_id);
                for (const std::u16string& text : samples) {
                    for (HWND hwnd : {edit, GetDlgItem(dialog, check_id), dialog}) {
                        ASSERT_TRUE(SetWindowTextW(hwnd, text.c_str()));
                        EXPECT_EQ(wide_text(hwnd), text);
                        EXPECT_EQ(GetWindowTextLengthW(hwnd), static_cast<int>(text.size()));
                    }
                    WCHAR buffer[64];
                    EXPECT_TRUE(SetDlgItemTextW(dialog, edit_id, text.c_str()));
                    EXPECT_EQ(GetDlgItemTextW(dialog, edit_id, buffer, 64), text.size());
                    EXPECT_EQ(std::u16string(buffer), text);
                    EXPECT_EQ(SendDlgItemMessageW(dialog, edit_id, WM_GETTEXTLENGTH, 0, 0),
                              static_cast<LRESULT>(text.size()));
                    // What the user types comes back as typed.
                    SetWindowTextW(edit, u"");
                    dialogs::type_text(dialog, edit_id, text);
                    EXPECT_EQ(wide_text(edit), text);
                }
                WCHAR missing[8] = u"x";
                EXPECT_EQ(GetDlgItemTextW(dialog, 4711, missing, 8), 0u);
                EXPECT_EQ(missing[0], 0);
                EndDialog(dialog, 0);
            });
        }
    }
    EXPECT_EQ(shown, 6);
}

TEST_F(UnicodeDialogs, AnsiReadsShowTheCodePagesFormAndLeaveTheTextWhole) {
    const std::u16string text = u"Caf\u00e9 \u751f\u65e5 \U0001F600";
    {
        CodePageScope scope("1252");
        show(false, [&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, edit_id);
            SetWindowTextW(edit, text.c_str());
            // A character the page cannot hold reads as '?', a pair as one.
            EXPECT_EQ(ansi_text(edit), "Caf\xe9 ?? ?");
            EXPECT_EQ(GetWindowTextLengthA(edit), 9);
            char small[6];
            EXPECT_EQ(GetWindowTextA(edit, small, sizeof small), 5);
            EXPECT_STREQ(small, "Caf\xe9 ");
            // Reading through A did not touch what the control holds.
            EXPECT_EQ(wide_text(edit), text);
            // A text comes in through the code page.
            SetWindowTextA(edit, "na\xefve");
            EXPECT_EQ(wide_text(edit), u"na\u00efve");
            EndDialog(dialog, 0);
        });
    }
    {
        CodePageScope scope("936");
        show(true, [&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, edit_id);
            SetWindowTextW(edit, text.c_str());
            EXPECT_EQ(ansi_text(edit), "Caf\xa8\xa6 \xc9\xfa\xc8\xd5 ?");  // GBK has é
            EXPECT_EQ(wide_text(edit), text);
            EXPECT_EQ(dialogs::caption(dialog), "Lumora\xc9\xe8\xd6\xc3");
            EndDialog(dialog, 0);
        });
    }
}

TEST_F(UnicodeDialogs, ShortBuffersGetWholeCharactersAndAZero) {
    CodePageScope scope("65001");
    show(true, [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, edit_id);
        SetWindowTextW(edit, u"a\U0001F600b");
        WCHAR buffer[8] = {};
        // Room for two units: the pair does not fit whole, so only "a".
        EXPECT_EQ(GetWindowTextW(edit, buffer, 3), 1);
        EXPECT_EQ(std::u16string(buffer), u"a");
        EXPECT_EQ(GetWindowTextW(edit, buffer, 4), 3);
        EXPECT_EQ(std::u16string(buffer), u"a\U0001F600");
        EXPECT_EQ(GetWindowTextW(edit, buffer, 1), 0);
        EXPECT_EQ(buffer[0], 0);
        EXPECT_EQ(GetWindowTextW(edit, buffer, 0), 0);
        EXPECT_EQ(SendMessageW(edit, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
        EndDialog(dialog, 0);
    });
}

TEST_F(UnicodeDialogs, TheEditLimitCountsUnitsInWideDialogsAndBytesInAnsiOnes) {
    CodePageScope scope("936");
    show(true, [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, edit_id);
        SendMessageW(edit, EM_LIMITTEXT, 5, 0);
        EXPECT_EQ(dialogs::text_limit(dialog, edit_id), 5u);
        dialogs::type_text(dialog, edit_id, u"\u751f\u65e5\u5feb\u4e50ab");
        EXPECT_EQ(wide_text(edit), u"\u751f\u65e5\u5feb\u4e50a");
        // A character beyond the basic plane takes two units, and is not split.
        SetWindowTextW(edit, u"");
        dialogs::type_text(dialog, edit_id, u"ab\U0001F600\U0001F600");
        EXPECT_EQ(wide_text(edit), u"ab\U0001F600");
        // Enter in the multi-line edit is a line break of two units.
        SetWindowTextW(edit, u"abc");
        dialogs::set_focus(dialog, edit_id);
        dialogs::press_key(dialog, dialogs::key_return);
        EXPECT_EQ(wide_text(edit), u"abc\r\n");
        EndDialog(dialog, 0);
    });
    show(false, [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, edit_id);
        SendMessageA(edit, EM_LIMITTEXT, 5, 0);
        // Two bytes each in GBK: two characters fit, the third does not.
        dialogs::type_text(dialog, edit_id, u"\u751f\u65e5\u5feb\u4e50");
        EXPECT_EQ(wide_text(edit), u"\u751f\u65e5");
        dialogs::type_text(dialog, edit_id, u"\u751f");
        EXPECT_EQ(wide_text(edit), u"\u751f\u65e5");
        // A character GBK cannot hold counts as the one byte of its '?'.
        dialogs::type_text(dialog, edit_id, u"\u0151\u0151");
        EXPECT_EQ(wide_text(edit), u"\u751f\u65e5\u0151");
        EndDialog(dialog, 0);
    });
}

TEST_F(UnicodeDialogs, WideDialogsAnswerClicksAndKeysAsAnsiOnesDo) {
    CodePageScope scope("1252");
    const INT_PTR result = show(true, [](HWND dialog) {
        EXPECT_EQ(dialogs::focused_id(dialog), IDOK);
        dialogs::click(dialog, check_id);
        EXPECT_EQ(IsDlgButtonChecked(dialog, check_id), static_cast<UINT>(BST_CHECKED));
        dialogs::press_key(dialog, dialogs::key_escape);
    });
    // The recording procedure leaves the dialog open; the null mode ends it.
    EXPECT_EQ(result, -1);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(LOWORD(received[1].wParam), check_id);
    EXPECT_EQ(LOWORD(received[2].wParam), IDCANCEL);
    EXPECT_EQ(show(true, [](HWND dialog) { EndDialog(dialog, 7); }), 7);
    // A template that does not exist, by number or by name.
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4711), nullptr, recording_proc, 0), -1);
    EXPECT_EQ(DialogBoxParamW(nullptr, u"NOSUCH", nullptr, recording_proc, 0), -1);
    // "#" and the digits name the template by number; the nested dialog ends with 3.
    std::u16string by_number = u"#";
    for (const char digit : std::to_string(config_template)) by_number += char16_t(digit);
    int depth = 0;
    EXPECT_EQ(show(true,
                   [&](HWND dialog) {
                       if (++depth == 2) {
                           EndDialog(dialog, 3);
                           return;
                       }
                       EXPECT_EQ(
                           DialogBoxParamW(nullptr, by_number.c_str(), dialog, recording_proc, 0),
                           3);
                       EndDialog(dialog, 0);
                   }),
              0);
    EXPECT_EQ(depth, 2);
}

TEST_F(UnicodeDialogs, MessageBoxesShowTheirTextExactly) {
    CodePageScope scope("1252");
    dialogs::clear_message_boxes();
    EXPECT_EQ(MessageBoxW(nullptr, u"\u65e0\u6cd5\u4fdd\u5b58 \U0001F600", u"Lumora", MB_ICONERROR),
              IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Caf\xe9", nullptr, MB_OK), IDOK);
    const auto boxes = dialogs::message_boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].wideText, u"\u65e0\u6cd5\u4fdd\u5b58 \U0001F600");
    EXPECT_EQ(boxes[0].text, "???? ?");
    EXPECT_EQ(boxes[0].wideCaption, u"Lumora");
    EXPECT_EQ(boxes[1].wideText, u"Caf\u00e9");
    EXPECT_EQ(boxes[1].caption, "Error");
}

// The saver's own windows are ANSI windows: W text reaches them through the
// code page, as Windows converts it for them.
LRESULT CALLBACK plain_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(UnicodeDialogs, AnsiWindowsGetWideTextThroughTheCodePage) {
    CodePageScope scope("1252");
    WNDCLASSA wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "PlainAnsiClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "PlainAnsiClass", "Screen Saver", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(wide_text(w), u"Screen Saver");
    EXPECT_TRUE(SetWindowTextW(w, u"Caf\u00e9 \u751f"));
    EXPECT_EQ(ansi_text(w), "Caf\xe9 ?");
    EXPECT_EQ(wide_text(w), u"Caf\u00e9 ?");
    EXPECT_EQ(GetWindowTextLengthW(w), 6);
    WCHAR buffer[4];
    EXPECT_EQ(GetWindowTextW(w, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"Caf");
    DestroyWindow(w);
    EXPECT_FALSE(SetWindowTextW(w, u"gone"));
    EXPECT_EQ(GetWindowTextW(w, buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);
}

}  // namespace
