// The GTK face of the portable dialogs, with real widgets. Runs only when
// NUVEX_GTK_TESTS=1 and a display is there: tests/e2e/dialog_gtk.sh runs it
// under its own Xvfb, and the unit run leaves it out, so that unit runs never
// open windows on a desktop.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/nuvex_resource_ids.h"
#include "platform/locale_scope.h"
#include "platform/portable/dialog/dialog.h"
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/nullmode/null_mode.h"
#include "platform/portable/text/codepage.h"
#include "platform/win32.h"

namespace {

constexpr int config_template = IDD_CONFIG;
constexpr int edit_id = IDC_MESSAGE;
constexpr int check_id = IDC_FOLLOW;

struct Command {
    UINT message;
    WPARAM wParam;
};
std::vector<Command> received;

// A dialog procedure that records what reaches it and does nothing else.
INT_PTR CALLBACK recording_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_CLOSE) received.push_back({message, wParam});
    return message == WM_INITDIALOG ? 1 : 0;
}

class DialogGtkTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* wanted = std::getenv("NUVEX_GTK_TESTS");
        if (!wanted || std::string(wanted) != "1") GTEST_SKIP() << "NUVEX_GTK_TESTS=1 runs these";
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display || std::getenv("NUVEX_VIDEO")) GTEST_SKIP() << "no display";
        if (nullmode::enabled()) GTEST_SKIP() << "the null mode is on in this process";
        if (!gtk_available()) GTEST_SKIP() << "GTK cannot open the display";
        setenv("NUVEX_CODEPAGE", "65001", 1);
        portable_reset_code_page();
        received.clear();
        // After GTK has read the locale: only the dialogs' language changes.
        chinese_interface.emplace("zh_CN.UTF-8");
    }
    void TearDown() override {
        dialogs::set_script(nullptr);
        unsetenv("NUVEX_CODEPAGE");
        portable_reset_code_page();
        chinese_interface.reset();
    }
    // Shows a template (the configuration dialog unless told) with the recording procedure
    // (through DialogBoxParamW when `wide`), runs `body` inside, then ends it.
    void with_dialog(const std::function<void(Dialog&)>& body, bool wide = false,
                     int templateId = config_template) {
        dialogs::set_script([&](HWND hwnd, int) {
            Dialog* d = find_dialog(hwnd);
            ASSERT_NE(d, nullptr);
            ASSERT_NE(d->widgets, nullptr);
            pump();
            body(*d);
            EndDialog(hwnd, 0);
        });
        if (wide) {
            DialogBoxParamW(nullptr, MAKEINTRESOURCEW(templateId), nullptr, recording_proc, 0);
        } else {
            DialogBoxParamA(nullptr, MAKEINTRESOURCEA(templateId), nullptr, recording_proc, 0);
        }
    }
    std::optional<LocaleScope> chinese_interface;
    static void pump() {
        while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    }
    static GtkWidget* widget(Dialog& d, int id) {
        return static_cast<GtkWidget*>(d.control(id)->widget);
    }
    static GtkTextBuffer* edit_buffer(Dialog& d) {
        return gtk_text_view_get_buffer(
            GTK_TEXT_VIEW(static_cast<GtkWidget*>(d.control(edit_id)->inner)));
    }
    static std::string buffer_text(Dialog& d) {
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(edit_buffer(d), &start, &end);
        gchar* text = gtk_text_buffer_get_text(edit_buffer(d), &start, &end, TRUE);
        std::string out = text;
        g_free(text);
        return out;
    }
    static std::string window_text(HWND hwnd) {
        char buffer[256];
        const int n = GetWindowTextA(hwnd, buffer, sizeof buffer);
        return std::string(buffer, static_cast<std::size_t>(n));
    }
    static gboolean send_key(Dialog& d, guint keyval) {
        GtkWidget* window = gtk_widget_get_toplevel(widget(d, IDOK));
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        event->key.keyval = keyval;
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        gdk_event_set_device(
            event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        const gboolean handled = gtk_widget_event(window, event);
        gdk_event_free(event);
        pump();
        return handled;
    }
};

