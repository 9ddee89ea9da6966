// The engine and the run script where the disk or the series fail. Whatever the engine
// cannot write on a full disk is reported and never left cut off or stale under its name, so
// that the script's copy cannot turn it into a completion marker. A named pipe as a series
// would block the opening for ever (no program writes into it), a device never ends: the
// header check and the engine refuse them and go on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/tmpfs_mount.h"
#include "tsf/tsf_header.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

const std::string kBin = fs::read_symlink("/proc/self/exe").parent_path().string();
const std::string kExamples = CORVANE_EXAMPLES_DIR "/";

// Runs `program` of the build folder in `folder` (names without quotes) with standard input
// from `input`, its standard error in `err`; the exit status, 137 when killed after `seconds`.
int RunProgram(const std::string& program, const std::string& args, const std::string& folder,
               std::string& err, int seconds = 120, const std::string& input = "/dev/null") {
    const std::string errFile = "/tmp/corvane_err_" + std::to_string(getpid());
    const int status = std::system(("cd '" + folder + "' && timeout -s KILL " +
                                    std::to_string(seconds) + " '" + kBin + "/" + program + "' " +
                                    args + " <'" + input + "' >/dev/null 2>" + errFile)
                                       .c_str());
    err = ReadFile(errFile);
    fs::remove(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The example evaluation in `folder` with the given station lines, and its run script.
void WriteInputs(const std::string& folder, const std::vector<std::string>& stations) {
    std::string text =
        "WXCHECK.TSF.STN 1.0\r\n" + std::to_string(stations.size()) + "\r\nseries\r\n";
    for (const std::string& line : stations) {
        text += line + "\r\n";
    }
    fs::create_directories(folder);
    WriteFile(folder + "/wxcheck.inp", ReadFile(kExamples + "wxcheck.inp"));
    WriteFile(folder + "/example_WXCHECK.TSF.STN", text);
    WriteFile(folder + "/run_wxcheck.bat",
              folder + ":\r\ncd \"" + folder + "\"\r\n\"" + kBin +
                  "/wxcheck\" wxcheck.inp\r\ncopy example_wxcheck.lst finished.txt\r\npause\r\n");
}

// The station lines of the first `count` example stations.
std::vector<std::string> ExampleStations(int count) {
    std::vector<std::string> stations;
    for (int s = 1; s <= count; ++s) {
        const std::string name = kExamples + "st00" + std::to_string(s);
        stations.push_back("'" + name + "_prd.tsf','" + name + "_obs.tsf'");
    }
    return stations;
}

TEST(EngineFaults, AFullDiskNeverLeavesACutOffOutputOrMarker) {
    TmpfsMount mount(4096);
    if (!mount.available()) {
        GTEST_SKIP() << mount.error();
    }
    std::vector<std::string> stations = ExampleStations(4);
    const std::vector<std::string> outputs = {
        "/example_wxcheck.lst",         "/example_DailyTeHuStats.dat",
        "/example_DailyWindStats.dat",  "/example_HourlyTeHuStats.dat",
        "/example_HourlyWindStats.dat", "/example_report.html",
        "/example_StationStats.csv",    "/finished.txt"};
    const std::string reference = mount.path() + "/reference";
    const std::string folder = mount.path() + "/run";
    const std::string filler = mount.path() + "/filler";
    std::string err;
    WriteInputs(reference, stations);
    ASSERT_EQ(RunProgram("batchrun", "run_wxcheck.bat", reference, err), 0) << err;
    WriteInputs(folder, stations);
    // Files of an earlier run must not pass for this run's.
    for (const std::string& name : outputs) {
        WriteFile(folder + name, "from an earlier run\n");
    }
    // Fill the disk to the last byte.
    for (std::ofstream fill(filler, std::ios::binary); fill << std::string(4096, 'x');) {
    }

    // The statistics files are all whole and new, or all as the earlier run left them (none
    // once a run could not write its list file); the
    // list file is whole and new, a whole report of the failure or absent (never the earlier
    // run's, which would pass for this run's outcome), and so is the evaluation report; the
    // marker, when there is one, is a copy of the list file. No temporary file is left behind.
    // The report and the per-station file stand alone: new and whole, or absent.
    // A run whose list file could not be written leaves no results at all: they would stand
    // beside an exit status of 2.
    const auto expectNoPartialOutput = [&] {
        const bool statisticsNew =
            ReadFile(folder + outputs[1]) == ReadFile(reference + outputs[1]);
        const bool listed = fs::exists(folder + outputs.front());
        const bool statisticsThere = fs::exists(folder + outputs[1]);
        for (const std::string& name : outputs) {
            EXPECT_TRUE(listed || !fs::exists(folder + name)) << name << " without the list file";
        }
        for (const std::string& name : outputs) {
            const std::string text = ReadFile(folder + name);
            const std::string whole = ReadFile(reference + name);
            const bool alone =
                name == "/example_report.html" || name == "/example_StationStats.csv";
            const bool statistics = name.ends_with(".dat");
            if (!fs::exists(folder + name)) {
                EXPECT_TRUE(!listed || name == outputs.back() || alone ||
                            (statistics && !statisticsThere))
                    << name;
            } else if (name == outputs.back()) {
                EXPECT_EQ(text, ReadFile(folder + outputs.front()));
            } else if (name == outputs.front() && text != whole) {
                EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
                EXPECT_TRUE(
                    text.ends_with("\nExit status: 1 (4 of 4 stations evaluated; see ERRORS)\n"))
                    << text;
            } else {
                EXPECT_EQ(text, alone || statisticsNew ? whole : "from an earlier run\n")
                    << name << " is half-written or from another run than its fellows";
            }
        }
        for (const auto& entry : fs::directory_iterator(folder)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with('.')) << entry.path();
        }
    };
    // A marker of an earlier run must not pass for this run's either.
    const auto runScript = [&] {
        fs::remove(folder + "/finished.txt");
        return RunProgram("batchrun", "run_wxcheck.bat", folder, err);
    };
    EXPECT_EQ(runScript(), 1);
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    expectNoPartialOutput();
    // Some space back: some files fit, the rest must still not be left cut off.
    for (const int kiB : {64, 256, 1024}) {
        SCOPED_TRACE(kiB);
        fs::resize_file(filler, fs::file_size(filler) - kiB * 1024);
        runScript();
        expectNoPartialOutput();
    }

    fs::remove(filler);
    EXPECT_EQ(runScript(), 0) << err;
    for (const std::string& name : outputs) {
        EXPECT_EQ(ReadFile(folder + name), ReadFile(reference + name)) << name;
    }
}

// The examples' control file with line `number` (1-based) replaced by `text`.
std::string ControlWithLine(int number, const std::string& text) {
    std::string control = ReadFile(kExamples + "wxcheck.inp");
    std::size_t begin = 0;
    for (int line = 1; line < number; ++line) {
        begin = control.find('\n', begin) + 1;
    }
    return control.replace(begin, control.find('\n', begin) - begin, text);
}

std::map<std::string, std::string> FolderContents(const std::string& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder)) {
        contents[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return contents;
}

// An output named like an input or like another output, or a text file given as the control
// file: refused before anything is written, every file as it was.
TEST(EngineFaults, NoOutputEverReplacesAnInputOrAnotherOutput) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    for (const auto& entry : fs::directory_iterator(kExamples)) {
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), folder + "/" + entry.path().filename().string());
        }
    }
    fs::create_hard_link(folder + "/st002_obs.tsf", folder + "/link.tsf");
    WriteFile(folder + "/notes.txt", "A note\nabout the run\n\n'st001_prd.tsf'\n'x_'\n");
    const struct {
        std::string listLine;  // line 4 of the control file "c.inp"
        std::string args;      // the command line
        std::string message;
    } cases[] = {
        {"'st001_prd.tsf'", "c.inp",
         "list file ./st001_prd.tsf would replace the predicted series of station 1"},
        {"'link.tsf'", "c.inp", "would replace the observed series of station 2, ./st002_obs.tsf"},
        {"'c.inp'", "c.inp", "list file ./c.inp would replace the control file c.inp"},
        {"'c.inp'", "- ", "would replace the control file standard input"},
        {"'example_WXCHECK.TSF.STN'", "c.inp", "would replace the station file"},
        {"'example_DailyWindStats.dat'", "c.inp",
         "the daily wind statistics file ./example_DailyWindStats.dat is the same file as the "
         "list file"},
        {"'example_Pairs.csv'", "--pairs c.inp",
         "the pairs file ./example_Pairs.csv is the same file as the list file"},
        {"", "notes.txt", "notes.txt:1: not a WXCHECK.INP control file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listLine + " " + c.args);
        WriteFile(folder + "/c.inp", ControlWithLine(4, c.listLine));
        const auto before = FolderContents(folder);
        std::string err;
        EXPECT_EQ(RunProgram("wxcheck", c.args, folder, err, 120, folder + "/c.inp"), 2);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_TRUE(FolderContents(folder) == before) << "a file was written or changed";
    }
}

