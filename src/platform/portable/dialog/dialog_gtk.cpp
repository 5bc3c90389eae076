// The GTK 3 face of the portable dialogs: one window per dialog, its controls
// placed at their template positions (dialog units converted with the dialog
// font's metrics), and the user's clicks and keys handed to the dialog manager.
#define GDK_DISABLE_DEPRECATION_WARNINGS
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/portable/dialog/dialog.h"
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/gdi/gdi_internal.h"
#include "platform/portable/text/font_internal.h"
#include "platform/portable/text/unicode_text.h"
#include "platform/portable/user/display_choice.h"

struct DialogWidgets {
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
};

namespace {

GtkWidget* as_widget(void* p) {
    return static_cast<GtkWidget*>(p);
}

// Win32 control texts mark mnemonics with '&'; GTK labels here show none.
std::string label_text(const std::u16string& text) {
    std::string out;
    const std::string utf8 = utf16_to_utf8(text);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '&') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '&') out.push_back('&'), ++i;
            continue;
        }
        out.push_back(utf8[i]);
    }
    return out;
}

// "\r\n" (and a lone "\r") in a control's text become the "\n" of a GTK buffer.
std::string edit_to_utf8(const std::u16string& text) {
    std::u16string unix;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') continue;
            unix.push_back(u'\n');
            continue;
        }
        unix.push_back(text[i]);
    }
    return utf16_to_utf8(unix);
}

std::u16string utf8_to_edit(std::string_view utf8, bool multiline) {
    const std::u16string text = utf8_to_utf16(utf8);
    if (!multiline) return text;
    std::u16string out;
    out.reserve(text.size());
    for (char16_t ch : text) {
        if (ch == u'\n') out.push_back(u'\r');
        out.push_back(ch);
    }
    return out;
}

std::string buffer_text(GtkTextBuffer* buffer) {
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

// Keeps typed and pasted text within the edit control's limit, counted as the
// control counts it (UTF-16 units, or bytes of the ANSI code page) with
// "\r\n" line breaks, as the saver stores it; what does not fit is dropped at
// a character boundary.
void on_insert_text(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length,
                    gpointer data) {
    auto* c = static_cast<DialogControl*>(data);
    if (c->updating) return;
    const std::string_view inserted(text, static_cast<std::size_t>(length));
    const std::size_t current = edit_length(*c, utf8_to_edit(buffer_text(buffer), true));
    const std::size_t room = edit_room(*c, current);
    if (edit_length(*c, utf8_to_edit(inserted, true)) <= room) return;
    // The longest prefix of whole characters that fits.
    std::size_t keep = 0;
    std::size_t used = 0;
    while (keep < inserted.size()) {
        const char* here = inserted.data() + keep;
        const auto next = static_cast<std::size_t>(g_utf8_next_char(here) - inserted.data());
        const std::size_t end = std::min(next, inserted.size());
        const std::size_t size =
            edit_length(*c, utf8_to_edit(inserted.substr(keep, end - keep), true));
        if (used + size > room) break;
        used += size;
        keep = end;
    }
    g_signal_stop_emission_by_name(buffer, "insert-text");
    if (keep > 0) {
        c->updating = true;
        gtk_text_buffer_insert(buffer, location, inserted.data(), static_cast<gint>(keep));
        c->updating = false;
    }
    gdk_display_beep(gdk_display_get_default());
}

void on_clicked(GtkButton*, gpointer data) {
    auto* c = static_cast<DialogControl*>(data);
    if (c->updating) return;
    if (c->kind == ControlKind::auto_check_box || c->kind == ControlKind::check_box) {
        c->check = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c->widget)) ? BST_CHECKED
                                                                              : BST_UNCHECKED;
    }
    dialog_user_command(*c->dialog, c->id);
}

void on_focus_in(GtkWidget*, GdkEvent*, gpointer data) {
    auto* c = static_cast<DialogControl*>(data);
    c->dialog->focus = c->id;
}

// The control that holds the window's focus widget. GTK moves that widget
// without a focus-in event while the window itself is not active, so the
// keys ask the window rather than the last focus-in.
void sync_focus(Dialog& d, GtkWidget* window) {
    GtkWidget* focused = gtk_window_get_focus(GTK_WINDOW(window));
    if (!focused) return;
    for (const auto& c : d.controls) {
        if (focused == as_widget(c->inner ? c->inner : c->widget)) {
            d.focus = c->id;
            return;
        }
    }
}

