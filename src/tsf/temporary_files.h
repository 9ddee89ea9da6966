#pragma once

// The hidden temporary files that the engine and the converter write beside an output before
// renaming them over it: ".NAME.PID-TAG.tmp". A run stopped by SIGTERM (as a closed console
// sends), SIGINT or SIGHUP removes its own; one that was killed outright leaves them, and the
// next run beside the same outputs removes those of processes that no longer run.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

/// How the TAG of a temporary name is formed: "N-N" (a counter and an attempt, the engine's)
/// or six letters and digits (mkstemps, the converter's).
enum class TemporaryTag { Numbered, Random };

/// "FOLDER/.NAME." of the temporary files of the output at `target` (a link already
/// followed): the name cut to 100 bytes at a character's start, so that the temporary name
/// stays valid for any valid name of the target.
std::string TemporaryStem(std::string_view target);

/// Installs, once, handlers of SIGTERM, SIGINT and SIGHUP that remove the registered
/// temporary files and then end the process by the signal as it would have ended. A signal
/// that is ignored (nohup) stays ignored.
void RemoveTemporaryFilesOnSignals();

/// A temporary file removed by the handlers while it is registered: from construction (or
/// Register) until Release. The table of paths has a fixed size; a path that finds no free
/// place is not removed on a signal, and is left for the next run's sweep.
class TemporaryRegistration {
public:
    TemporaryRegistration() = default;
    explicit TemporaryRegistration(const std::string& path) { Register(path); }
    ~TemporaryRegistration() { Release(); }
    TemporaryRegistration(const TemporaryRegistration&) = delete;
    TemporaryRegistration& operator=(const TemporaryRegistration&) = delete;

    void Register(const std::string& path);
    /// Once the file is renamed or removed.
    void Release();

private:
    int slot_ = -1;
};

/// Removes from `folder` ("" is the current folder) the temporary files ".NAME.PID-TAG.tmp"
/// of processes that no longer run, where `isOutput(NAME)` holds and TAG has the form `tag`.
/// Only plain files whose whole name has this form are touched. Returns how many were removed.
std::size_t SweepStaleTemporaries(const std::string& folder, TemporaryTag tag,
                                  const std::function<bool(std::string_view)>& isOutput);

/// NAME of ".NAME.PID-TAG.tmp" when `fileName` has this form and PID names a process that no
/// longer runs; empty otherwise.
std::string_view StaleTemporaryOutput(std::string_view fileName, TemporaryTag tag);

}  // namespace corvane
