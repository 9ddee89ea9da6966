#include "wxcheck/compare/compare_run.h"

#include <sys/stat.h>

#include <new>
#include <ostream>

#include "tsf/text_scan.h"
#include "wxcheck/compare/compare_outputs.h"
#include "wxcheck/engine.h"
#include "wxcheck/outputs/output_file.h"
#include "wxcheck/outputs/run_outputs.h"

namespace corvane::wxcheck {

namespace {

int Compare(const CompareOptions& options, std::ostream& out, std::ostream& err) {
    const auto fail = [&](const std::string& error) {
        err << "wxcheck: " << error << std::endl;
        return kNothingEvaluated;
    };
    if (options.controlPaths.size() < 2) {
        return fail("--compare needs the control files of at least two runs");
    }
    std::vector<ControlSettings> runs;
    for (const std::string& path : options.controlPaths) {
        if (path == "-") {
            return fail("--compare reads control files by name, not from standard input");
        }
        ControlFileResult control = ReadControlFile(path);
        if (!control.ok) {
            return fail(control.error);
        }
        runs.push_back(std::move(control.settings));
    }
    ControlSettings common;
    if (std::string problem = CommonSettings(runs, options, common); !problem.empty()) {
        return fail(problem);
    }
    struct stat folder {};
    if (options.folder.empty() || ::stat(options.folder.c_str(), &folder) != 0 ||
        !S_ISDIR(folder.st_mode)) {
        return fail("-o: the output folder " + Excerpt(options.folder) + " is no folder");
    }
    const std::string base =
        options.folder + (options.folder.ends_with('/') ? "" : "/") + options.root;
    const std::vector<std::string> outputs = {base + "_Comparison.csv", base + "_comparison.html",
                                              base + "_comparison.lst"};
    const OutputGuard guard({{OutputKind::StationStats, "the comparison CSV", outputs[0]},
                             {OutputKind::Report, "the comparison report", outputs[1]},
                             {OutputKind::List, "the comparison list file", outputs[2]}});
    std::vector<std::string> collisions = guard.problems();
    for (std::size_t k = 0; k < runs.size(); ++k) {
        for (const auto& [path, what] :
             {std::pair{options.controlPaths[k], std::string("the control file")},
              std::pair{runs[k].StationPath(), std::string("the station file")}}) {
            if (auto clash = guard.Check(path, what)) {
                collisions.push_back(*clash);
            }
        }
    }
    if (!collisions.empty()) {
        for (const std::string& c : collisions) {
            err << "wxcheck: " << c << std::endl;
        }
        return fail("nothing was written; give the comparison another --root or -o");
    }

    // Temporary files of earlier comparisons that were killed before they could remove them.
    OutputFile::SweepStale(outputs);

    ComparisonResult result;
    std::string error;
    if (!CompareRuns(runs, common, options, result, error)) {
        for (const LeftOutStation& s : result.leftOut) {
            err << "wxcheck: left out " << s.name << ": " << s.reason << std::endl;
        }
        return fail(error);
    }
    for (const std::string& input : result.inputs) {
        if (auto clash = guard.Check(input, "a series")) {
            collisions.push_back(*clash);
        }
    }
    if (!collisions.empty()) {
        for (const std::string& c : collisions) {
            err << "wxcheck: " << c << std::endl;
        }
        return fail("nothing was written; give the comparison another --root or -o");
    }
    // The list file stands for a finished comparison: an earlier one's must not stay under
    // its name while this one writes, or a comparison that dies would pass for finished.
    OutputFile::RemoveEarlier(outputs[2]);

    const std::string summary = ComparisonSummary(result);
    OutputFile csv(outputs[0]);
    csv.Write(ComparisonCsv(result));
    OutputFile html(outputs[1]);
    html.Write(ComparisonHtml(result));
    OutputFile list(outputs[2]);
    list.Write(summary);
    // The three are of one comparison or none: an earlier comparison's CSV or page would
    // otherwise stand beside this one's list file.
    const std::vector<std::string> errors = OutputFile::CommitTogether({&csv, &html, &list});
    if (!errors.empty()) {
        for (const std::string& e : errors) {
            err << "wxcheck: " << e << std::endl;
        }
        for (const std::string& path : outputs) {
            OutputFile::RemoveEarlier(path);
        }
        return fail("nothing was written");
    }
    out << summary;
    out << "wxcheck: " << result.stations.size() << " station(s) compared, "
        << result.leftOut.size() << " left out; " << outputs[2] << std::endl;
    return result.leftOut.empty() ? kAllEvaluated : kSomeFailed;
}

}  // namespace

int RunComparison(const CompareOptions& options, std::ostream& out, std::ostream& err) {
    try {
        return Compare(options, out, err);
    } catch (const std::bad_alloc&) {
        err << "wxcheck: out of memory: the comparison was stopped (fewer --threads or "
               "stations need less)"
            << std::endl;
        return kNothingEvaluated;
    }
}

}  // namespace corvane::wxcheck
