// batchrun run as the wizard runs it: a script file, standard input a pipe that answers
// pause or is closed, and the output collected in a file.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

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

    /// Runs batchrun on `script` in `folder_` with its output in a file; standard input is a
    /// pipe that holds `input` and is then closed. `path`, when given, replaces PATH.
    Outcome Run(const std::string& script, const std::string& input = "",
                const std::string* path = nullptr) {
        WriteFile(folder_ / "script.bat", script);
        const std::string command =
            "cd '" + folder_.string() + "' && printf '" + input + "' | " +
            (path != nullptr ? "env PATH='" + *path + "' " : std::string()) + "'" +
            (BinFolder() / "batchrun").string() + "' script.bat > output.txt 2>&1";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(folder_ / "output.txt")};
    }

    fs::path folder_;
    std::string program_;
};

TEST_F(BatchrunTest, RunsEveryKindOfLineAndPassesArgumentsUnchanged) {
    const fs::path work = folder_ / "my runs & more";
    fs::create_directory(work);
    const std::string script = work.string() + ":\r\ncd \"" + work.string() + "\"\r\n\"" +
                               program_ + "\" 0 a&b \"two  words\" ; $HOME `id` 'x' \"\" *\r\n" +
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
                               "3 first\r\n/no/such/program arg\r\ncd \"/no/such/folder\"\r\n" +
                               program + "0 last\r\n";
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

TEST_F(BatchrunTest, NotepadOpensTheFileInTheViewerOrFailsWithoutOne) {
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

    const std::string nothing = (folder_ / "nothing_here").string();
    const Outcome failed = Run("notepad \"/tmp/x.lst\"\r\n", "", &nothing);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.output.find("cannot start the viewer xdg-open for \"/tmp/x.lst\""),
              std::string::npos)
        << failed.output;
}

}  // namespace
