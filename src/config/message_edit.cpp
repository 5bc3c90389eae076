#include "config/message_edit.h"

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "config/text_conversion.h"
#include "text/builtin_strings.h"

namespace {

// Above this many line pairs the comparison pairs lines by position only.
constexpr std::size_t max_compared_pairs = std::size_t{1} << 22;

constexpr WCHAR zero_symbol = 0x2400;    // "␀"
constexpr WCHAR return_symbol = 0x240D;  // "␍"

wide_text without_returns(const wide_text& text) {
    wide_text out;
    out.reserve(text.size());
    for (WCHAR c : text) {
        if (c != '\r') out.push_back(c);
    }
    return out;
}

std::vector<wide_text> split_lines(const wide_text& text) {
    std::vector<wide_text> lines(1);
    for (WCHAR c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    return lines;
}

// For each new line, the index of the old line it is the unchanged copy of, or
// -1: a longest common subsequence of the two lists of lines. The lines that
// open and close both lists alike are paired first (some longest common
// subsequence always pairs them), so that only the part between, where the
// user typed, is compared pair by pair.
std::vector<std::ptrdiff_t> match_lines(const std::vector<wide_text>& now,
                                        const std::vector<wide_text>& before) {
    std::vector<std::ptrdiff_t> match(now.size(), -1);
    std::size_t head = 0;
    while (head < now.size() && head < before.size() && now[head] == before[head]) {
        match[head] = static_cast<std::ptrdiff_t>(head);
        ++head;
    }
    std::size_t tail = 0;
    while (head + tail < now.size() && head + tail < before.size() &&
           now[now.size() - 1 - tail] == before[before.size() - 1 - tail]) {
        match[now.size() - 1 - tail] = static_cast<std::ptrdiff_t>(before.size() - 1 - tail);
        ++tail;
    }
    const std::size_t n = now.size() - head - tail;
    const std::size_t m = before.size() - head - tail;
    const auto pair = [&](std::size_t i, std::size_t j) {
        match[head + i] = static_cast<std::ptrdiff_t>(head + j);
    };
    const auto same = [&](std::size_t i, std::size_t j) {
        return now[head + i] == before[head + j];
    };
    if (n * m > max_compared_pairs) {
        for (std::size_t i = 0; i < n && i < m; ++i) {
            if (same(i, i)) pair(i, i);
        }
        return match;
    }
    // common[i][j]: the longest common run of the middle's now[i..] and before[j..].
    std::vector<std::uint32_t> common((n + 1) * (m + 1), 0);
    const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            common[at(i, j)] = same(i, j) ? common[at(i + 1, j + 1)] + 1
                                          : std::max(common[at(i + 1, j)], common[at(i, j + 1)]);
        }
    }
    for (std::size_t i = 0, j = 0; i < n && j < m;) {
        if (same(i, j)) {
            pair(i++, j++);
        } else if (common[at(i + 1, j)] >= common[at(i, j + 1)]) {
            ++i;
        } else {
            ++j;
        }
    }
    return match;
}

// A stored line as the edit box shows it, with a zero or a lone "\r" shown
// as its symbol, so that the line compares equal to itself when the user
// leaves it as it was.
wide_text shown_line(const std::string& line, text_encoding encoding, bool& marked) {
    wide_text wide = to_wide(line, encoding);
    for (WCHAR& c : wide) {
        if (c == 0 || c == '\r') {
            c = c == 0 ? zero_symbol : return_symbol;
            marked = true;
        }
    }
    return wide;
}

}  // namespace

wide_text edit_text_for(const encoded_text& stored, bool& clean, bool& marked) {
    clean = stored.encoding == text_encoding::utf8 || ansi_decodes(stored.bytes);
    marked = false;
    wide_text text;
    const std::vector<std::string> lines = stored_lines(stored);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += {WCHAR{'\r'}, WCHAR{'\n'}};
        text += shown_line(lines[i], stored.encoding, marked);
    }
    return text;
}

wide_text edit_text_for(const encoded_text& stored, bool& clean) {
    bool marked = false;
    return edit_text_for(stored, clean, marked);
}

EditedMessage stored_from_edit(const wide_text& edited, const encoded_text& before) {
    EditedMessage result;
    const wide_text text = without_returns(edited);
    if (text.empty()) {
        result.stored = default_message();
        return result;
    }
    const std::vector<wide_text> now = split_lines(text);
    const std::vector<std::string> kept = stored_lines(before);
    std::vector<wide_text> shown;
    shown.reserve(kept.size());
    bool marked = false;
    for (const std::string& line : kept) shown.push_back(shown_line(line, before.encoding, marked));
    const std::vector<std::ptrdiff_t> match = match_lines(now, shown);

    // Each line's bytes: the stored ones where unchanged, else newly encoded.
    std::vector<encoded_text> pieces;
    pieces.reserve(now.size());
    bool utf8 = before.encoding == text_encoding::utf8;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (match[i] >= 0) {
            pieces.push_back({kept[static_cast<std::size_t>(match[i])], before.encoding});
        } else {
            pieces.push_back(encode_text(now[i]));
            utf8 = utf8 || pieces.back().encoding == text_encoding::utf8;
        }
    }
    result.stored.encoding = utf8 ? text_encoding::utf8 : text_encoding::ansi;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result.stored.bytes += "^n";
        const encoded_text& piece = pieces[i];
        if (!utf8 || piece.encoding == text_encoding::utf8) {
            result.stored.bytes += piece.bytes;
        } else if (ansi_decodes(piece.bytes)) {
            result.stored.bytes += utf8_from_wide(to_wide(piece.bytes, text_encoding::ansi));
        } else if (result.untextual_line == 0) {
            result.untextual_line = i + 1;
        }
    }
    return result;
}
