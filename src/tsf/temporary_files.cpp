#include "tsf/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace corvane {

namespace {

// The handlers may run at any moment on any thread: they read only this fixed table, and a
// place is claimed and given back by atomic exchanges of its state.
enum SlotState : int { kFree = 0, kBusy = 1, kArmed = 2, kRemoving = 3 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

constexpr int kSlots = 64;
Slot g_slots[kSlots];

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void RemoveTemporariesAndEnd(int number) {
    const int saved = errno;
    for (Slot& slot : g_slots) {
        int armed = kArmed;
        // Claimed for good: the process ends, and Release leaves the place alone.
        if (slot.state.compare_exchange_strong(armed, kRemoving)) {
            ::unlink(slot.path);
        }
    }
    errno = saved;
    // The handler was reset to the default action on entry: the signal, pending until the
    // handler returns, then ends the process as if no handler had been installed.
    ::raise(number);
}

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::string TemporaryStem(std::string_view target) {
    const std::size_t slash = target.rfind('/');
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : target.substr(0, slash + 1);
    std::string_view name = slash == std::string_view::npos ? target : target.substr(slash + 1);
    if (name.size() > 100) {
        std::size_t cut = 100;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name = name.substr(0, cut);
    }
    std::string stem(folder);
    stem += '.';
    stem.append(name);
    stem += '.';
    return stem;
}

void RemoveTemporaryFilesOnSignals() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signal : kSignals) {
            struct sigaction old {};
            if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) {
                continue;
            }
            struct sigaction action {};
            action.sa_handler = RemoveTemporariesAndEnd;
            action.sa_flags = SA_RESETHAND;
            sigemptyset(&action.sa_mask);
            for (const int other : kSignals) {
                sigaddset(&action.sa_mask, other);
            }
            ::sigaction(signal, &action, nullptr);
        }
    });
}

void TemporaryRegistration::Register(const std::string& path) {
    Release();
    if (path.empty() || path.size() >= PATH_MAX) {
        return;
    }
    for (int i = 0; i < kSlots; ++i) {
        int free = kFree;
        if (g_slots[i].state.compare_exchange_strong(free, kBusy)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(kArmed, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

void TemporaryRegistration::Release() {
    if (slot_ < 0) {
        return;
    }
    Slot& slot = g_slots[slot_];
    slot_ = -1;
    // A place a handler has claimed stays claimed: the handler may still read its path, and
    // the process is ending.
    int armed = kArmed;
    if (!slot.state.compare_exchange_strong(armed, kBusy)) {
        return;
    }
    slot.state.store(kFree, std::memory_order_release);
}

std::string_view StaleTemporaryOutput(std::string_view fileName, TemporaryTag tag) {
    if (fileName.size() < 2 || fileName.front() != '.' || !fileName.ends_with(".tmp")) {
        return {};
    }
    std::string_view core = fileName.substr(1, fileName.size() - 5);
    // From the end: the tag, "-", the process id, "." and the output's name.
    if (tag == TemporaryTag::Random) {
        if (core.size() < 7 || core[core.size() - 7] != '-') {
            return {};
        }
        for (const char c : core.substr(core.size() - 6)) {
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
                return {};
            }
        }
        core.remove_suffix(7);
    } else {
        for (int part = 0; part < 2; ++part) {
            const std::size_t dash = core.rfind('-');
            if (dash == std::string_view::npos || !AllDigits(core.substr(dash + 1))) {
                return {};
            }
            core = core.substr(0, dash);
        }
    }
    const std::size_t dot = core.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    const std::string_view pidText = core.substr(dot + 1);
    if (!AllDigits(pidText) || pidText.front() == '0' || pidText.size() > 9) {
        return {};
    }
    long pid = 0;
    for (const char c : pidText) {
        pid = pid * 10 + (c - '0');
    }
    // Alive, or of another user (EPERM): not ours to remove.
    if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) {
        return {};
    }
    return core.substr(0, dot);
}

std::size_t SweepStaleTemporaries(const std::string& folder, TemporaryTag tag,
                                  const std::function<bool(std::string_view)>& isOutput) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        // The cheap checks first: most entries of a folder are not hidden.
        if (name.size() < 8 || name.front() != '.' || !name.ends_with(".tmp")) {
            continue;
        }
        const std::string_view output = StaleTemporaryOutput(name, tag);
        if (output.empty() || !isOutput(output)) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace corvane
