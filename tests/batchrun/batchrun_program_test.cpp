// batchrun run as the wizard runs it: a script file, standard input a pipe that answers
// pause or is closed, and the output collected in a file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/files.h"
#include "support/tmpfs_mount.h"

namespace {

namespace fs = std::filesystem;
using corvane::testing::ReadFile;
using corvane::testing::ScratchFolder;
using corvane::testing::WriteFile;

fs::path BinFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

/// Waits for a file that a detached program writes whole, then reads it.
std::string ReadOnceWritten(const fs::path& path) {
    for (int i = 0; i < 500 && !fs::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ReadFile(path);
}

void ExpectHolds(const std::string& text, const std::string& part) {
    EXPECT_NE(text.find(part), std::string::npos) << "no \"" << part << "\" in:\n" << text;
}

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

class BatchrunTest : public ::testing::Test {
protected:
    /// Runs batchrun on the script file `scriptPath` in `folder_` with its output in a file;
    /// standard input is a pipe that holds `input` and is then closed. `environment` holds
    /// NAME=VALUE words for the run.
    Outcome RunOn(const std::string& scriptPath, const std::string& input = "",
                  const std::string& environment = "") {
        const std::string command =
            "cd '" + folder_.string() + "' && printf '" + input + "' | env " + environment + " '" +
            (BinFolder() / "batchrun").string() + "' '" + scriptPath + "' > output.txt 2>&1";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder_ / "output.txt")};
    }
    Outcome Run(const std::string& script, const std::string& input = "",
                const std::string& environment = "") {
        WriteFile(folder_ / "script.bat", script);
        return RunOn("script.bat", input, environment);
    }
    /// A PATH where xdg-open is the recording program.
    std::string ViewerPath() {
        const fs::path viewerFolder = folder_ / "viewer";
        fs::create_directory(viewerFolder);
        fs::create_symlink(BinFolder() / "recording_program", viewerFolder / "xdg-open");
        return "PATH='" + viewerFolder.string() + ":/usr/bin:/bin'";
    }

    const ScratchFolder scratch_;
    const fs::path folder_ = fs::path(scratch_.path()).parent_path();
    const std::string program_ = (BinFolder() / "recording_program").string();
};

TEST_F(BatchrunTest, RunsEveryKindOfLineAndPassesArgumentsUnchanged) {
    const fs::path work = folder_ / "my runs & more";
    fs::create_directory(work);
    // Saved with a byte order mark, as Windows editors do: the drive line is still one.
    const std::string script = "\xEF\xBB\xBF" + work.string() + ":\r\ncd \"" + work.string() +
                               "\"\r\n\"" + program_ +
                               "\" 0 a&b \"two  words\" ; $HOME `id` 'x' \"\" *\r\n" +
                               "copy recorded.txt copied.txt\r\npause\r\nrem the end\r\npause\r\n";
    // The first pause takes the one line; the second finds the input closed.
    const Outcome outcome = Run(script, "\\n");
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadFile(work / "recorded.txt"),
              work.string() + "\na&b\ntwo  words\n;\n$HOME\n`id`\n'x'\n\n*\n");
    EXPECT_EQ(ReadFile(work / "copied.txt"), ReadFile(work / "recorded.txt"));
    EXPECT_NE(outcome.output.find("recording_program ran"), std::string::npos);
    EXPECT_NE(outcome.output.find("Press any key to continue . . ."), std::string::npos);
}

