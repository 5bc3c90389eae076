// The settings file's invariants off Windows: a save lands whole or not at
// all, follows a symbolic link to the file it names, never takes a device's
// place or permissions, and cleans up after a save that was cut short.
#include "platform/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/portable/profile/profile.h"
#include "platform/portable/text/codepage.h"
#include "platform/profile_test_folder.h"
#include "platform/shared/settings_profile.h"

namespace {

namespace fs = std::filesystem;

const std::vector<ProfileEntry> both{{"NuvexScr_Text", "new^n"}, {"NuvexScr_Follow", "1"}};

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NUVEX_CODEPAGE", "936", 1);
        portable_reset_code_page();
        path = LocateSettingsFile("Nuvex0_01").path;
    }
    void TearDown() override {
        unsetenv("NUVEX_CODEPAGE");
        portable_reset_code_page();
    }
    ProfileWriteStatus write(const std::vector<ProfileEntry>& entries,
                             ProfileForm form = ProfileForm::ansi) {
        return WriteProfileValues(path, path, "Nuvex0_01", entries, form).status;
    }
    std::size_t entries_in_folder() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(home.folder())) ++n;
        return n;
    }
    TemporaryConfigHome home;
    std::string path;
};

TEST_F(SettingsFileTest, TheFileLivesInTheUsersConfigFolderAndIsReadWhereItIsWritten) {
    const SettingsLocation location = LocateSettingsFile("Nuvex0_01");
    EXPECT_EQ(location.path, home.path("Nuvex0_01"));
    EXPECT_EQ(location.read_path, location.path);
    EXPECT_FALSE(ReadProfileValue(path, "Nuvex0_01", "NuvexScr_Text").found);
    EXPECT_TRUE(ReadProfileValue(path, "Nuvex0_01", "NuvexScr_Text").readable);
}

