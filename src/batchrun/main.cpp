// batchrun SCRIPT: runs one of the wizard's scripts line by line (see interpreter.h).

#include <cstdio>
#include <cstring>

#include "batchrun/interpreter.h"

namespace {

constexpr const char* kUsage =
    "Usage: batchrun SCRIPT\n"
    "       batchrun --help | --version\n"
    "\n"
    "Runs a script of the Corvane wizard line by line without a shell: cd, copy, pause,\n"
    "notepad (opens the file in the desktop's viewer) and programs with their arguments.\n"
    "A failing line prints its reason and the script goes on.\n"
    "Exit status: 0 every line succeeded, 1 otherwise.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("batchrun " CORVANE_VERSION);
        return 0;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    return corvane::batchrun::RunScriptFile(argv[1]);
}