// Devices, pipes, overlong lines and NUL bytes in the control, station or series files, a
// missing output folder and a command line that cannot be read: each ends at once with a
// message naming the file and line.
TEST(EngineFaults, TheCommandLineAndTheEnginesTextFilesAreBounded) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    WriteInputs(folder, ExampleStations(2));
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0644), 0);
    WriteFile(folder + "/fifo.inp", ControlWithLine(6, "'fifo'"));
    WriteFile(folder + "/long.inp", ControlWithLine(2, "'" + std::string(70000, 't') + "'"));
    WriteFile(folder + "/nul.inp", ControlWithLine(5, std::string("'ex\0ample_'", 11)));
    WriteFile(folder + "/nowhere.inp", ControlWithLine(3, "'/nonexistent/'"));
    // A pipe or a device as a series would block or never end: refused, the others evaluated.
    WriteFile(folder + "/series.inp", ControlWithLine(6, "'series.stn'"));
    WriteFile(folder + "/series.stn", "WXCHECK.TSF.STN 1.0\n3\nseries\n'fifo','" + kExamples +
                                          "st001_obs.tsf'\n'/dev/zero','" + kExamples +
                                          "st002_obs.tsf'\n" + ExampleStations(3)[2] + "\n");
    EXPECT_EQ(ReadTsfHeaderFile(folder + "/fifo").message,
              "cannot open the file: it is not a plain file");
    EXPECT_FALSE(ReadTsfHeaderFile("/dev/zero").ok());
    const struct {
        std::string args;
        int status;
        std::string message;
        std::string input = "/dev/null";
    } cases[] = {
        {"/dev/zero", 2, "/dev/zero: cannot read the control file: it is not a plain file"},
        {"fifo", 2, "fifo: cannot read the control file: it is not a plain file"},
        {"fifo.inp", 2, "fifo: cannot read the station file: it is not a plain file"},
        {"long.inp", 2, "long.inp:2: the line is longer than 65536 bytes"},
        {"nul.inp", 2, "nul.inp:5: the line holds a NUL byte"},
        {"--threads", 2, "--threads needs a number from 1 to 256"},
        {"--threads 256 wxcheck.inp", 0, ""},
        {"nowhere.inp", 2, "nowhere.inp:3: the output folder /nonexistent/ does not exist"},
        {"series.inp", 1, "station 2: /dev/zero: cannot open the file: it is not a plain file"},
        {"--compare fifo wxcheck.inp -o . --root c", 2,
         "fifo: cannot read the control file: it is not a plain file"},
        {"--compare wxcheck.inp wxcheck.inp -o . --root 'a\tb'", 2,
         "--root is a name without '/' or control characters: 'a\\tb'"},
        {"-", 0, "", folder + "/wxcheck.inp"},
        {"-", 2, "standard input:1: the line is longer than 65536 bytes", "/dev/zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        std::string err;
        EXPECT_EQ(RunProgram("wxcheck", c.args, folder, err, 60, c.input), c.status) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(folder + "/ex"));
}

