// The portable profile functions behave as Windows' do on the saver's INI file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/portable/profile/profile.h"
#include "platform/portable/text/codepage.h"
#include "platform/profile_test_folder.h"
#include "platform/win32.h"
#include "support/profile_edges.h"

namespace {

constexpr const char* file = "Nuvex0_01";

std::string read_value(const char* section, const char* key, const char* fallback = "<default>",
                       DWORD size = 256) {
    std::string buffer(size, '\x7f');
    const DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file);
    EXPECT_EQ(buffer[n], '\0');
    return buffer.substr(0, n);
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NUVEX_CODEPAGE", "65001", 1);
        portable_reset_code_page();
    }
    void TearDown() override {
        unsetenv("NUVEX_CODEPAGE");
        portable_reset_code_page();
    }
    TemporaryConfigHome home;
};

TEST_F(ProfileTest, AbsentFileSectionOrKeyGivesTheDefaultAndAnEmptyValueGivesEmpty) {
    EXPECT_EQ(read_value("S", "k"), "<default>");
    EXPECT_FALSE(home.exists(file));  // reading never creates the file

    home.write(file, "[S]\r\nempty=\r\nblank=   \r\nk=v\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(read_value("Missing", "k"), "<default>");
    EXPECT_EQ(read_value("S", "missing"), "<default>");
    EXPECT_EQ(read_value("S", "x"), "<default>");  // keys belong to their own section
    EXPECT_EQ(read_value("S", "empty"), "");
    EXPECT_EQ(read_value("S", "blank"), "");
    EXPECT_EQ(read_value("S", "k"), "v");
    // A null default reads as empty; trailing blanks of a default are dropped.
    EXPECT_EQ(read_value("S", "missing", nullptr), "");
    EXPECT_EQ(read_value("S", "missing", "dflt  "), "dflt");
}

// The edges of the file's text as Windows reads them (the same table is read
// with Windows' own functions under Wine).
TEST_F(ProfileTest, ReadsTheEdgesOfTheTextAsWindowsDoes) {
    for (const ProfileEdge& edge : profile_edges) {
        home.write(file, edge.file);
        EXPECT_EQ(read_value(edge.section, edge.key), edge.value ? edge.value : "<default>")
            << edge.what;
    }
}

TEST_F(ProfileTest, ReadsAtMostCountLessOneBytes) {
    home.write(file, "[S]\r\nk=abcdef\r\n");
    EXPECT_EQ(read_value("S", "k", "", 4), "abc");
    EXPECT_EQ(read_value("S", "k", "", 7), "abcdef");
    char one[1] = {'x'};
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", one, 1, file), 0u);
    EXPECT_EQ(one[0], '\0');
}

TEST_F(ProfileTest, IntegersReadALeadingSignedDecimalNumber) {
    home.write(file,
               "[S]\r\na=5\r\nb=  "
               "-12abc\r\nc=+7\r\nd=abc\r\ne=\r\nf=4294967297\r\ng=0x10\r\nh=\"42\"\r\n");
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "a", 9, file)), 5);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "b", 9, file)), -12);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "c", 9, file)), 7);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "d", 9, file)), 0);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "e", 9, file)), 9);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "f", 9, file)), 1);  // wraps at 2^32
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "g", 9, file)), 0);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "h", 9, file)), 42);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("S", "missing", -3, file)), -3);
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("Missing", "a", 0, file)), 0);
}

