#include "wxcheck/engine.h"

#include <sys/stat.h>

#include <mutex>
#include <ostream>
#include <thread>

#include "wxcheck/control_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/report.h"
#include "wxcheck/station_evaluation.h"
#include "wxcheck/station_file.h"
#include "wxcheck/text_scan.h"

namespace corvane::wxcheck {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Writes the list file; on failure says so on `err`.
bool WriteList(const ControlSettings& settings, const std::string& text, std::ostream& err) {
    std::string error;
    if (!WriteWholeFile(settings.ListPath(), text, error)) {
        err << "wxcheck: " << settings.ListPath() << ": cannot write the list file: " << error
            << std::endl;
        return false;
    }
    return true;
}

int Refuse(const ControlSettings& settings, bool listKnown, RunNotes& notes,
           const std::string& error, std::ostream& out, std::ostream& err) {
    err << "wxcheck: " << error << std::endl;
    notes.errors.push_back(error);
    if (listKnown && WriteList(settings, BuildFailureListFile(settings, notes), err)) {
        out << "wxcheck: nothing evaluated; the reason is in " << settings.ListPath() << std::endl;
    }
    return kNothingEvaluated;
}

std::string ProgressLine(const StationResult& s, std::size_t total) {
    std::string line =
        "Station " + std::to_string(s.number) + " of " + std::to_string(total) + ": ";
    if (s.evaluated) {
        line += std::to_string(s.pairs) + " pairs in the period, " + std::to_string(s.used) +
                " used, " + std::to_string(s.calm) + " calm";
    } else {
        line += "FAILED";
    }
    line += " (" + s.predicted.written + ", " + s.observed.written + ")";
    return line;
}

}  // namespace

int RunEngine(const EngineOptions& options, std::ostream& out, std::ostream& err) {
    RunNotes notes;
    notes.controlPath = options.controlPath;
    const ControlFileResult control = ReadControlFile(options.controlPath);
    const ControlSettings& settings = control.settings;
    if (!control.ok) {
        return Refuse(settings, control.listPathKnown, notes, control.error, out, err);
    }
    notes.warnings = settings.warnings;
    for (const std::string& warning : notes.warnings) {
        err << "wxcheck: warning: " << warning << std::endl;
    }

    std::string stationText;
    std::string error;
    if (!ReadWholeFile(settings.StationPath(), stationText, error)) {
        return Refuse(settings, true, notes,
                      settings.StationPath() + ": cannot read the station file: " + error, out,
                      err);
    }
    const StationFileResult stationFile = ParseStationFile(
        stationText, settings.StationPath(),
        [&](std::string_view path) { return settings.ResolveInFolder(path); }, IsRegularFile);
    if (!stationFile.ok) {
        return Refuse(settings, true, notes, stationFile.error, out, err);
    }

    const unsigned threads =
        options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = stationFile.stations.size();
    std::vector<StationResult> stations(count);
    std::vector<char> done(count, 0);
    std::mutex progress;
    std::size_t printed = 0;
    // Progress comes in station order, whichever thread finishes first.
    ParallelFor(count, threads, [&](std::size_t i) {
        StationResult result =
            EvaluateStation(settings, stationFile.stations[i], static_cast<int>(i) + 1);
        const std::lock_guard<std::mutex> lock(progress);
        stations[i] = std::move(result);
        done[i] = 1;
        while (printed < count && done[printed]) {
            const StationResult& s = stations[printed];
            out << ProgressLine(s, count) << std::endl;
            for (const std::string& e : s.errors) {
                err << "wxcheck: station " << s.number << ": " << e << std::endl;
            }
            ++printed;
        }
    });

    std::size_t evaluated = 0;
    for (const StationResult& s : stations) {
        evaluated += s.evaluated ? 1 : 0;
    }
    if (evaluated == 0) {
        notes.errors.push_back("no station could be evaluated");
    }
    const PooledResults pooled = ComputePooled(settings, stations, threads);
    int status = evaluated == 0      ? kNothingEvaluated
                 : evaluated < count ? kSomeFailed
                                     : kAllEvaluated;
    if (evaluated > 0) {
        for (const std::string& e : WriteStatisticsFiles(settings, stations, pooled, threads)) {
            err << "wxcheck: " << e << std::endl;
            notes.errors.push_back(e);
            status = std::max(status, kSomeFailed);
        }
    }
    if (!WriteList(settings, BuildListFile(settings, stations, pooled, notes), err)) {
        return kNothingEvaluated;
    }
    out << "wxcheck: " << evaluated << " of " << count << " station(s) evaluated; list file "
        << settings.ListPath() << std::endl;
    return status;
}

}  // namespace corvane::wxcheck
