// A stand-in for the statistics engine in the tests of the run. Started as the run script
// starts the engine (`wxcheck wxcheck.inp` in the output folder), it reads the output
// folder, the list file name and the root of the other outputs from lines 3 to 5 of the
// control file, writes a line into each statistics file, the report and the station
// statistics, then the list file, which ends with the engine's exit status line, and ends
// with that status. FAKE_WXCHECK_MODE changes that: "nolist" writes no list file and fails,
// "sleep:N" waits N seconds first, "status:1" and "status:2" end as a run that evaluated
// only some or no stations (no other outputs for 2),
//
// `wxcheck --compare CONTROL... -o FOLDER --root NAME` prints one "argument: " line per
// argument, then writes NAME_Comparison.csv, NAME_comparison.html and, last,
// NAME_comparison.lst into FOLDER and ends with status 0; the modes above change it as they
// change a run ("status:2" and "nolist" write nothing); "noreport" writes no page and ends
// with status 0.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

int Compare(int argc, char** argv, const std::string& mode) {
    std::string folder, root;
    for (int i = 1; i < argc; ++i) {
        std::printf("argument: %s\n", argv[i]);
        const std::string arg = argv[i];
        if ((arg == "-o" || arg == "--root") && i + 1 < argc) {
            (arg == "-o" ? folder : root) = argv[i + 1];
        }
    }
    std::fflush(stdout);
    const int status = mode == "nolist"              ? 2
                       : mode.starts_with("status:") ? std::atoi(mode.c_str() + 7)
                                                     : 0;
    if (status == 2 || folder.empty() || root.empty()) {
        std::fprintf(stderr, "wxcheck: nothing was compared\n");
        return 2;
    }
    for (const char* output : {"_Comparison.csv", "_comparison.html", "_comparison.lst"}) {
        if (mode != "noreport" || std::string_view(output) != "_comparison.html") {
            std::ofstream(folder + root + output, std::ios::binary) << root << output << "\n";
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode =
        std::getenv("FAKE_WXCHECK_MODE") ? std::getenv("FAKE_WXCHECK_MODE") : "";
    if (mode.starts_with("sleep:")) {
        ::sleep(std::atoi(mode.c_str() + 6));
    }
    if (argc > 1 && std::string(argv[1]) == "--compare") {
        return Compare(argc, argv, mode);
    }
    std::ifstream control(argc == 2 ? argv[1] : "", std::ios::binary);
    std::vector<std::string> lines;  // without CR, blanks and the quotes around them
    for (std::string line; std::getline(control, line);) {
        line.erase(line.find_last_not_of("\r ") + 1);
        lines.push_back(line.size() >= 2 && line.front() == '\'' && line.back() == '\''
                            ? line.substr(1, line.size() - 2)
                            : line);
    }
    if (lines.size() < 5) {
        std::fprintf(stderr, "usage: wxcheck CONTROLFILE\n");
        return 2;
    }
    std::printf("Processing station 1 of 1\n");
    std::fflush(stdout);
    if (mode == "nolist") {
        std::fprintf(stderr, "wxcheck: stopped before writing the list file\n");
        return 3;
    }
    const int status = mode.starts_with("status:") ? std::atoi(mode.c_str() + 7) : 0;
    // Like the engine: no statistics, report or station statistics when nothing was evaluated.
    for (const char* output : {"HourlyWindStats.dat", "HourlyTeHuStats.dat", "DailyWindStats.dat",
                               "DailyTeHuStats.dat", "report.html", "StationStats.csv"}) {
        if (status != 2) {
            std::ofstream(lines[2] + lines[4] + output, std::ios::binary) << output << "\n";
        }
    }
    std::ofstream list(lines[2] + lines[3], std::ios::binary);
    list << "List file of the stand-in engine\r\n" << lines[1] << "\r\n";
    const char* const statusLines[] = {"Exit status: 0 (every station evaluated)",
                                       "Exit status: 1 (3 of 4 stations evaluated; see ERRORS)",
                                       "Exit status: 2 (nothing evaluated; see ERRORS)"};
    list << statusLines[status] << "\r\n";
    return list ? status : 4;
}