TEST_F(ProfileTest, FirstWriteCreatesFolderFileSectionAndKeyWithWindowsLineEndings) {
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Text", "a^nb^n", file));
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Follow", "0", file));
    // Exactly the given name: no extension is added.
    EXPECT_EQ(home.read(file), "[Nuvex0_01]\r\nNuvexScr_Text=a^nb^n\r\nNuvexScr_Follow=0\r\n");
    EXPECT_EQ(read_value("Nuvex0_01", "NuvexScr_Text"), "a^nb^n");
    // Nothing else is left in the folder (no temporary files).
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.folder())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileTest, WritesChangeOneLineAndKeepEverythingElseByteForByte) {
    const std::string before =
        "; saved by hand\r\n"
        "[First]\r\n"
        "keep = this \r\n"
        "\r\n"
        "[nuvex0_01]\r\n"
        "; a comment inside\r\n"
        "NuvexScr_Text=old\r\n"
        "other=1\r\n"
        "\r\n"
        "[Last]\n"  // one line ending differs and must stay as it is
        "z=9";      // no final line break
    home.write(file, before);

    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "nuvexscr_text", "new value", file));
    std::string expected = before;
    expected.replace(expected.find("NuvexScr_Text=old"), 17, "NuvexScr_Text=new value");
    EXPECT_EQ(home.read(file), expected);

    // A new key goes after the section's last non-blank line.
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Follow", "1", file));
    expected.insert(expected.find("other=1\r\n") + 9, "NuvexScr_Follow=1\r\n");
    EXPECT_EQ(home.read(file), expected);

    // A key added to the last section, which ends without a line break.
    ASSERT_TRUE(WritePrivateProfileStringA("Last", "y", "8", file));
    expected += "\r\ny=8\r\n";
    EXPECT_EQ(home.read(file), expected);

    // A new section at the end.
    ASSERT_TRUE(WritePrivateProfileStringA("New", "k", "v", file));
    expected += "[New]\r\nk=v\r\n";
    EXPECT_EQ(home.read(file), expected);
}

TEST_F(ProfileTest, FilesWithUnixLineEndingsGetUnixLineEndings) {
    home.write(file, "[S]\nk=1\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "j", "2", file));
    ASSERT_TRUE(WritePrivateProfileStringA("T", "k", "3", file));
    EXPECT_EQ(home.read(file), "[S]\nk=1\nj=2\n[T]\nk=3\n");
}

TEST_F(ProfileTest, NullValueDeletesAKeyAndNullKeyDeletesASection) {
    home.write(file, "[A]\r\nk=1\r\nj=2\r\n[B]\r\nx=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", nullptr, file));
    EXPECT_EQ(home.read(file), "[A]\r\nj=2\r\n[B]\r\nx=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", nullptr, nullptr, file));
    EXPECT_EQ(home.read(file), "[B]\r\nx=3\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Missing", "k", nullptr, file));
    EXPECT_EQ(home.read(file), "[B]\r\nx=3\r\n");
}

TEST_F(ProfileTest, NullSectionOrKeyListsTheNames) {
    home.write(file, "[A]\r\nk=1\r\nj=2\r\n[B]\r\n");
    char buffer[32];
    DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, file);
    EXPECT_EQ(std::string(buffer, n + 1), std::string("A\0B\0\0", 5));
    n = GetPrivateProfileStringA("a", nullptr, "", buffer, sizeof buffer, file);
    EXPECT_EQ(std::string(buffer, n + 1), std::string("k\0j\0\0", 5));
}

TEST_F(ProfileTest, AValueIsOneLine) {
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "two\nlines", file));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "two\rlines", file));
    EXPECT_FALSE(home.exists(file));
}

TEST_F(ProfileTest, ATenMegabyteLineIsReadUpToTheCount) {
    const std::string huge(10 * 1024 * 1024, 'x');
    home.write(file, "[S]\r\nbig=" + huge + "\r\nafter=ok\r\n");
    const std::string value = read_value("S", "big", "", 4095);
    EXPECT_EQ(value.size(), 4094u);
    EXPECT_EQ(read_value("S", "after"), "ok");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "after", "changed", file));
    EXPECT_EQ(home.read(file), "[S]\r\nbig=" + huge + "\r\nafter=changed\r\n");
}

TEST_F(ProfileTest, BinaryGarbageGivesDefaultsAndSurvivesAWrite) {
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
    garbage.erase(std::remove(garbage.begin(), garbage.end(), '['), garbage.end());
    home.write(file, garbage);
    EXPECT_EQ(read_value("Nuvex0_01", "NuvexScr_Text"), "<default>");
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("Nuvex0_01", "NuvexScr_Follow", 0, file)), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Follow", "1", file));
    EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("Nuvex0_01", "NuvexScr_Follow", 0, file)), 1);
    EXPECT_EQ(home.read(file).substr(0, garbage.size()), garbage);
}