// The list file's last line states the exit status, as the process returns it; a relative
// output folder lies beside the control file, wherever the engine is started.
TEST(EngineFaults, TheListFileEndsWithTheExitStatus) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    const std::string list = folder + "/run/example_wxcheck.lst";
    std::vector<std::string> stations = ExampleStations(4);
    std::string err;
    WriteInputs(folder + "/run", stations);
    EXPECT_EQ(RunProgram("wxcheck", "run/wxcheck.inp", folder, err), 0) << err;
    EXPECT_TRUE(ReadFile(list).ends_with("\nExit status: 0 (every station evaluated)\n"));
    EXPECT_FALSE(fs::exists(folder + "/example_wxcheck.lst"));
    stations[2] = "'missing.tsf','" + kExamples + "st003_obs.tsf'";
    WriteInputs(folder + "/run", stations);
    EXPECT_EQ(RunProgram("wxcheck", "run/wxcheck.inp", folder, err), 1) << err;
    EXPECT_TRUE(
        ReadFile(list).ends_with("\nExit status: 1 (3 of 4 stations evaluated; see ERRORS)\n"));
    // Nothing evaluated: no results, and none of an earlier run left to pass for this run's.
    fs::remove(folder + "/run/example_WXCHECK.TSF.STN");
    for (const char* name : {"HourlyWindStats.dat", "DailyTeHuStats.dat", "StationStats.csv"}) {
        WriteFile(folder + "/run/example_" + name, "from an earlier run\n");
    }
    EXPECT_EQ(RunProgram("wxcheck", "run/wxcheck.inp", folder, err), 2) << err;
    EXPECT_TRUE(ReadFile(list).ends_with("\nExit status: 2 (nothing evaluated; see ERRORS)\n"));
    EXPECT_NE(ReadFile(list).find("example_WXCHECK.TSF.STN: cannot read the station file"),
              std::string::npos);
    for (const auto& entry : fs::directory_iterator(folder + "/run")) {
        EXPECT_FALSE(entry.path().string().ends_with("Stats.dat") ||
                     entry.path().string().ends_with(".csv"))
            << entry.path();
    }
}

