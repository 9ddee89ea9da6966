#pragma once

// Every file a run writes, in one list: the collision check covers all of them, and each
// writer takes its path from here. No output may replace an input (the control file, the
// station file, a series) or another output.

#include <sys/types.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "wxcheck/control_file.h"
#include "wxcheck/engine.h"

namespace corvane::wxcheck {

enum class OutputKind {
    List,
    HourlyWind,
    HourlyTeHu,
    DailyWind,
    DailyTeHu,
    Report,        // ROOT + "report.html", unless --no-report
    StationStats,  // ROOT + "StationStats.csv", when a station was evaluated
    Pairs,         // ROOT + "Pairs.csv", with --pairs
};

struct RunOutput {
    OutputKind kind;
    /// "the list file", "the report", ... for messages.
    const char* what;
    std::string path;
};

/// Every output a run with these options may write (ROOT is the output folder + line 5),
/// the list file first.
std::vector<RunOutput> RunOutputs(const ControlSettings& settings, const EngineOptions& options);

/// The path of one output.
std::string OutputPath(const ControlSettings& settings, OutputKind kind);

/// What tells two paths apart: device and inode of an existing file (links and hard links
/// lead to the same), otherwise the absolute path with "." and ".." and links resolved as far
/// as it exists.
struct FileIdentity {
    bool exists = false;
    bool plain = false;  // a plain file (after links)
    dev_t device = 0;
    ino_t inode = 0;
    std::string normal;  // set when the file does not exist

    bool SameFile(const FileIdentity& other) const;
};

FileIdentity IdentifyFile(const std::string& path);
/// The file behind an open descriptor (standard input given as "-").
FileIdentity IdentifyDescriptor(int fd);

/// The outputs of a run, identified once, checked against each other and against inputs.
class OutputGuard {
public:
    explicit OutputGuard(std::vector<RunOutput> outputs);

    /// Outputs that are the same file as another output, or exist but are no plain file.
    const std::vector<std::string>& problems() const { return problems_; }
    const std::vector<RunOutput>& outputs() const { return outputs_; }
    /// The output that is the same file as an input, if any.
    const RunOutput* Clash(const FileIdentity& input) const;
    /// A message naming both files when the input at `path` is an output.
    std::optional<std::string> Check(const std::string& path, const std::string& what) const;

private:
    struct Key {
        dev_t device;
        ino_t inode;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(k.inode) * 1000003u ^
                                              static_cast<std::uint64_t>(k.device));
        }
    };

    std::vector<RunOutput> outputs_;
    std::unordered_map<Key, std::size_t, KeyHash> byFile_;
    std::unordered_map<std::string, std::size_t> byPath_;
    std::vector<std::string> problems_;
};

}  // namespace corvane::wxcheck
