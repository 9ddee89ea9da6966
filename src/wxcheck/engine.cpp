#include "wxcheck/engine.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <ostream>
#include <thread>

#include "wxcheck/control_file.h"
#include "wxcheck/evaluation_report.h"
#include "wxcheck/list_file.h"
#include "wxcheck/pooled_statistics.h"
#include "wxcheck/report_summary.h"
#include "wxcheck/station_evaluation.h"
#include "wxcheck/station_file.h"
#include "wxcheck/statistics_files.h"
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

// Writes the statistics files; their errors go to `err` and the list file. True when all
// four were written.
bool WriteStatistics(const ControlSettings& settings, const std::vector<StationResult>& stations,
                     const PooledResults& pooled, unsigned threads, RunNotes& notes,
                     std::ostream& err, ReportSummary* report = nullptr) {
    const std::vector<std::string> errors =
        WriteStatisticsFiles(settings, stations, pooled, threads, report);
    for (const std::string& e : errors) {
        err << "wxcheck: " << e << std::endl;
        notes.errors.push_back(e);
    }
    return errors.empty();
}

// A report left from an earlier run would show that run's results as this one's.
void RemoveStaleReport(const RunNotes& notes) {
    if (!notes.reportPath.empty()) {
        struct stat info {};
        if (::lstat(notes.reportPath.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            std::remove(notes.reportPath.c_str());
        }
    }
}

// Writes the report; its error goes to `err` and the list file.
bool WriteReport(const ControlSettings& settings, const ReportSummary& summary, RunNotes& notes,
                 std::ostream& err) {
    std::string error;
    if (WriteFileReplacing(notes.reportPath, BuildEvaluationReport(settings, summary, notes),
                           error)) {
        return true;
    }
    const std::string message = notes.reportPath + ": cannot write the report: " + error;
    err << "wxcheck: " << message << std::endl;
    notes.errors.push_back(message);
    RemoveStaleReport(notes);
    return false;
}

// A run that cannot evaluate anything. With a usable control file the statistics files are
// written too (every row without pairs), so that none is left from an earlier run.
int Refuse(const ControlSettings& settings, bool listKnown, bool settingsUsable, RunNotes& notes,
           const std::string& error, std::ostream& out, std::ostream& err) {
    err << "wxcheck: " << error << std::endl;
    notes.errors.push_back(error);
    if (settingsUsable) {
        WriteStatistics(settings, {}, ComputePooled(settings, {}, 1), 1, notes, err);
        RemoveStaleReport(notes);
    }
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
    if (options.report) {
        notes.reportPath = settings.StatisticsPath(kReportFile);
    }
    if (!control.ok) {
        return Refuse(settings, control.listPathKnown, false, notes, control.error, out, err);
    }
    notes.warnings = settings.warnings;
    for (const std::string& warning : notes.warnings) {
        err << "wxcheck: warning: " << warning << std::endl;
    }

    std::string stationText;
    std::string error;
    if (!ReadWholeFile(settings.StationPath(), stationText, error)) {
        return Refuse(settings, true, true, notes,
                      settings.StationPath() + ": cannot read the station file: " + error, out,
                      err);
    }
    const StationFileResult stationFile = ParseStationFile(
        stationText, settings.StationPath(),
        [&](std::string_view path) { return settings.ResolveInFolder(path); }, IsRegularFile);
    if (!stationFile.ok) {
        return Refuse(settings, true, true, notes, stationFile.error, out, err);
    }

    const unsigned threads =
        options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = stationFile.stations.size();
    std::vector<StationResult> stations(count);
    std::vector<char> done(count, 0);
    std::mutex progress;
    std::size_t printed = 0;
    std::optional<ReportSummary> summary;
    if (options.report) {
        summary.emplace(settings);
    }
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
            if (summary) {
                summary->AddStation(s);
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
    if (evaluated == 0) {
        summary.reset();  // no report without results
    } else if (summary) {
        summary->Finish(stations, pooled, threads);
    }
    // Also when nothing was evaluated: the five files always belong to the same run.
    if (!WriteStatistics(settings, stations, pooled, threads, notes, err,
                         summary ? &*summary : nullptr)) {
        status = std::max(status, kSomeFailed);
    }
    if (summary) {
        if (!WriteReport(settings, *summary, notes, err)) {
            status = std::max(status, kSomeFailed);
        }
    } else {
        RemoveStaleReport(notes);
    }
    if (!WriteList(settings, BuildListFile(settings, stations, pooled, notes), err)) {
        return kNothingEvaluated;
    }
    out << "wxcheck: " << evaluated << " of " << count << " station(s) evaluated; list file "
        << settings.ListPath() << std::endl;
    return status;
}

}  // namespace corvane::wxcheck
