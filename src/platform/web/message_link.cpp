#include "platform/web/message_link.h"

#include <cstdint>

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// The six bits of a base64 digit; both alphabets are read, since a link may
// have been written with the ordinary one. -1 for anything else.
int digit_value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-' || c == '+') return 62;
    if (c == '_' || c == '/') return 63;
    return -1;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A parameter's value with its %XX escapes resolved (a mail program may have
// escaped the padding); a "%" without two hex digits stays as it is.
std::string unescape(std::string_view value) {
    std::string out;
    for (std::size_t k = 0; k < value.size(); ++k) {
        if (value[k] == '%' && k + 2 < value.size()) {
            const int high = hex_value(value[k + 1]);
            const int low = hex_value(value[k + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                k += 2;
                continue;
            }
        }
        out.push_back(value[k]);
    }
    return out;
}

}  // namespace

bool valid_utf8(std::string_view bytes) {
    std::size_t k = 0;
    while (k < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[k]);
        if (lead < 0x80) {
            ++k;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t c = 0;
        std::uint32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, smallest = 0x10000;
        } else {
            return false;
        }
        if (k + length > bytes.size()) return false;
        for (std::size_t n = 1; n < length; ++n) {
            const auto next = static_cast<unsigned char>(bytes[k + n]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no text.
        if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
        k += length;
    }
    return true;
}

std::string base64url_encode(std::string_view bytes) {
    const auto byte = [&](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k]));
    };
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t k = 0;
    for (; k + 3 <= bytes.size(); k += 3) {
        const std::uint32_t v = byte(k) << 16 | byte(k + 1) << 8 | byte(k + 2);
        out.push_back(alphabet[v >> 18]);
        out.push_back(alphabet[(v >> 12) & 63]);
        out.push_back(alphabet[(v >> 6) & 63]);
        out.push_back(alphabet[v & 63]);
    }
    // The last one or two bytes, without padding: the length says how many.
    const std::size_t rest = bytes.size() - k;
    if (rest > 0) {
        const std::uint32_t v = byte(k) << 16 | (rest == 2 ? byte(k + 1) << 8 : 0);
        out.push_back(alphabet[v >> 18]);
        out.push_back(alphabet[(v >> 12) & 63]);
        if (rest == 2) out.push_back(alphabet[(v >> 6) & 63]);
    }
    return out;
}

bool base64url_decode(std::string_view text, std::string& bytes) {
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    if (text.size() % 4 == 1) return false;  // no byte ends after a single digit
    bytes.clear();
    bytes.reserve(text.size() * 3 / 4);
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        const int value = digit_value(c);
        if (value < 0) return false;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<char>((bits >> held) & 0xFF));
        }
    }
    return true;
}

std::string stored_form(std::string_view text) {
    std::string stored;
    stored.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            stored += "^n";
        } else {
            stored.push_back(c);
        }
    }
    return stored;
}

message_problem check_message(std::string_view text, std::size_t& size) {
    size = stored_form(text).size();
    if (!valid_utf8(text) || text.find('\0') != std::string_view::npos) {
        return message_problem::not_text;
    }
    if (size > web_message_limit) return message_problem::too_long;
    return message_problem::none;
}

link_message read_fragment(std::string_view fragment) {
    link_message link;
    bool follow_given = false;
    bool follow = false;
    while (!fragment.empty()) {
        const std::size_t end = fragment.find('&');
        const std::string_view part = fragment.substr(0, end);
        fragment = end == std::string_view::npos ? std::string_view{} : fragment.substr(end + 1);
        const std::size_t equals = part.find('=');
        const std::string_view key = part.substr(0, equals);
        const std::string value =
            equals == std::string_view::npos ? std::string{} : unescape(part.substr(equals + 1));
        if (key == "m") {
            link.given = true;
            if (!base64url_decode(value, link.text)) {
                link.text.clear();
                link.problem = message_problem::bad_base64;
            }
        } else if (key == "follow") {
            follow_given = true;
            if (value == "1") {
                follow = true;
            } else if (value != "0" && link.problem == message_problem::none) {
                link.problem = message_problem::bad_follow;
            }
        }
    }
    if (link.given && link.problem != message_problem::bad_base64) {
        const message_problem text_problem = check_message(link.text, link.size);
        if (text_problem == message_problem::not_text) link.text.clear();
        if (text_problem != message_problem::none) link.problem = text_problem;
    }
    // A link decides the drift itself; without a message the saver's default
    // (drifting) holds unless the link says otherwise.
    link.drift = link.given || follow_given ? follow : true;
    return link;
}

std::string fragment_for(std::string_view text, bool drift) {
    std::string fragment = "m=" + base64url_encode(text);
    if (drift) fragment += "&follow=1";
    return fragment;
}
