// wxcheck: compares predicted with observed time series, station by station.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "tsf/temporary_files.h"
#include "tsf/text_scan.h"
#include "wxcheck/compare/compare_run.h"
#include "wxcheck/engine.h"
#include "wxcheck/outputs/output_text.h"

namespace {

void Usage(std::ostream& out) {
    out << "Usage: wxcheck [--threads N] [--bootstrap B] [--seed N] [--no-report] [--pairs]\n"
           "               [CONTROL_FILE | -]\n"
           "       wxcheck --compare CONTROL_1 CONTROL_2 [CONTROL ...] -o FOLDER --root NAME\n"
           "               [--period START END] [--threads N] [--bootstrap B] [--seed N]\n"
           "       wxcheck --help | --version\n\n"
           "Reads the control file (default wxcheck.inp; - reads it from standard input) and\n"
           "the station file it names, compares the predicted and observed time series of\n"
           "every station and writes into the output folder the list file, four statistics\n"
           "files, the per-station statistics (CSV) and the report (HTML with charts), named\n"
           "by line 5 followed by StationStats.csv and report.html. A relative output folder\n"
           "is taken from the control file's folder (from the current folder for -). No\n"
           "output replaces an input or another output: such a run writes nothing. The list\n"
           "file ends with the exit status.\n\n"
           "  --threads N   read the stations on N threads (1 to 256; default one per core);\n"
           "                the output is the same, byte for byte\n"
           "  --bootstrap B 95% intervals of the whole-period statistics from B resamples of\n"
           "                the days (0 to 100000; default 1000; 0 makes none)\n"
           "  --seed N      seed of the resampling (default 20081); the same seed gives the\n"
           "                same intervals\n"
           "  --no-report   do not write the report\n"
           "  --pairs       also write every pair (Pairs.csv after line 5: station, end time,\n"
           "                observed and predicted values, calm and used flags); off by\n"
           "                default, since it is large (about 100 bytes a pair)\n\n"
           "--compare evaluates several runs on the cases they share (the end stamps at which\n"
           "every run's predicted series and the observed series give a variable) and writes\n"
           "NAME_Comparison.csv, NAME_comparison.lst and NAME_comparison.html into FOLDER; the\n"
           "first run is the reference. Stations are matched by their observed file (the same\n"
           "file or the same Site: text with the same content). The runs' period, zone, calm\n"
           "threshold and missing filter must agree, unless --period START END (as lines 8\n"
           "and 9 of a control file) is given: the first run's other settings then apply.\n"
           "--bootstrap and --seed work as for a run; every run resamples the same days, and\n"
           "a run is better or worse only where the 95% interval of its difference to the\n"
           "reference (for the bias, of the magnitudes) excludes zero.\n\n"
           "Exit status: 0 all stations evaluated, 1 some station failed or an output could\n"
           "not be written, 2 nothing evaluated.\n";
}

bool ParseThreads(const char* text, unsigned& threads) {
    const auto [end, ec] = std::from_chars(text, text + std::strlen(text), threads);
    if (ec != std::errc() || *end != '\0' || threads == 0 || threads > 256) {
        std::cerr << "wxcheck: --threads wants a number from 1 to 256, not '" << text << "'\n";
        return false;
    }
    return true;
}

// --bootstrap B or --seed N at argv[i] (its value next), for a run and a comparison alike.
bool ParseResampling(int argc, char** argv, int& i, int& resamples, std::uint64_t& seedValue) {
    const std::string arg = argv[i];
    const bool seed = arg == "--seed";
    const char* text = i + 1 < argc ? argv[++i] : "";
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text, text + std::strlen(text), value);
    if (ec != std::errc() || *end != '\0' || *text == '\0' || (!seed && value > 100000)) {
        std::cerr << "wxcheck: " << arg << " wants "
                  << (seed ? "a whole number from 0 to 18446744073709551615"
                           : "a number of resamples from 0 to 100000")
                  << ", not '" << text << "'\n";
        return false;
    }
    if (seed) {
        seedValue = value;
    } else {
        resamples = static_cast<int>(value);
    }
    return true;
}

int CompareMain(int argc, char** argv) {
    corvane::wxcheck::CompareOptions options;
    const auto value = [&](int& i, const char* what) -> const char* {
        if (i + 1 == argc) {
            std::cerr << "wxcheck: " << argv[i] << " needs " << what << "\n";
            return nullptr;
        }
        return argv[++i];
    };
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" || arg == "--root") {
            const char* text = value(i, arg == "-o" ? "a folder" : "a name");
            if (text == nullptr) {
                return 2;
            }
            (arg == "-o" ? options.folder : options.root) = text;
        } else if (arg == "--period") {
            const char* start = value(i, "a start and an end");
            const char* end = start != nullptr ? value(i, "a start and an end") : nullptr;
            if (end == nullptr) {
                return 2;
            }
            options.havePeriod = true;
            options.startText = start;
            options.endText = end;
        } else if (arg == "--threads") {
            const char* text = value(i, "a number from 1 to 256");
            if (text == nullptr || !ParseThreads(text, options.threads)) {
                return 2;
            }
        } else if (arg == "--bootstrap" || arg == "--seed") {
            if (!ParseResampling(argc, argv, i, options.bootstrap, options.seed)) {
                return 2;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "wxcheck: unexpected argument '" << arg << "'\n";
            Usage(std::cerr);
            return 2;
        } else {
            options.controlPaths.push_back(arg);
        }
    }
    if (options.folder.empty() || options.root.empty()) {
        std::cerr << "wxcheck: --compare needs -o FOLDER and --root NAME\n";
        return 2;
    }
    // The root begins the names of the files written: one line, in the folder given.
    if (options.root.find('/') != std::string::npos ||
        std::any_of(options.root.begin(), options.root.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        std::cerr << "wxcheck: --root is a name without '/' or control characters: '"
                  << corvane::ShownText(options.root) << "'\n";
        return 2;
    }
    corvane::RemoveTemporaryFilesOnSignals();
    return corvane::wxcheck::RunComparison(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--compare") {
        return CompareMain(argc, argv);
    }
    corvane::wxcheck::EngineOptions options;
    bool haveControl = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "wxcheck " << corvane::wxcheck::EngineVersion() << '\n';
            return 0;
        }
        if (arg == "--no-report") {
            options.report = false;
            continue;
        }
        if (arg == "--pairs") {
            options.pairs = true;
            continue;
        }
        if (arg == "--bootstrap" || arg == "--seed") {
            if (!ParseResampling(argc, argv, i, options.bootstrap, options.seed)) {
                return 2;
            }
            continue;
        }
        if (arg == "--threads") {
            if (i + 1 == argc) {
                std::cerr << "wxcheck: --threads needs a number from 1 to 256\n";
                return 2;
            }
            unsigned threads = 0;
            if (!ParseThreads(argv[++i], threads)) {
                return 2;
            }
            options.threads = threads;
            continue;
        }
        if (haveControl || (arg.size() > 1 && arg[0] == '-')) {
            std::cerr << "wxcheck: unexpected argument '" << arg << "'\n";
            Usage(std::cerr);
            return 2;
        }
        options.controlPath = arg;
        haveControl = true;
    }
    // Stopped by a signal (a closed console sends SIGHUP or SIGTERM), a run removes its
    // temporary files; results it had completed stay.
    corvane::RemoveTemporaryFilesOnSignals();
    return corvane::wxcheck::RunEngine(options, std::cout, std::cerr);
}
