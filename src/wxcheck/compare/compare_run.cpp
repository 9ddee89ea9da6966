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
    const OutputGuard guard(
        {{OutputKind::StationStats, "the comparison CSV", base + "_Comparison.csv"},
         {OutputKind::Report, "the comparison report", base + "_comparison.html"},
         {OutputKind::List, "the comparison list file", base + "_comparison.lst"}});
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

    const std::string summary = ComparisonSummary(result);
    OutputFile csv(base + "_Comparison.csv");
    csv.Write(ComparisonCsv(result));
    OutputFile html(base + "_comparison.html");
    html.Write(ComparisonHtml(result));
    OutputFile list(base + "_comparison.lst");
    list.Write(summary);
    // The list file last: it stands for a finished comparison.
    bool written = true;
    for (OutputFile* file : {&csv, &html, &list}) {
        if (!file->Commit()) {
            err << "wxcheck: " << file->error() << std::endl;
            written = false;
        }
    }
    out << summary;
    out << "wxcheck: " << result.stations.size() << " station(s) compared, "
        << result.leftOut.size() << " left out; " << base << "_comparison.lst" << std::endl;
    return !written ? kSomeFailed : result.leftOut.empty() ? kAllEvaluated : kSomeFailed;
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
