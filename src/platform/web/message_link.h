// The message as the browser page takes it: from a link's fragment
// ("m=" and the base64url of the UTF-8 text, lines separated by line feeds,
// then "&follow=1" for "Drift with the waves") or from the page's text area,
// and back into a link. The page keeps the settings dialog's rules: the stored
// form (lines joined by "^n", every "\r" removed) takes at most 4,094 bytes, and
// a text beyond that is refused, never cut. Plain C++, so that the native tests
// check it too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The most bytes of stored text the settings dialog accepts (config/settings.h
// holds the same number for the saver; a test keeps the two equal).
constexpr std::size_t web_message_limit = 4094;

enum class message_problem : int {
    none = 0,
    bad_base64 = 1,  // the link's text is not base64url
    not_text = 2,    // not UTF-8, or holds a zero byte (the settings file cannot)
    too_long = 3,    // the stored form exceeds web_message_limit
    bad_follow = 4,  // "follow" is neither 0 nor 1
};

struct link_message {
    std::string text;    // UTF-8, lines separated by "\n"; empty: the default message
    bool drift = true;   // "Drift with the waves": the held text rides the waves
    bool given = false;  // the fragment carried a message
    message_problem problem = message_problem::none;
    std::size_t size = 0;  // bytes of the stored form (what too_long measured)
};

// Reads a fragment (without its "#"). Parameters are separated by "&" in any
// order and unknown ones are ignored. No "m" gives the default message with
// drift on, as the saver starts without settings; a link with "m" drifts only
// with "follow=1". A problem leaves `text` holding what could be read (the
// whole decoded text when it is only too long), so the page can show it.
link_message read_fragment(std::string_view fragment);

// The fragment (without "#") that carries `text` and the drift choice.
std::string fragment_for(std::string_view text, bool drift);

// The stored form of a text with lines separated by "\n" (or "\r\n"): every
// "\r" removed and every "\n" written "^n", as the settings dialog stores it.
std::string stored_form(std::string_view text);

// none, not_text or too_long for a text typed into the page, with its stored
// size in `size`.
message_problem check_message(std::string_view text, std::size_t& size);

// The value the scene's `follow` takes for a drift choice: 0 rides the waves.
constexpr int follow_for(bool drift) {
    return drift ? 0 : 1;
}

bool valid_utf8(std::string_view bytes);
std::string base64url_encode(std::string_view bytes);
// Accepts the URL-safe alphabet with or without "=" padding; false for any
// other character or an impossible length.
bool base64url_decode(std::string_view text, std::string& bytes);
