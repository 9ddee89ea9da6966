#include "batchrun/interpreter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string_view>
#include <vector>

#include "batchrun/script_line.h"

namespace corvane::batchrun {
namespace {

/// Where a failure is reported: the script and its line, as a user reading the console
/// needs it to find the line.
struct Place {
    const std::string& script;
    int line;
};

void Report(const Place& place, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s, line %d: %s\n", place.script.c_str(), place.line, reason.c_str());
    std::fflush(stderr);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
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
        Report(place, "copy needs a source and a target file, found " +
                          std::to_string(line.words.size()) + " names");
        return false;
    }
    std::error_code error;
    std::filesystem::copy_file(line.words[0], line.words[1],
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        Report(place, "cannot copy " + Quoted(line.words[0]) + " to " + Quoted(line.words[1]) +
                          ": " + error.message());
        // A copy cut off by a full disk must not stand as the file: the wizard takes the
        // mere existence of the copied list file as the end of a good run.
        std::error_code ignored;
        if (!std::filesystem::equivalent(line.words[0], line.words[1], ignored)) {
            std::filesystem::remove(line.words[1], ignored);
        }
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
            const int devNull = ::open("/dev/null", O_RDWR);
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
        Report(place, "notepad needs one file name, found " + std::to_string(line.words.size()));
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

}  // namespace

int RunScript(std::istream& script, const std::string& scriptName) {
    // A console that goes away must not kill us in the middle of a line: writes then fail
    // with EPIPE instead, and the script goes on to its end.
    ::signal(SIGPIPE, SIG_IGN);
    bool allSucceeded = true;
    std::string text;
    for (int number = 1; std::getline(script, text); ++number) {
        ScriptLine line = ParseScriptLine(text);
        if (line.kind != ScriptLine::Kind::Empty) {
            // Echo the line as the Windows shell does, so the console shows what runs.
            std::error_code error;
            const std::string folder = std::filesystem::current_path(error).string();
            std::string shown = text;
            while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) {
                shown.pop_back();
            }
            std::printf("\n%s>%s\n", folder.c_str(), shown.c_str());
            std::fflush(stdout);
        }
        if (!RunLine(line, Place{scriptName, number})) {
            allSucceeded = false;
        }
    }
    return allSucceeded ? 0 : 1;
}

int RunScriptFile(const std::string& path) {
    std::ifstream script(path, std::ios::binary);
    if (!script) {
        std::fprintf(stderr, "batchrun: cannot open the script \"%s\": %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const std::string name = std::filesystem::path(path).filename().string();
    return RunScript(script, name);
}

}  // namespace corvane::batchrun
