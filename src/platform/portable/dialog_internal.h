// The records behind a portable dialog and its controls, shared by the
// dialog manager (dialog_box.cpp) and its GTK face (dialog_gtk.cpp).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/portable/resources.h"
#include "platform/portable/windows.h"

struct DialogWidgets;  // the GTK side; null in the null mode

enum class ControlKind { push_button, default_button, check_box, auto_check_box, group_box, edit, text, icon };

struct DialogControl {
    HWND hwnd = nullptr;
    struct Dialog* dialog = nullptr;
    int id = 0;
    ControlKind kind = ControlKind::text;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string text;                     // ANSI code page; edit controls hold "\r\n"
    WORD iconId = 0;
    UINT check = BST_UNCHECKED;
    std::size_t limit = 32767;  // bytes a user may type into an edit control (Windows' default)
    HFONT font = nullptr;
    void* widget = nullptr;  // GtkWidget*: the control
    void* inner = nullptr;   // GtkWidget*: the text view or entry of an edit control
    bool updating = false;   // set while the program (not the user) changes the widget

    bool multiline_edit() const { return kind == ControlKind::edit && (style & ES_MULTILINE); }
    bool tab_stop() const { return (style & WS_TABSTOP) != 0; }
};

struct Dialog {
    HWND hwnd = nullptr;
    DLGPROC proc = nullptr;
    int templateId = 0;
    DialogTemplate layout;
    std::string caption;  // ANSI code page
    HWND owner = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    bool enabled = true;
    int focus = 0;  // control id with the focus; 0 none
    std::vector<std::unique_ptr<DialogControl>> controls;
    DialogWidgets* widgets = nullptr;
    double unitX = 1.5;  // pixels per horizontal dialog unit (GTK only)
    double unitY = 1.625;

    DialogControl* control(int id) const {
        for (const auto& c : controls) {
            if (c->id == id) return c.get();
        }
        return nullptr;
    }
};

// The dialog manager's entry points for the GTK face.
Dialog* find_dialog(HWND hwnd);
// The user clicked a control (an automatic check box has already flipped).
void dialog_user_command(Dialog& dialog, int id);
// Keys the dialog manager handles: Esc → command 2; Enter → the focused push
// button or the default button. True when handled.
bool dialog_user_key(Dialog& dialog, int virtualKey);
// The caption's close button: WM_CLOSE with 0.
void dialog_user_close(Dialog& dialog);
// The text of an edit control as the user typed it, in the ANSI code page
// with "\r\n" line breaks; and how many bytes of `ansi` fit within its limit.
std::size_t edit_room(const DialogControl& control, std::size_t currentBytes);

// The GTK face. gtk_available() initialises GTK once; false without a display.
bool gtk_available();
void gtk_build_dialog(Dialog& dialog);
void gtk_run_dialog(Dialog& dialog);    // until dialog.ended
void gtk_destroy_dialog(Dialog& dialog);
void gtk_set_control_text(DialogControl& control);  // from control.text
std::string gtk_control_text(const DialogControl& control);  // ANSI, "\r\n"
void gtk_set_check(DialogControl& control);
void gtk_set_font(DialogControl& control);
void gtk_focus(Dialog& dialog, DialogControl& control);
void gtk_set_enabled(Dialog& dialog, bool enabled);
int gtk_message_box(HWND owner, const std::string& text, const std::string& caption, UINT type);
