#include "config/run_overrides.h"

#include <cstring>

#include "config/settings.h"
#include "scene/text_encoding.h"

RunOverrides run_overrides;

bool apply_run_overrides() {
    if (run_overrides.message &&
        run_overrides.message->size() > static_cast<std::size_t>(message_text_limit)) {
        return false;
    }
    if (run_overrides.message) {
        const std::string& text = *run_overrides.message;
        std::memcpy(message_buffer, text.data(), text.size());
        message_buffer[text.size()] = '\0';
        // The command line comes in the locale's encoding, the ANSI code page.
        message_encoding = text_encoding::ansi;
    }
    if (run_overrides.follow) follow_value = static_cast<LONG>(*run_overrides.follow);
    return true;
}