TEST_F(BatchrunTest, AFailingLineIsReportedAndTheScriptGoesOn) {
    const std::string program = "\"" + program_ + "\" ";
    const std::string script = "copy missing_wxcheck.lst finished.txt\r\ncopy a b c\r\n" + program +
                               "1 first\r\n/no/such/program arg\r\ncd \"/no/such/folder\"\r\n" +
                               program + "0 last\r\n";
    std::string longName = "/no/such/";
    for (int i = 0; i < 250; ++i) {
        longName += "\xC3\xA9";  // é
    }
    const Outcome outcome = Run(script + "cd \"" + longName + "\"\r\n");
    EXPECT_EQ(outcome.status, 1);
    const std::string& out = outcome.output;
    ExpectHolds(out,
                "script.bat, line 1: cannot copy \"missing_wxcheck.lst\" to \"finished.txt\": "
                "cannot open \"missing_wxcheck.lst\": No such file or directory");
    ExpectHolds(out, "line 2: copy needs a source and a target, found 3 names: \"a\" \"b\" \"c\"");
    EXPECT_NE(out.find("line 3: \"" + program_ + "\" ended with exit status 1"), std::string::npos);
    EXPECT_NE(out.find("line 4: cannot start \"/no/such/program\": No such file or directory"),
              std::string::npos);
    EXPECT_NE(out.find("line 5: cannot change to the folder \"/no/such/folder\""),
              std::string::npos);
    // A huge name is cut at a whole character after at most 200 bytes.
    ExpectHolds(out, "line 7: cannot change to the folder \"" + longName.substr(0, 199) + "...\"");
    // The last line still ran, in the folder the script started in.
    EXPECT_EQ(ReadFile(folder_ / "recorded.txt"), folder_.string() + "\nlast\n");
    EXPECT_FALSE(fs::exists(folder_ / "finished.txt"));
}

TEST_F(BatchrunTest, NotepadOpensTheFileInTheViewerOrFailsWithoutOne) {
    const Outcome outcome =
        Run("notepad \"" + folder_.string() + "/a b_wxcheck.lst\"\r\n", "", ViewerPath());
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadOnceWritten(folder_ / "viewed.txt"),
              folder_.string() + "\n" + folder_.string() + "/a b_wxcheck.lst\n");

    const Outcome failed = Run("notepad \"/tmp/x.lst\"\r\n", "", "PATH=/nothing_here");
    EXPECT_EQ(failed.status, 1);
    ExpectHolds(failed.output, "cannot start the viewer xdg-open for \"/tmp/x.lst\"");
}

// Whatever a copy meets, its target is replaced whole or left exactly as it was.
TEST_F(BatchrunTest, ACopyReplacesItsTargetWholeOrNotAtAll) {
    WriteFile(folder_ / "a.txt", "new\n");
    WriteFile(folder_ / "t.txt", "keep\n");
    fs::create_directory(folder_ / "emptydir");
    ASSERT_EQ(::mkfifo((folder_ / "fifo").c_str(), 0600), 0);
    const Outcome failed = Run(
        "copy missing.txt t.txt\r\ncopy fifo t.txt\r\ncopy emptydir t.txt\r\ncopy a.txt fifo\r\n");
    EXPECT_EQ(failed.status, 1);
    for (const char* reason : {
             "line 1: cannot copy \"missing.txt\" to \"t.txt\": cannot open \"missing.txt\": No "
             "such",
             "line 2: cannot copy \"fifo\" to \"t.txt\": \"fifo\" is a named pipe, not a plain "
             "file",
             "line 3: cannot copy \"emptydir\" to \"t.txt\": \"emptydir\" is a folder",
             "line 4: cannot copy \"a.txt\" to \"fifo\": \"fifo\" is a named pipe, not a plain "
             "file; "
             "it is left as it is",
         }) {
        ExpectHolds(failed.output, reason);
    }
    EXPECT_EQ(ReadFile(folder_ / "t.txt"), "keep\n");
    EXPECT_TRUE(fs::is_fifo(folder_ / "fifo"));

    // As the shell does: an existing file is replaced, a folder receives the copy, a link
    // leads to the file replaced; the copy has the source's permissions.
    WriteFile(folder_ / "b.txt", "b\n");
    fs::permissions(folder_ / "b.txt", fs::perms::owner_all | fs::perms::group_read);
    fs::create_symlink("t.txt", folder_ / "link.txt");
    const Outcome copied =
        Run("copy a.txt t.txt\r\ncopy a.txt emptydir\r\ncopy b.txt link.txt\r\n");
    EXPECT_EQ(copied.status, 0) << copied.output;
    EXPECT_EQ(ReadFile(folder_ / "emptydir" / "a.txt"), "new\n");
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.txt"));
    EXPECT_EQ(ReadFile(folder_ / "t.txt"), "b\n");
    EXPECT_EQ(fs::status(folder_ / "t.txt").permissions(),
              fs::status(folder_ / "b.txt").permissions());
}

