#include "text/builtin_strings.h"

namespace {
encoded_text fallback{fallback_message_gbk, text_encoding::ansi};
encoded_text default_text{default_message_gbk, text_encoding::ansi};
}  // namespace

const encoded_text& fallback_message() {
    return fallback;
}
const encoded_text& default_message() {
    return default_text;
}
const std::string& message_face() {
    return message_face_utf8;
}

void convert_builtin_strings(encoded_text (*from_gbk)(std::string_view)) {
    fallback = from_gbk(fallback_message_gbk);
    default_text = from_gbk(default_message_gbk);
}
