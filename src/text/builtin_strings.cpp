#include "text/builtin_strings.h"

namespace {
std::string fallback = fallback_message_gbk;
std::string default_text = default_message_gbk;
std::string face = message_face_gbk;
}  // namespace

const std::string& fallback_message() { return fallback; }
const std::string& default_message() { return default_text; }
const std::string& message_face() { return face; }

void convert_builtin_strings(std::string (*from_gbk)(std::string_view)) {
    fallback = from_gbk(fallback_message_gbk);
    default_text = from_gbk(default_message_gbk);
    face = from_gbk(message_face_gbk);
}
