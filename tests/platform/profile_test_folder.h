// A fresh settings folder per test: XDG_CONFIG_HOME points into a new
// temporary directory, removed again afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TemporaryConfigHome {
public:
    TemporaryConfigHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "nuvex-test-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        saved_ = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        had_ = std::getenv("XDG_CONFIG_HOME") != nullptr;
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~TemporaryConfigHome() {
        std::error_code ignored;
        std::filesystem::permissions(folder(), std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
        if (had_) {
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    std::string root() const { return root_; }
    std::string folder() const { return root_ + "/nuvex"; }
    std::string path(const std::string& name) const { return folder() + "/" + name; }

    void write(const std::string& name, const std::string& contents) const {
        std::filesystem::create_directories(folder());
        std::ofstream(path(name), std::ios::binary) << contents;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

private:
    std::string root_;
    std::string saved_;
    bool had_ = false;
};
