#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace corvane::testing {

std::string ProgramFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    return static_cast<bool>(out);
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder, int timeoutSeconds) {
    ProgramResult result;
    char outName[] = "/tmp/corvane_out_XXXXXX";
    char errName[] = "/tmp/corvane_err_XXXXXX";
    const int out = mkstemp(outName);
    const int err = mkstemp(errName);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    bool killed = false;
    for (int waited = 0; pid > 0;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (ended == 0 && waited >= timeoutSeconds * 20) {
            kill(pid, SIGKILL);
            killed = true;
        }
        if (ended == 0) {
            usleep(50000);
            ++waited;
        }
    }
    if (pid > 0 && WIFEXITED(status) && !killed) {
        result.status = WEXITSTATUS(status);
    } else if (killed) {
        result.status = -2;
    }
    close(out);
    close(err);
    result.out = ReadFile(outName);
    result.err = ReadFile(errName);
    unlink(outName);
    unlink(errName);
    return result;
}

bool FillDisk(const std::string& folder, const std::string& name) {
    const int fd = open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    const std::string block(4096, 'x');
    bool full = false;
    for (;;) {
        const ssize_t written = write(fd, block.data(), block.size());
        if (written < 0) {
            full = errno == ENOSPC;
            break;
        }
        if (written < static_cast<ssize_t>(block.size())) {
            // The last few bytes: the next write reports the full disk.
            continue;
        }
    }
    close(fd);
    return full;
}

}  // namespace corvane::testing
