// A stand-in for the statistics engine in the tests of the run. Started as the run script
// starts the engine (`wxcheck wxcheck.inp` in the output folder), it reads the output
// folder and the list file name from lines 3 and 4 of the control file and writes the list
// file there. FAKE_WXCHECK_MODE changes that: "nolist" writes no list file and fails,
// "sleep:N" waits N seconds first. It records its folder and arguments in engine_call.txt.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Unquoted(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    if (line.size() >= 2 && line.front() == '\'' && line.back() == '\'') {
        return line.substr(1, line.size() - 2);
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    {
        std::ofstream call("engine_call.txt", std::ios::binary);
        call << std::filesystem::current_path().string() << '\n';
        for (int i = 1; i < argc; ++i) {
            call << argv[i] << '\n';
        }
    }
    const char* modeText = std::getenv("FAKE_WXCHECK_MODE");
    const std::string mode = modeText != nullptr ? modeText : "";
    if (mode.rfind("sleep:", 0) == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(mode.c_str() + 6)));
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: wxcheck CONTROLFILE\n");
        return 2;
    }
    std::ifstream control(argv[1], std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(control, line);) {
        lines.push_back(line);
    }
    if (lines.size() < 4) {
        std::fprintf(stderr, "wxcheck: cannot read %s\n", argv[1]);
        return 2;
    }
    std::printf("Processing station 1 of 1\n");
    std::fflush(stdout);
    if (mode == "nolist") {
        std::fprintf(stderr, "wxcheck: stopped before writing the list file\n");
        return 3;
    }
    std::ofstream list(Unquoted(lines[2]) + Unquoted(lines[3]), std::ios::binary);
    list << "List file of the stand-in engine\r\n" << Unquoted(lines[1]) << "\r\n";
    return list ? 0 : 4;
}
