// Runs a block with the locale variables that choose the interface language
// (LC_ALL, LC_MESSAGES, LANG) set as given, and restores what was there.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class LocaleScope {
public:
    // Null leaves a variable unset.
    LocaleScope(const char* all, const char* messages, const char* lang) {
        set(0, all);
        set(1, messages);
        set(2, lang);
    }
    // The messages' locale alone (LC_ALL cleared, so that it does not hide it).
    explicit LocaleScope(const char* messages) : LocaleScope(nullptr, messages, nullptr) {}
    ~LocaleScope() {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) {
                setenv(names_[i], saved_[i]->c_str(), 1);
            } else {
                unsetenv(names_[i]);
            }
        }
    }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    void set(int i, const char* value) {
        if (const char* old = std::getenv(names_[i])) saved_[i] = old;
        if (value) {
            setenv(names_[i], value, 1);
        } else {
            unsetenv(names_[i]);
        }
    }
    static constexpr const char* names_[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved_[3];
};
