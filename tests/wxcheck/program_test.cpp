#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine_fixture.h"

namespace corvane::wxcheck {
namespace {

using testing::ReadText;
using testing::ScratchFolder;
using testing::WriteText;

struct ProgramRun {
    int status = -1;
    std::string out;
};

// Runs the wxcheck program in `folder` with `args`; standard error goes to standard output.
ProgramRun RunProgram(const std::string& folder, const std::vector<std::string>& args) {
    const std::string outPath = folder + "program_output.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0 || !freopen(outPath.c_str(), "w", stdout) ||
            dup2(fileno(stdout), 2) < 0) {
            _exit(127);
        }
        std::vector<char*> argv = {const_cast<char*>(WXCHECK_PROGRAM)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(WXCHECK_PROGRAM, argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadText(outPath);
    return run;
}

TEST(WxcheckProgram, ReadsTheControlFileOfTheCurrentFolderAndSaysWhatItDoes) {
    ScratchFolder f;
    testing::ControlOptions o;
    o.folder = "";  // the current folder, as the wizard starts it
    WriteText(f / "wxcheck.inp", testing::ControlText(o));
    WriteText(f / "s.tsf",
              testing::TsfText({"WSPEED", "TEMP"},
                               testing::Record(1, 1, "2 280") + testing::Record(1, 2, "3 281")));
    WriteText(f / "run_WXCHECK.TSF.STN", testing::StationText({{"s.tsf", "s.tsf"}}));
    ProgramRun run = RunProgram(f.path(), {});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Station 1 of 1: 2 pairs in the period"), std::string::npos) << run.out;
    EXPECT_NE(ReadText(f / "run_HourlyTeHuStats.dat").find("Date Hour N_T"), std::string::npos);

    run = RunProgram(f.path(), {"--threads", "1", "missing.inp"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("missing.inp: cannot read the control file"), std::string::npos);
    run = RunProgram(f.path(), {"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("wxcheck ", 0), 0u);
    run = RunProgram(f.path(), {"--help"});
    EXPECT_NE(run.out.find("Usage: wxcheck"), std::string::npos);
    run = RunProgram(f.path(), {"--frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("unexpected argument '--frobnicate'"), std::string::npos);
    EXPECT_EQ(RunProgram(f.path(), {"--threads", "0"}).status, 2);
}

}  // namespace
}  // namespace corvane::wxcheck
