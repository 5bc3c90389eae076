// Choices made on the command line for one run: a message and a drift choice
// that take the place of the stored settings without being written, and
// whether the frame rate is shown. The entry fills the record before the
// saver window exists; the window applies it right after reading the settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct RunOverrides {
    std::optional<std::string> message;  // stored form, lines joined by "^n", locale bytes
    std::optional<std::int32_t> follow;  // 0: the text rides the waves
    bool show_fps = false;
};

extern RunOverrides run_overrides;

// Puts the overriding message and follow value into the settings state, over
// what load_settings read. Never writes the settings file. Returns false (and
// changes nothing) when the message does not fit the message buffer; the entry
// refuses such a message before anything starts, so this is a safeguard only.
bool apply_run_overrides();