TEST_F(DialogGtkTest, ControlsStandWhereTheTemplatePutsThem) {
    with_dialog([](Dialog& d) {
        GtkWidget* window = gtk_widget_get_toplevel(widget(d, IDOK));
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Lumora\xe8\xae\xbe\xe7\xbd\xae");
        const double ux = d.unitX, uy = d.unitY;
        EXPECT_GT(ux, 0.5);
        EXPECT_GT(uy, 0.5);
        for (const auto& c : d.controls) {
            if (c->kind == ControlKind::icon) continue;
            int width = 0, height = 0;
            gtk_widget_get_size_request(static_cast<GtkWidget*>(c->widget), &width, &height);
            EXPECT_NEAR(width, c->cx * ux, 1.0) << c->id;
            EXPECT_NEAR(height, c->cy * uy, 1.0) << c->id;
        }
        // OK right of Cancel, right of About; the edit box inside the group box.
        GtkAllocation ok, cancel, about, edit, group;
        gtk_widget_get_allocation(widget(d, IDOK), &ok);
        gtk_widget_get_allocation(widget(d, IDCANCEL), &cancel);
        gtk_widget_get_allocation(widget(d, IDC_ABOUT), &about);
        gtk_widget_get_allocation(widget(d, edit_id), &edit);
        gtk_widget_get_allocation(widget(d, IDC_STATIC), &group);
        EXPECT_GT(ok.x, cancel.x);
        EXPECT_GT(cancel.x, about.x);
        EXPECT_EQ(ok.y, cancel.y);
        EXPECT_GT(edit.x, group.x);
        EXPECT_LT(edit.x + edit.width, group.x + group.width);
        EXPECT_GT(ok.y, group.y + group.height - 1);
        // The edit box: a text view without wrap, a vertical scroll bar always.
        auto* view = GTK_TEXT_VIEW(static_cast<GtkWidget*>(d.control(edit_id)->inner));
        EXPECT_EQ(gtk_text_view_get_wrap_mode(view), GTK_WRAP_NONE);
        GtkPolicyType horizontal, vertical;
        gtk_scrolled_window_get_policy(GTK_SCROLLED_WINDOW(widget(d, edit_id)), &horizontal,
                                       &vertical);
        EXPECT_EQ(vertical, GTK_POLICY_ALWAYS);
        EXPECT_EQ(horizontal, GTK_POLICY_AUTOMATIC);
        EXPECT_TRUE(GTK_IS_FRAME(widget(d, -1)));
        EXPECT_TRUE(GTK_IS_CHECK_BUTTON(widget(d, check_id)));
    });
}

TEST_F(DialogGtkTest, EditTextTravelsBetweenTheCodePageAndTheWidget) {
    with_dialog([](Dialog& d) {
        HWND edit = GetDlgItem(d.hwnd, edit_id);
        SetWindowTextA(edit, "one\r\ntwo\r\n");
        EXPECT_EQ(buffer_text(d), "one\ntwo\n");
        gtk_text_buffer_set_text(edit_buffer(d), "\xe7\x94\x9f\nx", -1);  // "生\nx", as typed
        EXPECT_EQ(window_text(edit), "\xe7\x94\x9f\r\nx");
        EXPECT_EQ(GetWindowTextLengthA(edit), 6);
    });
    setenv("NUVEX_CODEPAGE", "936", 1);
    portable_reset_code_page();
    with_dialog([](Dialog& d) {
        HWND edit = GetDlgItem(d.hwnd, edit_id);
        SetWindowTextA(edit, "\xc9\xfa\r\n");  // "生" in GBK
        EXPECT_EQ(buffer_text(d), "\xe7\x94\x9f\n");
        EXPECT_EQ(window_text(edit), "\xc9\xfa\r\n");
    });
}

