// A stand-in for the statistics engine in the tests of the run. Started as the run script
// starts the engine (`wxcheck wxcheck.inp` in the output folder), it reads the output
// folder and the list file name from lines 3 and 4 of the control file and writes the list
// file there. FAKE_WXCHECK_MODE changes that: "nolist" writes no list file and fails,
// "sleep:N" waits N seconds first.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::string mode =
        std::getenv("FAKE_WXCHECK_MODE") ? std::getenv("FAKE_WXCHECK_MODE") : "";
    if (mode.starts_with("sleep:")) {
        ::sleep(std::atoi(mode.c_str() + 6));
    }
    std::ifstream control(argc == 2 ? argv[1] : "", std::ios::binary);
    std::vector<std::string> lines;  // without CR, blanks and the quotes around them
    for (std::string line; std::getline(control, line);) {
        line.erase(line.find_last_not_of("\r ") + 1);
        lines.push_back(line.size() >= 2 && line.front() == '\'' && line.back() == '\''
                            ? line.substr(1, line.size() - 2)
                            : line);
    }
    if (lines.size() < 4) {
        std::fprintf(stderr, "usage: wxcheck CONTROLFILE\n");
        return 2;
    }
    std::printf("Processing station 1 of 1\n");
    std::fflush(stdout);
    if (mode == "nolist") {
        std::fprintf(stderr, "wxcheck: stopped before writing the list file\n");
        return 3;
    }
    std::ofstream list(lines[2] + lines[3], std::ios::binary);
    list << "List file of the stand-in engine\r\n" << lines[1] << "\r\n";
    return list ? 0 : 4;
}
