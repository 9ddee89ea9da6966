#include "wxcheck/outputs/run_outputs.h"

#include <sys/stat.h>

#include <filesystem>

#include "tsf/text_scan.h"
#include "wxcheck/outputs/statistics_files.h"

namespace corvane::wxcheck {

namespace {

struct OutputName {
    OutputKind kind;
    const char* what;
    std::string_view suffix;  // after ROOT; empty for the list file
};

constexpr OutputName kOutputs[] = {
    {OutputKind::List, "the list file", {}},
    {OutputKind::HourlyWind, "the hourly wind statistics file", kHourlyWindFile},
    {OutputKind::HourlyTeHu, "the hourly temperature and humidity statistics file",
     kHourlyTeHuFile},
    {OutputKind::DailyWind, "the daily wind statistics file", kDailyWindFile},
    {OutputKind::DailyTeHu, "the daily temperature and humidity statistics file", kDailyTeHuFile},
    {OutputKind::Report, "the report", "report.html"},
    {OutputKind::StationStats, "the per-station statistics file", "StationStats.csv"},
    {OutputKind::Pairs, "the pairs file", "Pairs.csv"},
};

std::string PathOf(const ControlSettings& settings, const OutputName& name) {
    return name.kind == OutputKind::List ? settings.ListPath()
                                         : settings.StatisticsPath(name.suffix);
}

FileIdentity FromStat(const struct stat& info) {
    FileIdentity id;
    id.exists = true;
    id.plain = S_ISREG(info.st_mode);
    id.device = info.st_dev;
    id.inode = info.st_ino;
    return id;
}

}  // namespace

std::vector<RunOutput> RunOutputs(const ControlSettings& settings, const EngineOptions& options) {
    std::vector<RunOutput> outputs;
    for (const OutputName& name : kOutputs) {
        if ((name.kind == OutputKind::Report && !options.report) ||
            (name.kind == OutputKind::Pairs && !options.pairs)) {
            continue;
        }
        outputs.push_back({name.kind, name.what, PathOf(settings, name)});
    }
    return outputs;
}

std::string OutputPath(const ControlSettings& settings, OutputKind kind) {
    for (const OutputName& name : kOutputs) {
        if (name.kind == kind) {
            return PathOf(settings, name);
        }
    }
    return {};
}

bool FileIdentity::SameFile(const FileIdentity& other) const {
    if (exists != other.exists) {
        return false;
    }
    return exists ? device == other.device && inode == other.inode : normal == other.normal;
}

FileIdentity IdentifyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return FromStat(info);
    }
    FileIdentity id;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::filesystem::path normal = std::filesystem::weakly_canonical(absolute, error);
    id.normal = error ? absolute.lexically_normal().string() : normal.string();
    return id;
}

FileIdentity IdentifyDescriptor(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? FromStat(info) : FileIdentity();
}

OutputGuard::OutputGuard(std::vector<RunOutput> outputs) : outputs_(std::move(outputs)) {
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        const RunOutput& output = outputs_[i];
        const FileIdentity id = IdentifyFile(output.path);
        if (id.exists && !id.plain) {
            problems_.push_back(std::string(output.what) + " " + Excerpt(output.path) +
                                " exists and is not a plain file");
            continue;
        }
        std::size_t first = i;
        if (id.exists) {
            first = byFile_.try_emplace(Key{id.device, id.inode}, i).first->second;
        } else {
            first = byPath_.try_emplace(id.normal, i).first->second;
        }
        if (first != i) {
            const RunOutput& other = outputs_[first];
            problems_.push_back(std::string(output.what) + " " + Excerpt(output.path) +
                                " is the same file as " + other.what + " " + Excerpt(other.path) +
                                "; lines 4 and 5 of the control file must give them different "
                                "names");
        }
    }
}

const RunOutput* OutputGuard::Clash(const FileIdentity& input) const {
    if (input.exists) {
        const auto found = byFile_.find(Key{input.device, input.inode});
        return found == byFile_.end() ? nullptr : &outputs_[found->second];
    }
    const auto found = byPath_.find(input.normal);
    return found == byPath_.end() ? nullptr : &outputs_[found->second];
}

std::optional<std::string> OutputGuard::Check(const std::string& path,
                                              const std::string& what) const {
    const RunOutput* output = Clash(IdentifyFile(path));
    if (output == nullptr) {
        return std::nullopt;
    }
    return std::string(output->what) + " " + Excerpt(output->path) + " would replace " + what +
           " " + Excerpt(path) + "; nothing is written";
}

}  // namespace corvane::wxcheck