TEST_F(DialogGtkTest, UnicodeTextTravelsExactlyBetweenTheWidgetAndTheWFunctions) {
    setenv("NUVEX_CODEPAGE", "1252", 1);
    portable_reset_code_page();
    with_dialog(
        [](Dialog& d) {
            HWND edit = GetDlgItem(d.hwnd, edit_id);
            SetWindowTextW(edit, u"\u751f\u65e5\r\n\U0001F600 \u0416");
            EXPECT_EQ(buffer_text(d), "\xe7\x94\x9f\xe6\x97\xa5\n\xf0\x9f\x98\x80 \xd0\x96");
            // As typed: Hangul, kana and an accented letter.
            gtk_text_buffer_set_text(edit_buffer(d), "\xed\x95\x9c\n\xe3\x81\xb2\xc3\xa9", -1);
            WCHAR text[16];
            EXPECT_EQ(GetWindowTextW(edit, text, 16), 5);
            EXPECT_EQ(std::u16string(text), u"\ud55c\r\n\u3072\u00e9");
            // Reading through the code page leaves the widget's text alone.
            EXPECT_EQ(window_text(edit), "?\r\n?\xe9");
            EXPECT_EQ(buffer_text(d), "\xed\x95\x9c\n\xe3\x81\xb2\xc3\xa9");
            // The caption too, and labels.
            SetWindowTextW(d.hwnd, u"\u0416 \u751f");
            GtkWidget* window = gtk_widget_get_toplevel(widget(d, IDOK));
            EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "\xd0\x96 \xe7\x94\x9f");
            SetWindowTextW(GetDlgItem(d.hwnd, check_id), u"\u00e9t\u00e9 \u751f");
            EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(widget(d, check_id))),
                         "\xc3\xa9t\xc3\xa9 \xe7\x94\x9f");
            // Typing stops at the limit counted in UTF-16 units.
            SetWindowTextW(edit, u"");
            SendMessageW(edit, EM_LIMITTEXT, 4, 0);
            gtk_text_buffer_insert_at_cursor(edit_buffer(d),
                                             "ab\xf0\x9f\x98\x80"
                                             "c",
                                             -1);
            EXPECT_EQ(GetWindowTextW(edit, text, 16), 4);
            EXPECT_EQ(std::u16string(text), u"ab\U0001F600");
        },
        true);
}

TEST_F(DialogGtkTest, TypingStopsAtTheLimitCountedInCodePageBytes) {
    setenv("NUVEX_CODEPAGE", "936", 1);
    portable_reset_code_page();
    with_dialog([](Dialog& d) {
        HWND edit = GetDlgItem(d.hwnd, edit_id);
        SendMessageA(edit, EM_LIMITTEXT, 10, 0);
        // A line break counts as the two bytes it is stored as.
        gtk_text_buffer_insert_at_cursor(edit_buffer(d), "12345\n7890abc", -1);
        EXPECT_EQ(window_text(edit), "12345\r\n789");
        SetWindowTextA(edit, "123456789");
        // "生" is two GBK bytes; one byte of room keeps none of it.
        gtk_text_buffer_insert_at_cursor(edit_buffer(d), "\xe7\x94\x9f", -1);
        EXPECT_EQ(window_text(edit), "123456789");
        gtk_text_buffer_insert_at_cursor(edit_buffer(d), "z", -1);
        EXPECT_EQ(window_text(edit).size(), 10u);
    });
}

TEST_F(DialogGtkTest, ClicksAndKeysBecomeTheCommandsOfWindowsDialogs) {
    with_dialog([](Dialog& d) {
        HWND check = GetDlgItem(d.hwnd, check_id);
        gtk_button_clicked(GTK_BUTTON(widget(d, check_id)));
        pump();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].message, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(LOWORD(received[0].wParam), check_id);
        EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
        // A program setting the mark is no click.
        CheckDlgButton(d.hwnd, check_id, BST_UNCHECKED);
        pump();
        EXPECT_EQ(received.size(), 1u);
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(d, check_id))));

        received.clear();
        EXPECT_TRUE(send_key(d, GDK_KEY_Escape));
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(LOWORD(received[0].wParam), IDCANCEL);

        // Enter in the edit box is a line break, not a command.
        received.clear();
        SetWindowTextA(GetDlgItem(d.hwnd, edit_id), "");
        gtk_widget_grab_focus(static_cast<GtkWidget*>(d.control(edit_id)->inner));
        pump();
        send_key(d, GDK_KEY_Return);
        EXPECT_TRUE(received.empty());
        EXPECT_EQ(buffer_text(d), "\n");
        // Elsewhere Enter presses the default button, or the focused push button.
        gtk_widget_grab_focus(widget(d, check_id));
        pump();
        EXPECT_TRUE(send_key(d, GDK_KEY_Return));
        gtk_widget_grab_focus(widget(d, IDCANCEL));
        pump();
        EXPECT_TRUE(send_key(d, GDK_KEY_Return));
        ASSERT_EQ(received.size(), 2u);
        EXPECT_EQ(LOWORD(received[0].wParam), IDOK);
        EXPECT_EQ(LOWORD(received[1].wParam), IDCANCEL);

        // The close box: WM_CLOSE with 0, then (unhandled) command 2.
        received.clear();
        GtkWidget* window = gtk_widget_get_toplevel(widget(d, IDOK));
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        gtk_main_do_event(event);
        gdk_event_free(event);
        pump();
        ASSERT_EQ(received.size(), 2u);
        EXPECT_EQ(received[0].message, static_cast<UINT>(WM_CLOSE));
        EXPECT_EQ(received[0].wParam, 0u);
        EXPECT_EQ(LOWORD(received[1].wParam), IDCANCEL);
    });
}