TEST_F(ProfileTest, AFolderThatCannotBeWrittenFailsTheWriteAndKeepsTheFile) {
    // A file where the settings folder should be: no folder can be made there,
    // whatever the user's rights (the tests may run as root).
    std::ofstream(home.folder()) << "not a folder";
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", file));
    EXPECT_EQ(read_value("S", "k"), "<default>");
}

TEST_F(ProfileTest, AFileThatCannotBeReadIsNotReplaced) {
    const std::string before = "[Other]\r\nprecious=1\r\n";
    home.write(file, before);
    std::filesystem::permissions(home.path(file), std::filesystem::perms::none);
    // Root reads every file, so as root the attempt runs in a child process
    // that has become an ordinary user owning the folder.
    const bool root = geteuid() == 0;
    if (root) {
        std::filesystem::permissions(home.root(), std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
        ASSERT_EQ(chown(home.folder().c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(home.path(file).c_str(), 65534, 65534), 0);
    }
    const pid_t child = root ? fork() : 0;
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        char value[16];
        const DWORD n = GetPrivateProfileStringA("S", "k", "dflt", value, sizeof value, file);
        const bool defaulted = std::string(value, n) == "dflt";
        const bool refused = !WritePrivateProfileStringA("S", "k", "v", file);
        if (!root) {
            EXPECT_TRUE(defaulted);
            EXPECT_TRUE(refused);
        } else {
            _exit(defaulted && refused ? 0 : 1);
        }
    } else {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::filesystem::permissions(home.path(file), std::filesystem::perms::owner_read);
    EXPECT_EQ(home.read(file), before);
}

TEST_F(ProfileTest, AWriteKilledBeforeTheRenameLeavesTheOldFileWhole) {
    const std::string before = "[Nuvex0_01]\r\nNuvexScr_Text=old^n\r\nNuvexScr_Follow=0\r\n";
    home.write(file, before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        portable_profile_before_rename = [] { kill(getpid(), SIGKILL); };
        WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Text", std::string(100000, 'n').c_str(),
                                   file);
        _exit(0);  // not reached: the kill comes first
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(home.read(file), before);
    EXPECT_EQ(read_value("Nuvex0_01", "NuvexScr_Text"), "old^n");
    // The next write still works and replaces the file.
    ASSERT_TRUE(WritePrivateProfileStringA("Nuvex0_01", "NuvexScr_Text", "new^n", file));
    EXPECT_EQ(read_value("Nuvex0_01", "NuvexScr_Text"), "new^n");
}

TEST_F(ProfileTest, DoubleByteNamesFoldOnlyTheirSingleByteCharacters) {
    setenv("NUVEX_CODEPAGE", "936", 1);
    portable_reset_code_page();
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters whose trail
    // bytes happen to be 'A' and 'a'.
    home.write(file, "[\x81\x41x]\r\nk=1\r\n");
    EXPECT_EQ(read_value("\x81\x41X", "K"), "1");
    EXPECT_EQ(read_value("\x81\x61x", "k"), "<default>");
}

TEST_F(ProfileTest, BareNamesResolveInTheSettingsFolder) {
    EXPECT_EQ(portable_profile_path("Nuvex0_01"), home.root() + "/nuvex/Nuvex0_01");
    char folder[512];
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    EXPECT_EQ(std::string(folder, n), home.root() + "/nuvex");
    EXPECT_EQ(GetWindowsDirectoryA(folder, 3), n + 1);  // too small: the size needed

    unsetenv("XDG_CONFIG_HOME");
    const char* user = getenv("HOME");
    if (user && user[0]) {
        EXPECT_EQ(portable_profile_folder(), std::string(user) + "/.config/nuvex");
    }
    setenv("XDG_CONFIG_HOME", home.root().c_str(), 1);
}

}  // namespace