TEST_F(SettingsFileTest, BothValuesLandInOneReplacementOrNeither) {
    const std::string before = "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\nNuvexScr_Follow=0\r\n";
    home.write("Nuvex0_01", before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        portable_profile_before_rename = [] { kill(getpid(), SIGKILL); };
        write(both);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(home.read("Nuvex0_01"), before);
    EXPECT_EQ(entries_in_folder(), 2u);  // the killed save's temporary file

    // The next save removes what the killed one left and writes both values.
    ASSERT_EQ(write(both), ProfileWriteStatus::written);
    EXPECT_EQ(home.read("Nuvex0_01"),
              "[Nuvex0_01]\r\nNuvexScr_Text=new^n\r\nNuvexScr_Follow=1\r\n");
    EXPECT_EQ(entries_in_folder(), 1u);
}

TEST_F(SettingsFileTest, OnlyTemporaryFilesOfInterruptedSavesAreRemoved) {
    const std::string left = temporary_file_name("Nuvex0_01", 0x0123456789abcdefu);
    const std::string held = temporary_file_name("Nuvex0_01", 42);
    std::string forged = temporary_file_name("Nuvex0_01", 7);
    forged.back() = forged.back() == '0' ? '1' : '0';  // the check does not fit
    home.write(left, "left by a crash");
    home.write(held, "being written");
    const int fd = open(home.path(held).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    // The user's own files, however much they look like leftovers.
    const std::vector<std::string> users = {".Nuvex0_01.backup", ".Nuvex0_01.abcdef",
                                            ".Nuvex0_01.orig01", forged,
                                            temporary_file_name("nuvex.ini", 1)};
    for (const std::string& name : users) home.write(name, "mine");
    const std::string linked = temporary_file_name("Nuvex0_01", 99);
    home.write(linked, "a second name for a file of the user's");
    fs::create_hard_link(home.path(linked), home.path("hard-link"));

    ASSERT_EQ(write(both), ProfileWriteStatus::written);
    EXPECT_FALSE(home.exists(left));
    EXPECT_TRUE(home.exists(held));
    EXPECT_TRUE(home.exists(linked));
    for (const std::string& name : users) EXPECT_EQ(home.read(name), "mine") << name;
    EXPECT_TRUE(is_temporary_file_name(left, "Nuvex0_01"));
    EXPECT_FALSE(is_temporary_file_name(left, "Nuvex0_02"));
    close(fd);
}

TEST_F(SettingsFileTest, AReadOnlyFileIsReportedAndLeftAsItIs) {
    const std::string before = "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\n";
    home.write("Nuvex0_01", before);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ProfileWriteResult result = WriteProfileValues(path, path, "Nuvex0_01", both, {});
    EXPECT_EQ(result.status, ProfileWriteStatus::read_only);
    EXPECT_TRUE(result.file_existed);
    EXPECT_EQ(home.read("Nuvex0_01"), before);
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(entries_in_folder(), 1u);
}

TEST_F(SettingsFileTest, ALinkedFileIsReplacedWhereItLivesAndTheLinkStays) {
    const std::string dotfiles = home.root() + "/dotfiles";
    fs::create_directories(dotfiles);
    fs::create_directories(home.folder());
    { std::ofstream(dotfiles + "/nuvex.ini") << "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\n"; }
    fs::permissions(dotfiles + "/nuvex.ini",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("../dotfiles/nuvex.ini", path);

    ASSERT_EQ(write(both), ProfileWriteStatus::written);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(fs::read_symlink(path), "../dotfiles/nuvex.ini");
    EXPECT_EQ(home.read("Nuvex0_01"),
              "[Nuvex0_01]\r\nNuvexScr_Text=new^n\r\nNuvexScr_Follow=1\r\n");
    EXPECT_EQ(fs::status(dotfiles + "/nuvex.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries_in_folder(), 1u);  // nothing left beside the link
}

TEST_F(SettingsFileTest, ANewFileIsPrivateAndADeviceIsNeverReplaced) {
    ASSERT_EQ(write(both), ProfileWriteStatus::written);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(home.folder()).permissions(), fs::perms::owner_all);

    fs::remove(path);
    fs::create_symlink("/dev/null", path);
    EXPECT_EQ(write(both), ProfileWriteStatus::not_a_file);
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_FALSE(ReadProfileValue(path, "Nuvex0_01", "NuvexScr_Text").readable);

    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(write(both), ProfileWriteStatus::not_a_file);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(entries_in_folder(), 1u);
}

TEST_F(SettingsFileTest, AnAnsiFileBecomesUnicodeOnlyWhenItsBytesAreText) {
    home.write("Nuvex0_01", "[Other]\r\nx=\xc9\xfa\r\n[Nuvex0_01]\r\nNuvexScr_Text=old\r\n");
    // "Ж" (UTF-8) needs the Unicode form; the GBK "生" elsewhere converts.
    ASSERT_EQ(write({{"NuvexScr_Text", "\xd0\x96"}}, ProfileForm::unicode),
              ProfileWriteStatus::written);
    const ProfileRead read = ReadProfileValue(path, "Nuvex0_01", "NuvexScr_Text");
    EXPECT_EQ(read.form, ProfileForm::unicode);
    EXPECT_EQ(read.value, "\xd0\x96");
    EXPECT_EQ(ReadProfileValue(path, "Other", "x").value, "\xe7\x94\x9f");
    // A Unicode file stays Unicode when ANSI text is written to it.
    ASSERT_EQ(write({{"NuvexScr_Follow", "7"}}), ProfileWriteStatus::written);
    EXPECT_EQ(ReadProfileValue(path, "Nuvex0_01", "NuvexScr_Follow").form, ProfileForm::unicode);

    // Bytes that are no text in the code page cannot become Unicode: refused,
    // and the file is left as it was.
    const std::string broken = "[Nuvex0_01]\r\nNuvexScr_Text=\x81\r\n";
    home.write("Nuvex0_01", broken);
    EXPECT_EQ(write({{"NuvexScr_Follow", "1"}}, ProfileForm::unicode),
              ProfileWriteStatus::cannot_convert);
    EXPECT_EQ(home.read("Nuvex0_01"), broken);
}

TEST_F(SettingsFileTest, ProfileIntegersReadAsWindowsReadsThem) {
    EXPECT_EQ(static_cast<int>(ProfileInteger("  -12abc", 9)), -12);
    EXPECT_EQ(static_cast<int>(ProfileInteger("", 9)), 9);
    EXPECT_EQ(static_cast<int>(ProfileInteger("abc", 9)), 0);
    EXPECT_EQ(ProfileInteger("99999999999", 0), 1215752191u);  // wraps at 2^32
}

}  // namespace