gboolean on_key_press(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* d = static_cast<Dialog*>(data);
    sync_focus(*d, window);
    const guint key = event->keyval;
    if (key == GDK_KEY_Escape) {
        // An input method may be composing; it gets the key first.
        if (gtk_window_propagate_key_event(GTK_WINDOW(window), event)) return TRUE;
        return dialog_user_key(*d, dialogs::key_escape) ? TRUE : FALSE;
    }
    if (key == GDK_KEY_Return || key == GDK_KEY_KP_Enter || key == GDK_KEY_ISO_Enter) {
        return dialog_user_key(*d, dialogs::key_return) ? TRUE : FALSE;
    }
    return FALSE;
}

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
    dialog_user_close(*static_cast<Dialog*>(data));
    return TRUE;  // the dialog procedure decides; the window stays until it ends
}

// Pixels per dialog unit from the dialog font: the average width of the
// Latin letters over 4, the line height over 8, as Windows derives them.
void measure_units(Dialog& d, GtkWidget* window) {
    PangoLayout* layout = gtk_widget_create_pango_layout(
        window, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    if (width > 0 && height > 0) {
        const int average = (width / 26 + 1) / 2;
        d.unitX = average / 4.0;
        d.unitY = height / 8.0;
    }
}

void apply_dialog_font(Dialog& d, GtkWidget* window) {
    // Every template of the resources names the same font; below a widget's
    // own font (WM_SETFONT), above the theme.
    static bool applied = false;
    if (applied || d.layout.face.empty() || d.layout.pointSize == 0) return;
    applied = true;
    std::string face;
    for (char ch : d.layout.face) {
        if (ch != '"' && ch != '\\') face.push_back(ch);
    }
    const std::string css = "* { font-family: \"" + face +
                            "\", sans-serif; font-size: " + std::to_string(d.layout.pointSize) +
                            "pt; }";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_SETTINGS);
    g_object_unref(provider);
}

// An owner that is another program's window (an X11 window id from the
// command line): the dialog stays above it, as a dialog above its owner.
void keep_above_foreign_owner(GtkWidget* window, HWND owner) {
    const auto value = reinterpret_cast<std::uintptr_t>(owner);
    if (value == 0 || value > 0x7FFFFFFFu || find_dialog(owner)) return;
    GdkDisplay* display = gdk_display_get_default();
    if (!GDK_IS_X11_DISPLAY(display)) return;
    GdkWindow* foreign =
        gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(value));
    if (!foreign) return;
    gtk_widget_realize(window);
    gdk_window_set_transient_for(gtk_widget_get_window(window), foreign);
    g_object_unref(foreign);
}

int px(double units, double scale) {
    return static_cast<int>(units * scale + 0.5);
}

