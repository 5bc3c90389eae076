#include "text/message.h"

#include "scene/sea_scene.h"
#include "text/builtin_strings.h"
#include "text/byte_string.h"

void set_message(SeaScene& scene, std::string stored) {
    std::string text = replace_all(stored, "^n", "\n");
    text = replace_all(text, "\r", "");
    if (text.empty()) text = fallback_message();
    if (text.back() != '\n') text.push_back('\n');
    scene.text = std::move(text);
    scene.cursor = 0;
}

void advance_line(SeaScene& scene) {
    if (scene.text.empty()) {
        scene.text = fallback_message();
        scene.cursor = 0;
    }
    std::int64_t end = -1;
    bool found = false;
    if (scene.cursor >= 0 && static_cast<std::size_t>(scene.cursor) <= scene.text.size()) {
        const std::size_t at = find_from(scene.text, "\n", static_cast<std::size_t>(scene.cursor));
        if (at != std::string::npos) {
            end = static_cast<std::int64_t>(at);
            found = true;
        }
    }
    if (!found) {
        scene.cursor = 0;
        const std::size_t first = find_from(scene.text, "\n", 0);
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
