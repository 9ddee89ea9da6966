#pragma once

// What every converter test starts from: a scratch folder of its own, files written into and
// read from it by name, and runs of the converter with that folder as the current one, so
// that names stay short.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "tsfconvert/convert.h"

namespace corvane::tsfconvert {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ConverterTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    void Write(const std::string& name, const std::string& text) const {
        testing::WriteFile(Path(name), text);
    }
    std::string Read(const std::string& name) const { return testing::ReadFile(Path(name)); }

    Outcome Run(const std::vector<std::string>& arguments) const {
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
        std::ostringstream out;
        std::ostringstream err;
        Outcome outcome;
        outcome.status = RunConvert(arguments, out, err);
        std::filesystem::current_path(before);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    const testing::ScratchFolder scratch_;
    const std::filesystem::path folder_ = std::filesystem::path(scratch_.path()).parent_path();
};

}  // namespace corvane::tsfconvert