TEST_F(DialogGtkTest, TheEditFontComesFromWmSetfont) {
    with_dialog([](Dialog& d) {
        HFONT font = CreateFontA(48, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, "Sans");
        ASSERT_NE(font, nullptr);
        SendMessageA(GetDlgItem(d.hwnd, edit_id), WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        pump();
        GtkWidget* view = static_cast<GtkWidget*>(d.control(edit_id)->inner);
        PangoFontDescription* desc = nullptr;
        gtk_style_context_get(gtk_widget_get_style_context(view), GTK_STATE_FLAG_NORMAL, "font",
                              &desc, nullptr);
        ASSERT_NE(desc, nullptr);
        const double pixels =
            pango_font_description_get_size(desc) / static_cast<double>(PANGO_SCALE);
        // An em of 48 pixels less the internal leading, in pixels or points.
        EXPECT_GT(pixels, 24.0);
        EXPECT_LE(pixels, 48.0);
        EXPECT_EQ(pango_font_description_get_weight(desc), PANGO_WEIGHT_BOLD);
        pango_font_description_free(desc);
        EXPECT_EQ(
            reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(d.hwnd, edit_id), WM_GETFONT, 0, 0)),
            font);
        DeleteObject(font);
    });
}

// The label of a button, check box or frame, or the text of a label.
std::string shown_text(GtkWidget* w) {
    if (GTK_IS_BUTTON(w)) return gtk_button_get_label(GTK_BUTTON(w));
    if (GTK_IS_FRAME(w)) return gtk_frame_get_label(GTK_FRAME(w));
    if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
    return {};
}

TEST_F(DialogGtkTest, EachInterfaceLanguageShowsItsOwnTemplateAndEveryTextFits) {
    struct Expected {
        const char* locale;
        int templateId;
        const char* title;
        std::vector<std::pair<int, const char*>> texts;
    };
    const Expected languages[] = {
        {"zh_CN.UTF-8",
         config_template,
         "Lumora\xe8\xae\xbe\xe7\xbd\xae",  // "Lumora设置"
         {{IDOK, "\xe7\xa1\xae\xe5\xae\x9a"},
          {check_id, "\xe9\x9a\x8f\xe6\xb3\xa2\xe9\x80\x90\xe6\xb5\x81"}}},
        {"en_US.UTF-8",
         config_template,
         "Lumora Settings",
         {{IDOK, "OK"},
          {IDCANCEL, "Cancel"},
          {IDC_STATIC, "Text to show"},
          {check_id, "Drift with the waves"},
          {IDC_ABOUT, "About..."}}},
        {"zh_CN.UTF-8",
         IDD_ABOUT,
         "\xe5\x85\xb3\xe4\xba\x8e Lumora",
         {{IDOK, "\xe7\xa1\xae\xe5\xae\x9a"}}},  // "关于 Lumora"
        {"en_US.UTF-8", IDD_ABOUT, "About Lumora", {{IDOK, "OK"}}},
    };
    for (const Expected& expected : languages) {
        SCOPED_TRACE(testing::Message() << expected.locale << " template " << expected.templateId);
        LocaleScope scope(expected.locale);
        int shown = 0;
        with_dialog(
            [&](Dialog& d) {
                ++shown;
                GtkWidget* window = gtk_widget_get_toplevel(widget(d, IDOK));
                EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), expected.title);
                for (const auto& [id, text] : expected.texts) {
                    EXPECT_EQ(shown_text(widget(d, id)), text) << id;
                }
                // No text needs more room than its control has: nothing grew
                // past the size the template gives it.
                for (const auto& c : d.controls) {
                    auto* w = static_cast<GtkWidget*>(c->widget);
                    if (c->kind == ControlKind::icon || shown_text(w).empty()) continue;
                    int minimum = 0, natural = 0;
                    gtk_widget_get_preferred_width(w, &minimum, &natural);
                    GtkAllocation allocation;
                    gtk_widget_get_allocation(w, &allocation);
                    EXPECT_LE(natural, static_cast<int>(c->cx * d.unitX + 1.5))
                        << c->id << " '" << shown_text(w) << "'";
                    EXPECT_LE(allocation.width, static_cast<int>(c->cx * d.unitX + 1.5)) << c->id;
                }
            },
            true, expected.templateId);
        EXPECT_EQ(shown, 1);
    }
}

}  // namespace