GtkWidget* make_widget(DialogControl& c) {
    switch (c.kind) {
        case ControlKind::push_button:
        case ControlKind::default_button: {
            GtkWidget* w = gtk_button_new_with_label(label_text(c.text).c_str());
            g_signal_connect(w, "clicked", G_CALLBACK(on_clicked), &c);
            return w;
        }
        case ControlKind::check_box:
        case ControlKind::auto_check_box: {
            GtkWidget* w = gtk_check_button_new_with_label(label_text(c.text).c_str());
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), c.check == BST_CHECKED);
            g_signal_connect(w, "clicked", G_CALLBACK(on_clicked), &c);
            return w;
        }
        case ControlKind::group_box: {
            GtkWidget* w = gtk_frame_new(label_text(c.text).c_str());
            return w;
        }
        case ControlKind::edit: {
            if (!c.multiline_edit()) {
                GtkWidget* entry = gtk_entry_new();
                c.inner = entry;
                return entry;
            }
            // A multi-line edit: a text view (input methods work there) without
            // word wrap, in a scrolled window with the template's scroll bars.
            GtkWidget* view = gtk_text_view_new();
            gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_NONE);
            gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), FALSE);
            g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "insert-text",
                             G_CALLBACK(on_insert_text), &c);
            GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
            gtk_scrolled_window_set_policy(
                GTK_SCROLLED_WINDOW(scroller),
                (c.style & (WS_HSCROLL | ES_AUTOHSCROLL)) ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER,
                (c.style & WS_VSCROLL) ? GTK_POLICY_ALWAYS : GTK_POLICY_AUTOMATIC);
            // Scroll bars that stay visible, as the template asks for them.
            gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
            if (c.style & WS_BORDER)
                gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
            gtk_container_add(GTK_CONTAINER(scroller), view);
            c.inner = view;
            return scroller;
        }
        case ControlKind::icon: {
            GtkWidget* image = gtk_image_new();
            const auto icon =
                portable_icon_image(LoadIconA(nullptr, MAKEINTRESOURCEA(c.iconId)), 32);
            if (icon) {
                GdkPixbuf* pixbuf =
                    gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon->width, icon->height);
                guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
                const int stride = gdk_pixbuf_get_rowstride(pixbuf);
                for (int y = 0; y < icon->height; ++y) {
                    for (int x = 0; x < icon->width; ++x) {
                        const std::uint32_t p =
                            icon->pixels[static_cast<std::size_t>(y) * icon->width + x];
                        guchar* out = pixels + y * stride + x * 4;
                        out[0] = static_cast<guchar>(p >> 16);
                        out[1] = static_cast<guchar>(p >> 8);
                        out[2] = static_cast<guchar>(p);
                        out[3] = static_cast<guchar>(p >> 24);
                    }
                }
                gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
                g_object_unref(pixbuf);
            }
            return image;
        }
        case ControlKind::text:
        default: {
            GtkWidget* label = gtk_label_new(label_text(c.text).c_str());
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
            return label;
        }
    }
}

}  // namespace

bool gtk_available() {
    static const bool available = [] {
        portable::toolkit_connecting();
        if (!gtk_init_check(nullptr, nullptr)) return false;
        // GTK's own handler for a lost display leaves without a word.
        portable::end_process_on_lost_display();
        return true;
    }();
    return available;
}

void gtk_build_dialog(Dialog& d) {
    d.widgets = new DialogWidgets;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    d.widgets->window = window;
    gtk_window_set_title(GTK_WINDOW(window), utf16_to_utf8(d.caption).c_str());
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    Dialog* owner = find_dialog(d.owner);
    if (owner && owner->widgets) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(owner->widgets->window));
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    } else if (d.layout.style & DS_CENTER) {
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    }
    apply_dialog_font(d, window);
    keep_above_foreign_owner(window, d.owner);
    measure_units(d, window);

    GtkWidget* fixed = gtk_fixed_new();
    d.widgets->fixed = fixed;
    gtk_container_add(GTK_CONTAINER(window), fixed);
    const double ux = d.unitX, uy = d.unitY;
    for (const auto& control : d.controls) {
        DialogControl& c = *control;
        GtkWidget* w = make_widget(c);
        c.widget = w;
        if (c.kind != ControlKind::icon) {
            gtk_widget_set_size_request(w, px(c.cx, ux), px(c.cy, uy));
        }
        if (!c.tab_stop()) gtk_widget_set_can_focus(w, FALSE);
        GtkWidget* focusable = c.inner ? as_widget(c.inner) : w;
        g_signal_connect(focusable, "focus-in-event", G_CALLBACK(on_focus_in), &c);
        gtk_fixed_put(GTK_FIXED(fixed), w, px(c.x, ux), px(c.y, uy));
        if (c.kind == ControlKind::edit) gtk_set_control_text(c);
    }
    // The controls keep the template's order for Tab.
    GList* chain = nullptr;
    for (const auto& control : d.controls) {
        if (control->tab_stop()) chain = g_list_append(chain, control->widget);
    }
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    g_list_free(chain);

    gtk_widget_set_size_request(fixed, px(d.layout.cx, ux), px(d.layout.cy, uy));
    g_signal_connect(window, "key-press-event", G_CALLBACK(on_key_press), &d);
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete), &d);
    gtk_widget_show_all(window);
}

void gtk_run_dialog(Dialog& d) {
    while (!d.ended) gtk_main_iteration_do(TRUE);
}

