// Modal dialogs built from the resources' dialog templates. With a display
// they are GTK 3 windows; in the null mode the same controls exist without
// any widget, and tests act as the user through the functions below (they
// work on GTK dialogs too). Nothing outside platform/portable/ and its tests
// includes this.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/windows.h"

namespace dialogs {

// The two keys the dialog manager handles (virtual-key codes).
constexpr int key_return = 0x0D;
constexpr int key_escape = 0x1B;

// Runs inside DialogBoxParamA (or W) right after WM_INITDIALOG, for every dialog
// shown (nested ones too); it plays the user. In the null mode a dialog the
// script leaves open ends with -1, since nobody else could end it; with GTK
// the real user goes on from there.
using Script = std::function<void(HWND dialog, int templateId)>;
void set_script(Script script);

// What a user does. click: a mouse click on the control (an automatic check
// box flips its mark first). press_key: VK_RETURN or VK_ESCAPE on the focused
// control. close_box: the caption's close button. type_text: typing at the end
// of an edit control's text, as far as its limit allows ("\r\n" for Enter),
// given in the ANSI code page or as UTF-16.
void click(HWND dialog, int id);
void press_key(HWND dialog, int virtualKey);
void close_box(HWND dialog);
void type_text(HWND dialog, int id, std::string_view ansi);
void type_text(HWND dialog, int id, std::u16string_view text);
void set_focus(HWND dialog, int id);

// What the user would see.
int focused_id(HWND dialog);       // 0 when no control has the focus
bool is_enabled(HWND dialog);      // false while a dialog it owns is open
int template_id(HWND dialog);      // the template it was built from
std::string caption(HWND dialog);  // in the ANSI code page
std::size_t text_limit(HWND dialog, int id);

struct MessageBoxCall {
    HWND owner;
    std::string text;  // in the ANSI code page
    std::string caption;
    UINT type;
    std::u16string wideText;  // exactly as shown
    std::u16string wideCaption;
};
// Every MessageBoxA or MessageBoxW of the null mode since the last clear
// (each answered IDOK).
std::vector<MessageBoxCall> message_boxes();
void clear_message_boxes();

}  // namespace dialogs
