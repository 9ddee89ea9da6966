// batchrun run as the wizard runs it: a script file, output through a pipe, and a
// standard input that answers pause or is closed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path BinFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

class BatchrunTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/batchrun_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        program_ = (BinFolder() / "recording_program").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    /// Runs batchrun on `script` in `folder_`; `input` is what standard input holds before
    /// it is closed. `path`, when given, replaces PATH.
    Outcome Run(const std::string& script, const std::string& input = "",
                const std::string* path = nullptr) {
        const fs::path scriptPath = folder_ / "script.bat";
        WriteFile(scriptPath, script);
        const fs::path outputPath = folder_ / "output.txt";
        int toChild[2];
        EXPECT_EQ(::pipe(toChild), 0);
        const std::string batchrun = (BinFolder() / "batchrun").string();
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(toChild[0], STDIN_FILENO);
            ::close(toChild[0]);
            ::close(toChild[1]);
            const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            if (::chdir(folder_.c_str()) != 0) {
                ::_exit(100);
            }
            if (path != nullptr) {
                ::setenv("PATH", path->c_str(), 1);
            }
            ::execl(batchrun.c_str(), "batchrun", scriptPath.c_str(), nullptr);
            ::_exit(101);
        }
        ::close(toChild[0]);
        if (!input.empty()) {
            EXPECT_EQ(::write(toChild[1], input.data(), input.size()),
                      static_cast<ssize_t>(input.size()));
        }
        ::close(toChild[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        Outcome outcome;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.output = ReadFile(outputPath);
        return outcome;
    }

    fs::path folder_;
    std::string program_;
};

TEST_F(BatchrunTest, RunsEveryKindOfLineAndPassesArgumentsUnchanged) {
    const fs::path work = folder_ / "my runs & more";
    fs::create_directory(work);
    const std::string script = work.string() +
                               ":\r\n"
                               "cd \"" +
                               work.string() +
                               "\"\r\n"
                               "\"" +
                               program_ +
                               "\" 0 a&b \"two  words\" ; $HOME `id` 'x' \"\" *\r\n"
                               "copy recorded.txt copied.txt\r\n"
                               "pause\r\n"
                               "rem the end\r\n";
    const Outcome outcome = Run(script, "\n");
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(ReadFile(work / "recorded.txt"),
              work.string() + "\na&b\ntwo  words\n;\n$HOME\n`id`\n'x'\n\n*\n");
    EXPECT_EQ(ReadFile(work / "copied.txt"), ReadFile(work / "recorded.txt"));
    EXPECT_NE(outcome.output.find("recording_program ran"), std::string::npos);
    EXPECT_NE(outcome.output.find("Press any key to continue . . ."), std::string::npos);
}

TEST_F(BatchrunTest, AFailingLineIsReportedAndTheScriptGoesOn) {
    const std::string script =
        "copy missing_wxcheck.lst finished.txt\r\n"
        "copy a b c\r\n"
        "\"" +
        program_ +
        "\" 3 first\r\n"
        "/no/such/program arg\r\n"
        "cd \"/no/such/folder\"\r\n"
        "\"" +
        program_ + "\" 0 last\r\n";
    const Outcome outcome = Run(script);
    EXPECT_EQ(outcome.status, 1);
    const std::string& out = outcome.output;
    EXPECT_NE(out.find("script.bat, line 1: cannot copy \"missing_wxcheck.lst\" to "
                       "\"finished.txt\": No such file or directory"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("line 2: copy needs a source and a target file"), std::string::npos);
    EXPECT_NE(out.find("line 3: \"" + program_ + "\" ended with exit status 3"), std::string::npos);
    EXPECT_NE(out.find("line 4: cannot start \"/no/such/program\": No such file or directory"),
              std::string::npos);
    EXPECT_NE(out.find("line 5: cannot change to the folder \"/no/such/folder\""),
              std::string::npos);
    // The last line still ran, in the folder the script started in.
    EXPECT_EQ(ReadFile(folder_ / "recorded.txt"), folder_.string() + "\nlast\n");
    EXPECT_FALSE(fs::exists(folder_ / "finished.txt"));
}

TEST_F(BatchrunTest, PauseTakesOneLineAndReturnsAtOnceWhenInputIsClosed) {
    // Two pauses take the one line each; the third finds the input closed.
    const Outcome outcome =
        Run("pause\r\npause\r\npause\r\n\"" + program_ + "\" 0 after\r\n", "\n\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_TRUE(fs::exists(folder_ / "recorded.txt"));
}

TEST_F(BatchrunTest, NotepadOpensTheFileInTheViewerWithoutWaiting) {
    const fs::path viewerFolder = folder_ / "viewer";
    fs::create_directory(viewerFolder);
    fs::create_symlink(BinFolder() / "recording_program", viewerFolder / "xdg-open");
    const std::string path = viewerFolder.string() + ":/usr/bin:/bin";
    const Outcome outcome =
        Run("notepad \"" + folder_.string() + "/a b_wxcheck.lst\"\r\n", "", &path);
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    const fs::path record = folder_ / "viewed.txt";
    for (int i = 0; i < 500 && !fs::exists(record); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(ReadFile(record), folder_.string() + "\n" + folder_.string() + "/a b_wxcheck.lst\n");
}

TEST_F(BatchrunTest, NotepadWithoutAViewerFails) {
    const std::string path = (folder_ / "nothing_here").string();
    const Outcome outcome = Run("notepad \"/tmp/x.lst\"\r\n", "", &path);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.output.find("cannot start the viewer xdg-open for \"/tmp/x.lst\""),
              std::string::npos)
        << outcome.output;
}

}  // namespace
