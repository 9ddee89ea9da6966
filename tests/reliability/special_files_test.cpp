// Names of things that are not plain files, where a user or a station file may point: a
// named pipe would block the opening for ever (no program writes into it), a device never
// ends. The header check and the engine must refuse them and go on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "datasets/tsf_header.h"
#include "program_run.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class SpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("corvane_special_" + std::to_string(getpid()));
        fs::create_directories(folder_);
        pipe_ = (folder_ / "pipe.tsf").string();
        ASSERT_EQ(mkfifo(pipe_.c_str(), 0644), 0);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path folder_;
    std::string pipe_;
};

TEST_F(SpecialFiles, TheHeaderCheckRefusesAPipeAndADeviceWithoutWaiting) {
    // Should the check wait for a writer, this thread becomes one after a while, so that the
    // test fails instead of hanging.
    std::mutex mutex;
    std::condition_variable done;
    bool returned = false;
    std::atomic<bool> rescued = false;
    std::thread rescuer([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(10), [&] { return returned; })) {
            rescued = true;
            const int fd = open(pipe_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                close(fd);
            }
        }
    });
    const TsfHeader pipe = ReadTsfHeaderFile(pipe_);
    {
        std::lock_guard lock(mutex);
        returned = true;
    }
    done.notify_all();
    rescuer.join();
    EXPECT_FALSE(rescued) << "the header check waited for a program to write into a pipe";
    EXPECT_EQ(pipe.failure, TsfFailure::CannotOpen);
    EXPECT_NE(pipe.message.find(pipe_), std::string::npos) << pipe.message;

    const TsfHeader device = ReadTsfHeaderFile("/dev/zero");
    EXPECT_FALSE(device.ok());
}

TEST_F(SpecialFiles, TheEngineReportsAStationWhoseSeriesIsAPipeAndGoesOn) {
    const std::string bin = ProgramFolder();
    if (!fs::exists(bin + "/wxcheck")) {
        GTEST_SKIP() << "needs wxcheck in " << bin;
    }
    const std::string examples = CORVANE_EXAMPLES_DIR;
    const std::string folder = folder_.string();
    ASSERT_TRUE(WriteFile(folder + "/wxcheck.inp", ReadFile(examples + "/wxcheck.inp")));
    ASSERT_TRUE(WriteFile(folder + "/example_WXCHECK.TSF.STN",
                          "WXCHECK.TSF.STN 1.0\r\n3\r\nseries\r\n'" + pipe_ + "','" + examples +
                              "/st001_obs.tsf'\r\n'/dev/zero','" + examples +
                              "/st002_obs.tsf'\r\n'" + examples + "/st003_prd.tsf','" + examples +
                              "/st003_obs.tsf'\r\n"));
    const ProgramResult run = RunProgram(bin + "/wxcheck", {"wxcheck.inp"}, folder, 60);
    ASSERT_NE(run.status, -2) << "wxcheck did not end within a minute";
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string list = ReadFile(folder + "/example_wxcheck.lst");
    EXPECT_NE(list.find(pipe_), std::string::npos);
    EXPECT_NE(list.find("/dev/zero"), std::string::npos);
}

}  // namespace
}  // namespace corvane::testing
