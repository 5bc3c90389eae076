// Runs a block under a forced ANSI code page and restores what was there.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/portable/text/codepage.h"

class CodePageScope {
public:
    explicit CodePageScope(const char* page) {
        const char* forced = std::getenv("NUVEX_CODEPAGE");
        had_ = forced != nullptr;
        saved_ = forced ? forced : "";
        setenv("NUVEX_CODEPAGE", page, 1);
        portable_reset_code_page();
    }
    ~CodePageScope() {
        if (had_) {
            setenv("NUVEX_CODEPAGE", saved_.c_str(), 1);
        } else {
            unsetenv("NUVEX_CODEPAGE");
        }
        portable_reset_code_page();
    }
    CodePageScope(const CodePageScope&) = delete;
    CodePageScope& operator=(const CodePageScope&) = delete;

private:
    bool had_ = false;
    std::string saved_;
};
