// The installed tree as a user gets it: `cmake --install` into a temporary DESTDIR under a
// prefix of its own, then the installed programs run from there, with nothing of the build
// folder beside them.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/shell_command.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

const std::string kAppId = CORVANE_APP_ID;

/// The value of `key` in the desktop entry's text; empty when it has none.
std::string DesktopValue(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "corvane_install_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            install_.output = "cannot make a folder " + pattern;  // never install into /
            return;
        }
        destdir_ = pattern;
        install_ = RunShellCommand("DESTDIR=" + ShellQuoted(destdir_) + " " +
                                   ShellQuoted(CORVANE_CMAKE) + " --install " +
                                   ShellQuoted(CORVANE_BUILD_DIR) + " --prefix /opt/corvane 2>&1");
    }
    static void TearDownTestSuite() {
        if (!destdir_.empty()) {
            fs::remove_all(destdir_);
        }
    }

    void SetUp() override { ASSERT_EQ(install_.status, 0) << install_.output; }

    static fs::path Prefix() { return fs::path(destdir_) / "opt/corvane"; }
    static fs::path Program(const std::string& name) { return Prefix() / "bin" / name; }

    /// A copy of examples/ in a new folder of the DESTDIR, outside the prefix.
    static fs::path CopyOfExamples(const std::string& name) {
        const fs::path folder = fs::path(destdir_) / name;
        fs::copy(CORVANE_SOURCE_DIR "/examples", folder, fs::copy_options::recursive);
        return folder;
    }

    static std::string destdir_;
    static CommandResult install_;
};

std::string InstallTest::destdir_;
CommandResult InstallTest::install_;

TEST_F(InstallTest, PutsProgramsPagesDataAndIconsInTheUsualPlaces) {
    // bin/ holds the programs alone: no test helper, no data file beside them.
    std::set<std::string> expected;
    std::stringstream programs(CORVANE_INSTALLED_PROGRAMS);
    for (std::string program; std::getline(programs, program, '|');) {
        expected.insert(program);
        const std::string page = ReadFile(Prefix() / "share/man/man1" / (program + ".1.gz"));
        EXPECT_EQ(page.substr(0, 2), "\x1f\x8b") << program << " has no gzipped manual page";
    }
    std::set<std::string> inBin;
    for (const fs::directory_entry& entry : fs::directory_iterator(Prefix() / "bin")) {
        inBin.insert(entry.path().filename().string());
    }
    EXPECT_EQ(inBin, expected);

    EXPECT_EQ(ReadFile(Prefix() / "share/corvane/TimeZones.txt"),
              ReadFile(CORVANE_SOURCE_DIR "/data/TimeZones.txt"));
    for (const char* document : {"copyright", "changelog.gz", "examples/wxcheck.inp"}) {
        EXPECT_TRUE(fs::is_regular_file(Prefix() / "share/doc/corvane" / document)) << document;
    }

    // The menu's command and icon are installed (lintian checks the PNG sizes).
    const std::string entry = ReadFile(Prefix() / "share/applications" / (kAppId + ".desktop"));
    EXPECT_TRUE(fs::is_regular_file(Program(DesktopValue(entry, "Exec"))));
    ASSERT_EQ(DesktopValue(entry, "Icon"), kAppId);
    const fs::path icons = Prefix() / "share/icons/hicolor";
    EXPECT_TRUE(fs::is_regular_file(icons / "scalable/apps" / (kAppId + ".svg")));
    for (const char* size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
        EXPECT_TRUE(fs::is_regular_file(icons / size / "apps" / (kAppId + ".png"))) << size;
    }
}

TEST_F(InstallTest, DesktopEntryAndMetainfoPassTheirValidators) {
    const CommandResult desktop = RunShellCommand(
        "desktop-file-validate " +
        ShellQuoted((Prefix() / "share/applications" / (kAppId + ".desktop")).string()) + " 2>&1");
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");

    // The whole tree: the metainfo, and the desktop entry it names beside it.
    const CommandResult metainfo = RunShellCommand("appstreamcli validate-tree --no-net " +
                                                   ShellQuoted(Prefix().string()) + " 2>&1");
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;
    EXPECT_EQ(metainfo.output.find("W: "), std::string::npos) << metainfo.output;
    EXPECT_NE(metainfo.output.find(kAppId + ".metainfo.xml"), std::string::npos) << metainfo.output;
}

TEST_F(InstallTest, InstalledEngineEvaluatesTheExamples) {
    const fs::path work = CopyOfExamples("engine");
    const CommandResult run =
        RunShellCommand("cd " + ShellQuoted(work.string()) + " && " +
                        ShellQuoted(Program("wxcheck").string()) + " </dev/null 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    for (const char* output :
         {"example_wxcheck.lst", "example_HourlyWindStats.dat", "example_HourlyTeHuStats.dat",
          "example_DailyWindStats.dat", "example_DailyTeHuStats.dat"}) {
        EXPECT_GT(fs::file_size(work / output), 0U) << output;
    }
}

TEST_F(InstallTest, InstalledWizardReadsTheZoneTableFromItsDataFolder) {
    ASSERT_FALSE(fs::exists(Program("TimeZones.txt")));
    const fs::path work = CopyOfExamples("wizard");
    // The probe is not built with the sanitizers: let a sanitizer build's corvane take it.
    const CommandResult run =
        RunShellCommand("cd " + ShellQuoted(work.string()) +
                        " && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=verify_asan_link_order=0"
                        " LD_PRELOAD=" +
                        ShellQuoted(CORVANE_WIZARD_PROBE) + " CORVANE_PROBE_SERIES=" +
                        ShellQuoted((work / "st001_prd.tsf").string()) + " timeout -s KILL 120 " +
                        ShellQuoted(Program("corvane").string()) + " </dev/null 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("zones: 38\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("zone: (UTC+00:00) Coordinated Universal Time"), std::string::npos)
        << run.output;
}

TEST_F(InstallTest, InstalledWizardAnswersHelpAndVersionWithoutADisplay) {
    // The X11 platform without a display would end the program; these two never start it.
    const std::string corvane = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " +
                                ShellQuoted(Program("corvane").string());
    const CommandResult version = RunShellCommand(corvane + " --version 2>&1");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "corvane " CORVANE_VERSION "\n");
    const CommandResult help = RunShellCommand(corvane + " --help 2>&1");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: corvane\n", 0), 0U) << help.output;
}

}  // namespace
}  // namespace corvane::testing
