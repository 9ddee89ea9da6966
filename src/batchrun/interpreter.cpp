#include "batchrun/interpreter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "batchrun/plain_files.h"
#include "batchrun/script_line.h"
#include "batchrun/script_reader.h"

namespace corvane::batchrun {
namespace {

/// Where a failure is reported: the script and its line, as a user reading the console
/// needs it to find the line.
struct Place {
    const std::string& script;
    std::uint64_t line;
};

void Report(const Place& place, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s, line %llu: %s\n", place.script.c_str(),
                 static_cast<unsigned long long>(place.line), reason.c_str());
    std::fflush(stderr);
}

/// "found none", "found 1 name: "a"", "found 3 names: "a" "b" "c"": what a command was given
/// instead of what it needs.
std::string FoundNames(const std::vector<std::string>& words) {
    if (words.empty()) {
        return "found none";
    }
    std::string found =
        "found " + std::to_string(words.size()) + (words.size() == 1 ? " name:" : " names:");
    for (const std::string& word : words) {
        found += ' ';
        found += Quoted(word);
    }
    return found;
}

std::vector<char*> ArgumentVector(std::vector<std::string>& words) {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return argv;
}

/// Reads one line from standard input byte by byte, so that nothing after the line is
/// taken from a program that reads the same input later. Returns at end of input.
void WaitForLine() {
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n == 0 || (n < 0 && errno != EINTR) || (n == 1 && c == '\n')) {
            return;
        }
    }
}

bool ChangeDirectory(const ScriptLine& line, const Place& place) {
    if (line.words.empty()) {
        // As the Windows shell does: cd alone shows where we are.
        std::error_code error;
        std::printf("%s\n", std::filesystem::current_path(error).c_str());
        std::fflush(stdout);
        return true;
    }
    if (::chdir(line.words[0].c_str()) != 0) {
        Report(place, "cannot change to the folder " + Quoted(line.words[0]) + ": " +
                          std::strerror(errno));
        return false;
    }
    return true;
}

bool Copy(const ScriptLine& line, const Place& place) {
    if (line.words.size() != 2) {
        Report(place, "copy needs a source and a target, " + FoundNames(line.words));
        return false;
    }
    const std::string reason = CopyPlainFile(line.words[0], line.words[1]);
    if (!reason.empty()) {
        Report(place, "cannot copy " + Quoted(line.words[0]) + " to " + Quoted(line.words[1]) +
                          ": " + reason);
        return false;
    }
    std::printf("        1 file(s) copied.\n");
    std::fflush(stdout);
    return true;
}

bool Pause() {
    std::printf("Press any key to continue . . . ");
    std::fflush(stdout);
    WaitForLine();
    std::printf("\n");
    std::fflush(stdout);
    return true;
}

/// How a started program runs: waited for, its output passed straight through; or handed
/// to a session of its own with its output going nowhere, and not waited for.
enum class StartMode { Wait, Detach };

struct StartResult {
    int startError = 0;  ///< errno of a program that could not be started, else 0
    int exitStatus = 0;  ///< waitpid status of a program that was waited for
};

StartResult StartProgram(std::vector<std::string>& words, StartMode mode) {
    std::vector<char*> argv = ArgumentVector(words);
    std::fflush(stdout);
    std::fflush(stderr);
    // A pipe closed on exec tells the parent whether the program could be started.
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) {
        return {errno, 0};
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(status[0]);
        ::close(status[1]);
        return {error, 0};
    }
    if (child == 0) {
        ::close(status[0]);
        if (mode == StartMode::Detach) {
            // Forking twice hands the program to init, so it never lingers as our zombie,
            // and stopping the script does not stop it.
            ::setsid();
            if (::fork() != 0) {
                ::_exit(0);
            }
            const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
            if (devNull >= 0) {
                ::dup2(devNull, STDIN_FILENO);
                ::dup2(devNull, STDOUT_FILENO);
                ::dup2(devNull, STDERR_FILENO);
            }
        }
        ::execvp(argv[0], argv.data());
        const int error = errno;
        (void)!::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(status[1]);
    StartResult result;
    ssize_t n = 0;
    do {
        n = ::read(status[0], &result.startError, sizeof result.startError);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    if (n != static_cast<ssize_t>(sizeof result.startError)) {
        result.startError = 0;
    }
    while (::waitpid(child, &result.exitStatus, 0) < 0 && errno == EINTR) {
    }
    return result;
}

/// Runs a program in the current folder with its output passed straight through, and
/// waits for it.
bool RunProgram(ScriptLine& line, const Place& place) {
    const StartResult result = StartProgram(line.words, StartMode::Wait);
    if (result.startError != 0) {
        Report(place,
               "cannot start " + Quoted(line.words[0]) + ": " + std::strerror(result.startError));
        return false;
    }
    const int exitStatus = result.exitStatus;
    if (WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) != 0) {
        Report(place, Quoted(line.words[0]) + " ended with exit status " +
                          std::to_string(WEXITSTATUS(exitStatus)));
        return false;
    }
    if (WIFSIGNALED(exitStatus)) {
        Report(place, Quoted(line.words[0]) + " was ended by signal " +
                          std::to_string(WTERMSIG(exitStatus)) + " (" +
                          strsignal(WTERMSIG(exitStatus)) + ")");
        return false;
    }
    return true;
}

