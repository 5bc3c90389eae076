// The records behind a portable dialog and its controls, shared by the
// dialog manager (dialog_box.cpp) and its GTK face (dialog_gtk.cpp).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/resources/resources.h"
#include "platform/portable/windows.h"

struct DialogWidgets;  // the GTK side; null in the null mode

enum class ControlKind {
    push_button,
    default_button,
    check_box,
    auto_check_box,
    group_box,
    edit,
    text,
    icon
};

struct DialogControl {
    HWND hwnd = nullptr;
    struct Dialog* dialog = nullptr;
    int id = 0;
    ControlKind kind = ControlKind::text;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::u16string text;                 // edit controls hold "\r\n"
    WORD iconId = 0;
    UINT check = BST_UNCHECKED;
    // What a user may type into an edit control (Windows' default): UTF-16
    // units in a Unicode dialog, bytes of the ANSI code page in an ANSI one.
    std::size_t limit = 32767;
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
    std::u16string caption;
    bool unicode = false;  // made by DialogBoxParamW: its procedure takes W messages
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

// The windows of a dialog (dialog_controls.cpp): the dialog's own, registered
// with dialog.owner as parent and dialog.caption as title, and one per control
// of its template. Both serve messages in the A and the W form.
void register_dialog_window(Dialog& dialog);
void build_controls(Dialog& dialog);
// A control's text as it stands now, typed text included.
std::u16string control_text(const DialogControl& control);

// The dialog manager's entry points for the GTK face.
Dialog* find_dialog(HWND hwnd);
// The user clicked a control (an automatic check box has already flipped).
void dialog_user_command(Dialog& dialog, int id);
// Keys the dialog manager handles: Esc → command 2; Enter → the focused push
// button or the default button. True when handled.
bool dialog_user_key(Dialog& dialog, int virtualKey);
// The caption's close button: WM_CLOSE with 0.
void dialog_user_close(Dialog& dialog);
// What an edit control's limit counts of `text` ("\r\n" line breaks): UTF-16
// units in a Unicode dialog, bytes in the ANSI code page in an ANSI one.
std::size_t edit_length(const DialogControl& control, std::u16string_view text);
// Room left under the limit, and the units of whole characters at the front
// of `typed` that fit in it.
std::size_t edit_room(const DialogControl& control, std::size_t currentLength);
std::size_t edit_fit(const DialogControl& control, std::u16string_view typed, std::size_t room);

// The GTK face. gtk_available() initialises GTK once; false without a display.
bool gtk_available();
void gtk_build_dialog(Dialog& dialog);
void gtk_run_dialog(Dialog& dialog);  // until dialog.ended
void gtk_destroy_dialog(Dialog& dialog);
void gtk_set_control_text(DialogControl& control);              // from control.text
std::u16string gtk_control_text(const DialogControl& control);  // "\r\n" line breaks
void gtk_set_caption(Dialog& dialog);                           // from dialog.caption
void gtk_set_check(DialogControl& control);
void gtk_set_font(DialogControl& control);
void gtk_focus(Dialog& dialog, DialogControl& control);
void gtk_set_enabled(Dialog& dialog, bool enabled);
int gtk_message_box(HWND owner, const std::u16string& text, const std::u16string& caption,
                    UINT type);