TEST_F(BatchrunTest, ACopyOnAFullDiskLeavesTheTargetAsItWas) {
    corvane::testing::TmpfsMount disk(64);
    if (!disk.available()) {
        GTEST_SKIP() << disk.error();
    }
    const fs::path target = fs::path(disk.path()) / "finished.txt";
    WriteFile(target, "keep\n");
    WriteFile(folder_ / "big.lst", std::string(256 * 1024, 'x'));
    const Outcome outcome = Run("copy big.lst \"" + target.string() + "\"\r\n");
    EXPECT_EQ(outcome.status, 1);
    ExpectHolds(outcome.output,
                "cannot write \"" + target.string() + "\": No space left on device");
    EXPECT_EQ(ReadFile(target), "keep\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), fs::directory_iterator()), 1);
}

// Only a plain file runs, and only whole lines of it: a line too long or holding a NUL byte
// fails by its number, unseen and unrun; CR alone ends a line; only the run script's drive
// line is skipped.
TEST_F(BatchrunTest, ScriptsRunAsBoundedWholeLinesOfPlainFiles) {
    const Outcome refused = RunOn(folder_.string());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "batchrun: cannot run the script: \"" + folder_.string() +
                                  "\" is a folder, not a plain file\n");
    const std::string program = "\"" + program_ + "\" ";
    const std::string tooLong = std::string(70'000, 'x');
    const Outcome outcome = Run(program + "0 " + tooLong + "\r\ncd /tmp" + std::string(1, '\0') +
                                "/nothere\r\n" + program + "0 cr\r" + program + "4 x:\rC:\r\n" +
                                folder_.string() + ":\r\ncd \"" + folder_.string() + "\"\r\n");
    EXPECT_EQ(outcome.status, 1);
    const std::string& out = outcome.output;
    ExpectHolds(out, "script.bat, line 1: the line is longer than 65536 bytes; it is not run\n");
    EXPECT_EQ(out.find(tooLong.substr(0, 100)), std::string::npos) << "never echoed";
    ExpectHolds(out, "script.bat, line 2: the line holds a NUL byte; it is not run\n");
    ExpectHolds(out, "script.bat, line 4: \"" + program_ + "\" ended with exit status 4\n");
    ExpectHolds(out, "script.bat, line 6: cannot start \"" + folder_.string() + ":\"");
    EXPECT_EQ(out.find("line 5"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(folder_ / "recorded.txt"), folder_.string() + "\nx:\n");
}

// A started program, waited for or detached, gets standard input, output and error only:
// neither the script's descriptor nor one that batchrun inherited.
TEST_F(BatchrunTest, StartedProgramsInheritNoOtherDescriptors) {
    const int stray = ::open("/dev/null", O_RDONLY);  // as a careless parent leaves one open
    const fs::path record = folder_ / "descriptors.txt";
    const Outcome outcome = Run("\"" + program_ + "\" 0\r\nnotepad x.lst\r\n", "",
                                "DESCRIPTOR_RECORD='" + record.string() + "' " + ViewerPath());
    ::close(stray);
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadOnceWritten(folder_ / "viewed.txt"), folder_.string() + "\nx.lst\n");
    EXPECT_TRUE(fs::exists(record));
    EXPECT_EQ(ReadFile(record), "");
}

}  // namespace
