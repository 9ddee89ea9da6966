// A program for the tests of the scripts: `recording_program STATUS ARGS...` writes its
// current folder and each of ARGS on a line of its own into recorded.txt in the current
// folder, prints "recording_program ran" and ends with exit status STATUS. Called by the
// name xdg-open it stands in for the desktop's viewer: it writes its current folder and
// all its arguments into $VIEWER_RECORD (or viewed.txt) and ends with status 0. Either way,
// when $DESCRIPTOR_RECORD names a file, it first adds there the descriptors it inherited
// beyond standard input, output and error, one number a line.

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (const char* descriptors = std::getenv("DESCRIPTOR_RECORD")) {
        std::string inherited;  // listed before this program opens anything itself
        for (int fd = 3; fd < 1024; ++fd) {
            if (::fcntl(fd, F_GETFD) != -1) {
                inherited += std::to_string(fd) + '\n';
            }
        }
        std::ofstream(descriptors, std::ios::binary | std::ios::app) << inherited;
    }
    const bool asViewer = std::filesystem::path(argv[0]).filename() == "xdg-open";
    const char* record = asViewer ? std::getenv("VIEWER_RECORD") : "recorded.txt";
    const std::string file = record != nullptr ? record : "viewed.txt";
    const std::string partial = file + ".part";
    std::ofstream out(partial, std::ios::binary);
    out << std::filesystem::current_path().string() << '\n';
    for (int i = asViewer ? 1 : 2; i < argc; ++i) {
        out << argv[i] << '\n';
    }
    out.close();
    // Appears whole or not at all: tests poll for it.
    std::filesystem::rename(partial, file);
    if (asViewer) {
        return 0;
    }
    std::printf("recording_program ran\n");
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
