#include "wxcheck/engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>
#include <unordered_map>

#include "report/evaluation_report.h"
#include "report/report_summary.h"
#include "tsf/text_scan.h"
#include "wxcheck/control_file.h"
#include "wxcheck/evaluation/day_intervals.h"
#include "wxcheck/evaluation/pooled_statistics.h"
#include "wxcheck/evaluation/station_evaluation.h"
#include "wxcheck/outputs/csv_output.h"
#include "wxcheck/outputs/list_file.h"
#include "wxcheck/outputs/output_file.h"
#include "wxcheck/outputs/run_outputs.h"
#include "wxcheck/outputs/statistics_files.h"
#include "wxcheck/station_file.h"

namespace corvane::wxcheck {

namespace {

// Writes the list file, the last output of a run. When it cannot be written, the list file
// of an earlier run must not stay under its name either: the run script copies it to the
// completion marker, and its exit status line would pass for this run's.
bool CommitList(OutputFile& list, std::ostream& err) {
    if (list.Commit()) {
        return true;
    }
    err << "wxcheck: " << list.error() << std::endl;
    if (IdentifyFile(list.path()).plain) {
        ::unlink(list.path().c_str());
    }
    return false;
}

bool WriteList(const ControlSettings& settings, std::ostream& err,
               const std::function<void(OutputFile&)>& write) {
    OutputFile list(OutputPath(settings, OutputKind::List));
    write(list);
    return CommitList(list, err);
}

// Writes the statistics files; their errors go to `err` and the list file. True when all
// four were written.
bool WriteStatistics(const ControlSettings& settings, const std::vector<StationResult>& stations,
                     const PooledResults& pooled, unsigned threads, RunNotes& notes,
                     std::ostream& err, ReportSummary* report = nullptr) {
    std::vector<std::string> errors =
        WriteStatisticsFiles(settings, stations, pooled, threads, report);
    if (!errors.empty()) {
        errors.push_back("the statistics files of an earlier run, if any, are left as they were");
    }
    for (const std::string& e : errors) {
        err << "wxcheck: " << e << std::endl;
        notes.errors.push_back(e);
    }
    return errors.empty();
}

// A run that evaluates no station writes no results, and leaves none of an earlier run
// under the names of its own.
void RemoveEarlierResults(const ControlSettings& settings, const EngineOptions& options) {
    for (const RunOutput& output : RunOutputs(settings, options)) {
        if (output.kind != OutputKind::List) {
            OutputFile::RemoveEarlier(output.path);
        }
    }
}

// Completes an output that stands alone: its error goes to `err` and the list file, and an
// earlier run's file under its name is removed rather than left to pass for this run's.
bool CommitAlone(OutputFile& file, RunNotes& notes, std::ostream& err) {
    if (file.Commit()) {
        return true;
    }
    err << "wxcheck: " << file.error() << std::endl;
    notes.errors.push_back(file.error());
    OutputFile::RemoveEarlier(file.path());
    return false;
}

// Writes the report; its error goes to `err` and the list file.
bool WriteReport(const ControlSettings& settings, const ReportSummary& summary, RunNotes& notes,
                 std::ostream& err) {
    OutputFile report(notes.reportPath);
    report.Write(BuildEvaluationReport(settings, summary, notes));
    return CommitAlone(report, notes, err);
}

// A run that cannot evaluate anything, once the control file is known to be one.
int Refuse(const ControlSettings& settings, const EngineOptions& options, RunNotes& notes,
           const std::string& error, std::ostream& out, std::ostream& err) {
    err << "wxcheck: " << error << std::endl;
    notes.errors.push_back(error);
    RemoveEarlierResults(settings, options);
    if (WriteList(settings, err,
                  [&](OutputFile& list) { WriteFailureListFile(list, settings, notes); })) {
        out << "wxcheck: nothing evaluated; the reason is in " << settings.ListPath() << std::endl;
    }
    return kNothingEvaluated;
}

// Outputs that are inputs or other outputs: refused before anything is written.
int RefuseCollisions(const std::vector<std::string>& collisions, std::ostream& err) {
    for (const std::string& collision : collisions) {
        err << "wxcheck: " << collision << std::endl;
    }
    err << "wxcheck: nothing was written; give the outputs other names (lines 3 to 5 of the "
           "control file)"
        << std::endl;
    return kNothingEvaluated;
}

// Every series against the outputs; warnings for a station whose two series are one file
// and for a station that repeats an earlier station's pair of files.
std::vector<std::string> CheckSeries(const ControlSettings& settings,
                                     const std::vector<StationEntry>& stations,
                                     const OutputGuard& guard, const OutputGuard& unwritten,
                                     std::vector<std::string>& inputsUnwritten,
                                     std::vector<std::vector<std::string>>& warnings) {
    struct PairKey {
        dev_t pd;
        ino_t pi;
        dev_t od;
        ino_t oi;
        bool operator==(const PairKey&) const = default;
    };
    struct PairHash {
        std::size_t operator()(const PairKey& k) const {
            return std::hash<std::uint64_t>()(
                (static_cast<std::uint64_t>(k.pi) * 1000003u) ^ static_cast<std::uint64_t>(k.oi) ^
                (static_cast<std::uint64_t>(k.pd) << 32) ^ static_cast<std::uint64_t>(k.od));
        }
    };
    std::unordered_map<PairKey, std::size_t, PairHash> seen;
    std::vector<std::string> collisions;
    warnings.assign(stations.size(), {});
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const StationEntry& entry = stations[i];
        if (!entry.error.empty()) {
            continue;
        }
        const std::string number = std::to_string(i + 1);
        std::array<FileIdentity, 2> ids;
        for (std::size_t f = 0; f < 2; ++f) {
            const std::string path =
                settings.ResolveInFolder(f == 0 ? entry.predicted : entry.observed);
            ids[f] = IdentifyFile(path);
            if (const RunOutput* spare = unwritten.Clash(ids[f])) {
                inputsUnwritten.push_back(spare->path);
            }
            if (const RunOutput* output = guard.Clash(ids[f])) {
                collisions.push_back(std::string(output->what) + " " + Excerpt(output->path) +
                                     " would replace the " + (f == 0 ? "predicted" : "observed") +
                                     " series of station " + number + ", " + Excerpt(path));
            }
        }
        if (!ids[0].exists || !ids[1].exists) {
            continue;
        }
        if (ids[0].SameFile(ids[1])) {
            warnings[i].push_back(
                "the predicted and the observed series are the same file: the station's "
                "statistics compare it with itself");
        }
        const auto [first, added] =
            seen.try_emplace(PairKey{ids[0].device, ids[0].inode, ids[1].device, ids[1].inode}, i);
        if (!added) {
            warnings[i].push_back("the same predicted and observed files as station " +
                                  std::to_string(first->second + 1) +
                                  ": their pairs count twice in the pooled statistics");
        }
    }
    return collisions;
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
    line += " (" + Excerpt(s.predicted.written) + ", " + Excerpt(s.observed.written) + ")";
    return line;
}

// The run; `known` holds its settings once its outputs may be written.
int RunChecked(const EngineOptions& options, std::ostream& out, std::ostream& err,
               std::optional<ControlSettings>& known) {
    // Nothing is written until the control file is known to be one and every value of it
    // has parsed: a text file given by mistake must not name a file to write over.
    const ControlFileResult control = ReadControlFile(options.controlPath);
    if (!control.ok) {
        err << "wxcheck: " << control.error << std::endl;
        return kNothingEvaluated;
    }
    const ControlSettings& settings = control.settings;
    RunNotes notes;
    notes.controlPath =
        options.controlPath == "-" ? std::string(kStandardInputName) : options.controlPath;
    if (options.report) {
        notes.reportPath = OutputPath(settings, OutputKind::Report);
    }
    if (options.pairs) {
        notes.pairsPath = OutputPath(settings, OutputKind::Pairs);
    }
    notes.warnings = settings.warnings;
    for (const std::string& warning : notes.warnings) {
        err << "wxcheck: warning: " << warning << std::endl;
    }

    // Without its folder no output can be written, not even the list file that would say so.
    struct stat folder {};
    if (::stat(settings.folder.empty() ? "." : settings.folder.c_str(), &folder) != 0 ||
        !S_ISDIR(folder.st_mode)) {
        const int reason = errno;
        err << "wxcheck: " << Excerpt(notes.controlPath) << ":3: the output folder "
            << Excerpt(settings.folder) << " "
            << (S_ISREG(folder.st_mode) ? "is a file"
                : reason == ENOENT      ? "does not exist"
                                        : std::string("cannot be used: ") + std::strerror(reason))
            << std::endl;
        return kNothingEvaluated;
    }
    const OutputGuard guard(RunOutputs(settings, options));
    std::vector<std::string> collisions = guard.problems();
    const FileIdentity controlId = options.controlPath == "-" ? IdentifyDescriptor(STDIN_FILENO)
                                                              : IdentifyFile(options.controlPath);
    if (const RunOutput* output = guard.Clash(controlId)) {
        collisions.push_back(std::string(output->what) + " " + Excerpt(output->path) +
                             " would replace the control file " + Excerpt(notes.controlPath));
    }
    if (auto clash = guard.Check(settings.StationPath(), "the station file")) {
        collisions.push_back(*clash);
    }
    if (!collisions.empty()) {
        return RefuseCollisions(collisions, err);
    }

    StationFileResult stationFile = ReadStationFile(
        settings.StationPath(),
        [&](std::string_view path) { return settings.ResolveInFolder(path); },
        [](const std::string& path) { return IdentifyFile(path).plain; });
    if (!stationFile.ok) {
        return Refuse(settings, options, notes, stationFile.error, out, err);
    }
    std::vector<std::vector<std::string>> identityWarnings;
    // Outputs of other options (the report, Pairs.csv) that this run does not write: an
    // earlier run's would stand beside this run's results as if they were its own. Those
    // that are inputs of this run are left alone.
    std::vector<RunOutput> unwrittenOutputs;
    {
        EngineOptions every = options;
        every.report = true;
        every.pairs = true;
        const std::vector<RunOutput> written = RunOutputs(settings, options);
        for (RunOutput& output : RunOutputs(settings, every)) {
            if (std::none_of(written.begin(), written.end(),
                             [&](const RunOutput& w) { return w.kind == output.kind; })) {
                unwrittenOutputs.push_back(std::move(output));
            }
        }
    }
    const OutputGuard unwritten(unwrittenOutputs);
    std::vector<std::string> inputsUnwritten;
    if (const RunOutput* spare = unwritten.Clash(controlId)) {
        inputsUnwritten.push_back(spare->path);
    }
    if (const RunOutput* spare = unwritten.Clash(IdentifyFile(settings.StationPath()))) {
        inputsUnwritten.push_back(spare->path);
    }
    collisions = CheckSeries(settings, stationFile.stations, guard, unwritten, inputsUnwritten,
                             identityWarnings);
    if (!collisions.empty()) {
        return RefuseCollisions(collisions, err);
    }
    // The list file is written last; until then an earlier run's must not stay under its
    // name, or a run that dies (killed, out of memory, a file-size limit) would leave it for
    // the run script to copy to the completion marker, passing for a finished run.
    OutputFile::RemoveEarlier(OutputPath(settings, OutputKind::List));
    {
        // Temporary files of earlier runs that were killed before they could remove them.
        std::vector<std::string> paths;
        for (const RunOutput& output : guard.outputs()) {
            paths.push_back(output.path);
        }
        for (const RunOutput& output : unwrittenOutputs) {
            paths.push_back(output.path);
        }
        OutputFile::SweepStale(paths);
    }
    for (const RunOutput& output : unwrittenOutputs) {
        if (std::find(inputsUnwritten.begin(), inputsUnwritten.end(), output.path) ==
            inputsUnwritten.end()) {
            OutputFile::RemoveEarlier(output.path);
        }
    }
    // The list file goes with the results: a run that cannot write it writes no results
    // either, so that what is on the disk agrees with the exit status.
    OutputFile list(OutputPath(settings, OutputKind::List));
    if (!list.ok()) {
        err << "wxcheck: " << list.error() << std::endl;
        RemoveEarlierResults(settings, options);
        err << "wxcheck: nothing evaluated: no results are written without their list file"
            << std::endl;
        return kNothingEvaluated;
    }
    known = settings;
    const BootstrapSettings bootstrap{options.bootstrap, options.seed};
    notes.resamples = options.bootstrap;
    notes.seed = options.seed;

    const unsigned threads =
        options.threads > 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t bufferBytes = RecordBufferBytes(threads);
    const std::size_t count = stationFile.stations.size();
    std::vector<StationResult> stations(count);
    std::vector<char> done(count, 0);
    std::mutex progress;
    std::size_t printed = 0;
    PooledFirstPass pooledFirst(settings);
    // Progress and the pooled sums come in station order, whichever thread finishes first.
    std::optional<ReportSummary> summary;
    if (options.report) {
        summary.emplace(settings);
    }
    // Every pair, written station by station in station order as the stations come in.
    std::optional<OutputFile> pairs;
    if (options.pairs) {
        pairs.emplace(notes.pairsPath);
        pairs->Write(PairsHeader());
    }
    ParallelFor(count, threads, [&](std::size_t i) {
        PairVisitor pairRows;
        if (options.pairs) {
            pairRows = [times = IsoTimes(settings.zone)](
                           StationResult& station, const Record& observed, const Record& predicted,
                           bool calm, bool used) mutable {
                AppendPairRow(station.pairsCsv, station, times.Text(observed.stamp), observed,
                              predicted, calm, used);
            };
        }
        StationResult result = EvaluateStation(settings, stationFile.stations[i],
                                               static_cast<int>(i) + 1, bufferBytes, pairRows);
        StationIntervals(settings, result, bootstrap);
        result.warnings.insert(result.warnings.begin(), identityWarnings[i].begin(),
                               identityWarnings[i].end());
        const std::lock_guard<std::mutex> lock(progress);
        stations[i] = std::move(result);
        done[i] = 1;
        while (printed < count && done[printed]) {
            StationResult& s = stations[printed];
            if (summary) {
                summary->AddStation(s);  // before its partial sums are merged and released
            }
            pooledFirst.Add(s);
            if (pairs) {
                pairs->Write(s.pairsCsv);
                std::string().swap(s.pairsCsv);  // an assignment would keep its buffer
            }
            out << ProgressLine(s, count) << std::endl;
            for (const std::string& e : s.errors) {
                err << "wxcheck: station " << s.number << ": " << e << std::endl;
            }
            ++printed;
        }
    });
    stationFile.stations = {};
    identityWarnings = {};

    std::size_t evaluated = 0;
    for (const StationResult& s : stations) {
        evaluated += s.evaluated ? 1 : 0;
    }
    if (evaluated == 0) {
        notes.errors.push_back("no station could be evaluated");
    }
    PooledResults pooled = ComputePooled(settings, stations, pooledFirst, threads);
    pooled.intervals = PooledIntervals(settings, stations, pooled, bootstrap, threads);
    if (pooled.notFinite) {
        notes.warnings.push_back(
            "some statistics of all stations pooled are no finite number (values too large to "
            "square and sum, such as 1e308) and are written as -999");
    }
    int status = evaluated == 0      ? kNothingEvaluated
                 : evaluated < count ? kSomeFailed
                                     : kAllEvaluated;
    if (evaluated == 0) {
        if (pairs) {
            pairs->Abandon();
        }
        RemoveEarlierResults(settings, options);
    } else {
        if (summary) {
            summary->Finish(stations, pooled, threads);
        }
        bool written = WriteStatistics(settings, stations, pooled, threads, notes, err,
                                       summary ? &*summary : nullptr);
        OutputFile stationStats(OutputPath(settings, OutputKind::StationStats));
        WriteStationStatistics(stationStats, settings, stations, &pooled, options.bootstrap,
                               options.seed);
        written = CommitAlone(stationStats, notes, err) && written;
        if (pairs) {
            written = CommitAlone(*pairs, notes, err) && written;
        }
        if (summary) {
            written = WriteReport(settings, *summary, notes, err) && written;
        }
        if (!written) {
            status = std::max(status, kSomeFailed);
        }
    }
    WriteListFile(list, settings, stations, pooled, notes, status);
    if (!CommitList(list, err)) {
        // Results without the list file would stand beside an exit status of 2.
        RemoveEarlierResults(settings, options);
        err << "wxcheck: nothing evaluated: the results of this run were removed, since their "
               "list file could not be written"
            << std::endl;
        return kNothingEvaluated;
    }
    out << "wxcheck: " << evaluated << " of " << count << " station(s) evaluated; list file "
        << settings.ListPath() << std::endl;
    return status;
}

}  // namespace

int RunEngine(const EngineOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<ControlSettings> known;
    try {
        return RunChecked(options, out, err, known);
    } catch (const std::bad_alloc&) {
        // Unwinding has released the run's memory: enough to say so, and to leave no results
        // of an earlier run under this run's names.
        const std::string error =
            "out of memory: the run was stopped (fewer --threads, a shorter period or fewer "
            "stations need less)";
        err << "wxcheck: " << error << std::endl;
        if (known) {
            RunNotes notes;
            notes.controlPath =
                options.controlPath == "-" ? std::string(kStandardInputName) : options.controlPath;
            notes.errors.push_back(error);
            RemoveEarlierResults(*known, options);
            WriteList(*known, err,
                      [&](OutputFile& list) { WriteFailureListFile(list, *known, notes); });
        }
        return kNothingEvaluated;
    }
}

}  // namespace corvane::wxcheck