// A list file that cannot be written: nothing is evaluated and no results are written, nor
// are an earlier run's left under this run's names.
TEST(EngineFaults, NoResultsAreWrittenWithoutTheirListFile) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    WriteInputs(folder, ExampleStations(2));
    WriteFile(folder + "/c.inp", ControlWithLine(4, "'nowhere/run.lst'"));
    WriteFile(folder + "/example_HourlyWindStats.dat", "from an earlier run\n");
    std::string err;
    EXPECT_EQ(RunProgram("wxcheck", "c.inp", folder, err), 2);
    EXPECT_NE(err.find("./nowhere/run.lst: cannot write the file: No such file or directory"),
              std::string::npos)
        << err;
    // Found before a station is read, not after results were written for nothing.
    EXPECT_NE(err.find("nothing evaluated: no results are written without their list file"),
              std::string::npos)
        << err;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "c.inp" || name == "wxcheck.inp" || name == "run_wxcheck.bat" ||
                    name == "example_WXCHECK.TSF.STN")
            << name << " was written or left";
    }
}

// wxcheck started in `folder` with its standard output into a pipe of one page; returns once
// the run has printed its first progress line, with the temporary files of the list file and
// Pairs.csv open. From then on it cannot end by itself: nobody reads the rest of its output.
pid_t StartHeldRun(const std::string& folder, int& output) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return -1;
    }
    ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // An ignored signal would stay ignored through exec (a shell's background job).
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ::signal(signal, SIG_DFL);
        }
        const int null = ::open("/dev/null", O_WRONLY);
        if (::chdir(folder.c_str()) != 0 || ::dup2(ends[1], 1) < 0 || ::dup2(null, 2) < 0) {
            ::_exit(127);
        }
        const std::string program = kBin + "/wxcheck";
        ::execl(program.c_str(), "wxcheck", "--pairs", "wxcheck.inp", nullptr);
        ::_exit(127);
    }
    ::close(ends[1]);
    output = ends[0];
    for (char c = 0; c != '\n';) {
        if (::read(output, &c, 1) != 1) {
            break;
        }
    }
    return pid;
}

std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with('.')) {
            hidden.push_back(entry.path().filename().string());
        }
    }
    return hidden;
}

// A run stopped by SIGTERM (as a closed console sends), SIGINT or SIGHUP removes its
// temporary files and ends by the signal; it leaves no list file.
TEST(EngineFaults, AStoppedRunRemovesItsTemporaryFiles) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    std::vector<std::string> stations;
    // Far more progress than the pipe holds.
    for (int round = 0; round < 200; ++round) {
        for (const std::string& line : ExampleStations(4)) {
            stations.push_back(line);
        }
    }
    WriteInputs(folder, stations);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        int output = -1;
        const pid_t pid = StartHeldRun(folder, output);
        ASSERT_GT(pid, 0);
        EXPECT_GE(HiddenFiles(folder).size(), 2u) << "the list file and Pairs.csv being written";
        ::kill(pid, signal);
        // Read to the end: a run that outlived the signal would go on to its normal end.
        for (char buffer[4096]; ::read(output, buffer, sizeof buffer) > 0;) {
        }
        ::close(output);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(HiddenFiles(folder), std::vector<std::string>());
        EXPECT_FALSE(fs::exists(folder + "/example_wxcheck.lst"));
    }
}

// A run that dies before its end (here at a file-size limit, as SIGKILL or the out-of-memory
// killer would) leaves no list file: an earlier run's would pass for this run's outcome.
TEST(EngineFaults, ARunThatDiesLeavesNoListFile) {
    const ScratchFolder scratch;
    const std::string folder = scratch.path();
    const std::string list = folder + "/example_wxcheck.lst";
    std::string err;
    WriteInputs(folder, ExampleStations(4));
    ASSERT_EQ(RunProgram("wxcheck", "wxcheck.inp", folder, err), 0) << err;
    ASSERT_TRUE(fs::exists(list));
    const int status = std::system(("cd '" + folder + "' && (ulimit -f 16; '" + kBin +
                                    "/wxcheck' wxcheck.inp) >/dev/null 2>&1")
                                       .c_str());
    EXPECT_NE(status, 0);
    EXPECT_FALSE(fs::exists(list)) << ReadFile(list);
}

}  // namespace
}  // namespace corvane::testing
