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
#include "tsf/plain_file.h"
#include "tsf/tsf_header.h"
#include "tsf/tsf_records.h"
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

    // The records of a written file as the engine reads them, keyed by the variables' slots;
    // humidity from the file's column of the given kind.
    std::vector<Record> EngineRecords(const std::string& name, HumidityKind humidity) const {
        const TsfHeader header = ReadTsfHeaderFile(Path(name));
        EXPECT_TRUE(header.ok()) << header.message;
        const FileVariables v = MapVariables(header.variables);
        EXPECT_TRUE(v.warnings.empty());
        RecordPlan plan;
        plan.variableCount = v.variableCount;
        plan.column = {v.column[0], v.column[1], v.column[2],
                       v.humidityColumn[static_cast<std::size_t>(humidity)]};
        plan.temperatureUnit = v.temperatureUnit;
        std::vector<Record> records;
        RecordCounts counts;
        std::vector<char> buffer;
        std::string error;
        const FileDescriptor file = OpenPlainFile(Path(name), error);
        EXPECT_TRUE(file.valid()) << error;
        EXPECT_TRUE(ReadRecordFile(file.get(), header.dataOffset,
                                   std::filesystem::file_size(Path(name)), header.dataLine, plan,
                                   records, counts, buffer, RecordBufferBytes(1), error))
            << error;
        EXPECT_EQ(counts.skipped, 0) << counts.firstSkippedReason;
        EXPECT_EQ(counts.outOfRange, 0);
        return records;
    }

    const testing::ScratchFolder scratch_;
    const std::filesystem::path folder_ = std::filesystem::path(scratch_.path()).parent_path();
};

}  // namespace corvane::tsfconvert