/// Opens a file in the desktop's viewer and does not wait for it: the script may end long
/// before the viewer does.
bool OpenInViewer(const ScriptLine& line, const Place& place) {
    if (line.words.size() != 1) {
        Report(place, "notepad needs one file name, " + FoundNames(line.words));
        return false;
    }
    std::vector<std::string> words{"xdg-open", line.words[0]};
    const StartResult result = StartProgram(words, StartMode::Detach);
    if (result.startError != 0) {
        Report(place, "cannot start the viewer xdg-open for " + Quoted(line.words[0]) + ": " +
                          std::strerror(result.startError));
        return false;
    }
    return true;
}

bool RunLine(ScriptLine& line, const Place& place) {
    switch (line.kind) {
        case ScriptLine::Kind::Empty:
        case ScriptLine::Kind::Drive:
            return true;
        case ScriptLine::Kind::ChangeDirectory:
            return ChangeDirectory(line, place);
        case ScriptLine::Kind::Copy:
            return Copy(line, place);
        case ScriptLine::Kind::Pause:
            return Pause();
        case ScriptLine::Kind::Notepad:
            return OpenInViewer(line, place);
        case ScriptLine::Kind::Program:
            return RunProgram(line, place);
    }
    return false;
}

/// Runs one line of the script; `following` is the line after it, if any.
bool RunTextLine(const ScriptReader::Line& text, const std::optional<ScriptReader::Line>& following,
                 const Place& place) {
    // Such lines are neither echoed nor run: a cut line could run something else.
    if (text.tooLong) {
        Report(place, "the line is longer than " + std::to_string(kMaxScriptLineBytes) +
                          " bytes; it is not run");
        return false;
    }
    if (text.holdsNul) {
        Report(place, "the line holds a NUL byte; it is not run");
        return false;
    }
    ScriptLine line = ParseScriptLine(text.text);
    if (line.kind == ScriptLine::Kind::Program && text.number == 1 && following &&
        IsDriveLineOf(text.text, ParseScriptLine(following->text))) {
        line.kind = ScriptLine::Kind::Drive;
    }
    if (line.kind != ScriptLine::Kind::Empty) {
        // Echo the line as the Windows shell does, so the console shows what runs.
        std::error_code error;
        const std::string folder = std::filesystem::current_path(error).string();
        std::printf("\n%s>%s\n", folder.c_str(), text.text.c_str());
        std::fflush(stdout);
    }
    return RunLine(line, place);
}

/// Runs the lines of `script` in order. A failing line prints its reason on standard error
/// and the script goes on. Returns 0 when every line succeeded, 1 otherwise.
int RunScript(ScriptReader& script, const std::string& scriptName) {
    // A console that goes away must not kill us in the middle of a line: writes then fail
    // with EPIPE instead, and the script goes on to its end.
    ::signal(SIGPIPE, SIG_IGN);
    bool allSucceeded = true;
    std::uint64_t lastNumber = 0;
    // One line ahead: the run script's drive line is known by the line after it.
    std::optional<ScriptReader::Line> line = script.Next();
    while (line) {
        std::optional<ScriptReader::Line> following = script.Next();
        lastNumber = line->number;
        if (!RunTextLine(*line, following, Place{scriptName, line->number})) {
            allSucceeded = false;
        }
        line = std::move(following);
    }
    if (script.error() != 0) {
        Report(Place{scriptName, lastNumber + 1},
               std::string("cannot read the script: ") + std::strerror(script.error()));
        allSucceeded = false;
    }
    return allSucceeded ? 0 : 1;
}

}  // namespace

int RunScriptFile(const std::string& path) {
    // The programs a script starts get standard input, output and error, and no other
    // descriptor of ours or of whoever started us (a kernel older than 5.11 leaves the
    // inherited ones as they are; ours are opened close-on-exec anyway).
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    struct stat info {};
    std::string reason;
    const int fd = OpenPlainFile(path, info, reason);
    if (fd < 0) {
        std::fprintf(stderr, "batchrun: cannot run the script: %s\n", reason.c_str());
        return 1;
    }
    ScriptReader script([fd](char* buffer, std::size_t size) {
        return static_cast<long>(::read(fd, buffer, size));
    });
    const int status = RunScript(script, std::filesystem::path(path).filename().string());
    ::close(fd);
    return status;
}

}  // namespace corvane::batchrun