void gtk_destroy_dialog(Dialog& d) {
    if (!d.widgets) return;
    for (const auto& c : d.controls) {
        c->widget = nullptr;
        c->inner = nullptr;
    }
    gtk_widget_destroy(d.widgets->window);
    delete d.widgets;
    d.widgets = nullptr;
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void gtk_set_control_text(DialogControl& c) {
    if (!c.widget) return;
    c.updating = true;
    switch (c.kind) {
        case ControlKind::edit:
            if (c.multiline_edit()) {
                GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(as_widget(c.inner)));
                const std::string text = edit_to_utf8(c.text);
                gtk_text_buffer_set_text(buffer, text.c_str(), -1);
                GtkTextIter start;
                gtk_text_buffer_get_start_iter(buffer, &start);
                gtk_text_buffer_place_cursor(buffer, &start);
            } else {
                gtk_entry_set_text(GTK_ENTRY(as_widget(c.inner)), utf16_to_utf8(c.text).c_str());
            }
            break;
        case ControlKind::group_box:
            gtk_frame_set_label(GTK_FRAME(as_widget(c.widget)), label_text(c.text).c_str());
            break;
        case ControlKind::text:
            gtk_label_set_text(GTK_LABEL(as_widget(c.widget)), label_text(c.text).c_str());
            break;
        case ControlKind::icon:
            break;
        default:
            gtk_button_set_label(GTK_BUTTON(as_widget(c.widget)), label_text(c.text).c_str());
            break;
    }
    c.updating = false;
}

void gtk_set_caption(Dialog& d) {
    if (d.widgets)
        gtk_window_set_title(GTK_WINDOW(d.widgets->window), utf16_to_utf8(d.caption).c_str());
}

std::u16string gtk_control_text(const DialogControl& c) {
    if (c.kind != ControlKind::edit || !c.inner) return c.text;
    if (c.multiline_edit()) {
        return utf8_to_edit(
            buffer_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(as_widget(c.inner)))), true);
    }
    return utf8_to_edit(gtk_entry_get_text(GTK_ENTRY(as_widget(c.inner))), false);
}

void gtk_set_check(DialogControl& c) {
    c.updating = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(as_widget(c.widget)), c.check == BST_CHECKED);
    c.updating = false;
}

void gtk_set_font(DialogControl& c) {
    const HFONT__* font = gdi_font(c.font);
    GtkWidget* target = c.inner ? as_widget(c.inner) : as_widget(c.widget);
    if (!font || !font->instance) {
        gtk_widget_override_font(target, nullptr);
        return;
    }
    const font_instance& f = *font->instance;
    PangoFontDescription* desc = pango_font_description_new();
    if (!f.family.empty()) pango_font_description_set_family(desc, f.family.c_str());
    // The font's em height: its cell height less the internal leading.
    const int em =
        f.cell_height - f.internal_leading > 0 ? f.cell_height - f.internal_leading : f.cell_height;
    if (em > 0) pango_font_description_set_absolute_size(desc, em * PANGO_SCALE);
    pango_font_description_set_weight(desc, static_cast<PangoWeight>(f.weight));
    if (f.italic) pango_font_description_set_style(desc, PANGO_STYLE_ITALIC);
    gtk_widget_override_font(target, desc);
    pango_font_description_free(desc);
}

void gtk_focus(Dialog& d, DialogControl& c) {
    GtkWidget* target = c.inner ? as_widget(c.inner) : as_widget(c.widget);
    if (target) gtk_widget_grab_focus(target);
}

void gtk_set_enabled(Dialog& d, bool enabled) {
    if (d.widgets) gtk_widget_set_sensitive(d.widgets->fixed, enabled);
}

int gtk_message_box(HWND owner, const std::u16string& text, const std::u16string& caption,
                    UINT type) {
    Dialog* parent = find_dialog(owner);
    GtkWindow* transient =
        (parent && parent->widgets) ? GTK_WINDOW(parent->widgets->window) : nullptr;
    const GtkMessageType kind = (type & 0xF0) == MB_ICONERROR     ? GTK_MESSAGE_ERROR
                                : (type & 0xF0) == MB_ICONWARNING ? GTK_MESSAGE_WARNING
                                                                  : GTK_MESSAGE_INFO;
    GtkWidget* box = gtk_message_dialog_new(transient, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_OK, "%s",
                                            utf16_to_utf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), utf16_to_utf8(caption).c_str());
    if (parent && parent->widgets) gtk_set_enabled(*parent, false);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    if (parent && parent->widgets) gtk_set_enabled(*parent, true);
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    return IDOK;
}
