#include "text/message.h"

#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/byte_string.h"

namespace {

void use_fallback(SeaScene& scene) {
    scene.text = fallback_message().bytes;
    scene.encoding = fallback_message().encoding;
}

}  // namespace

void set_message(SeaScene& scene, std::string stored, text_encoding encoding) {
    // "^n" is resolved before "\r" is removed, and the final "\n" is added last.
    std::string text = replace_all(stored, "^n", "\n", encoding);
    text = replace_all(text, "\r", "", encoding);
    scene.text = std::move(text);
    scene.encoding = encoding;
    if (scene.text.empty()) use_fallback(scene);
    if (scene.text.back() != '\n') scene.text.push_back('\n');
    scene.cursor = 0;
}

void advance_line(SeaScene& scene) {
    if (scene.text.empty()) {
        use_fallback(scene);
        scene.cursor = 0;
    }
    std::int64_t end = -1;
    bool found = false;
    if (scene.cursor >= 0 && static_cast<std::size_t>(scene.cursor) <= scene.text.size()) {
        const std::size_t at =
            find_from(scene.text, "\n", static_cast<std::size_t>(scene.cursor), scene.encoding);
        if (at != std::string::npos) {
            end = static_cast<std::int64_t>(at);
            found = true;
        }
    }
    if (!found) {
        // Past the last line (or lost): the first line follows again.
        scene.cursor = 0;
        const std::size_t first = find_from(scene.text, "\n", 0, scene.encoding);
        end = first == std::string::npos ? -1 : static_cast<std::int64_t>(first);
    }
    clear(scene.particles);
    const std::int64_t length = end - scene.cursor;
    scene.line = length > 0 ? scene.text.substr(static_cast<std::size_t>(scene.cursor),
                                                static_cast<std::size_t>(length))
                            : std::string();
    scene.cursor = static_cast<std::int32_t>(end + 1);
    scene.emit_count = 0;
    scene.lift = 0;
}
