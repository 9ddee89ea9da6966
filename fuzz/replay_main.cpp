// Replays a seed corpus through a fuzz target's entry point without libFuzzer, so that any
// build (g++ with sanitizers in CI) runs every input that once made a reader fail.
//
// replay_<target> PATH...   each PATH is a file or a folder of files (not recursive)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A copy of exactly the file's size, so that a read past its end is caught.
    std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    std::fprintf(stderr, "%s (%zu bytes)\n", file.c_str(), data.size());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    int replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            if (error) {
                std::fprintf(stderr, "%s: %s\n", path.c_str(), error.message().c_str());
                ok = false;
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                ok = Replay(file) && ok;
                ++replayed;
            }
        } else {
            ok = Replay(path) && ok;
            ++replayed;
        }
    }
    // An empty corpus would pass while testing nothing.
    if (replayed == 0) {
        std::fprintf(stderr, "no input replayed\n");
        return 1;
    }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    return ok ? 0 : 1;
}
