// The frame clock (on the virtual clock: no real waiting) and the error log's exact contents.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "engine/display/clock.h"
#include "engine/display/log.h"
#include "platform/testing.h"
#include "platform/window.h"

namespace {

std::string read_text(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct LogTest : ::testing::Test {
    std::filesystem::path dir;
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("dw_log_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        log_close();
        std::filesystem::remove_all(dir);
    }
    // Opens the log as dir/name; its full name.
    std::string open(const char *name) {
        const std::string path = (dir / name).string();
        EXPECT_EQ(log_open(path.c_str()), 1);
        return path;
    }
};

// A log file's whole text around what was written into it.
std::string log_text(const std::string &name, const std::string &written) {
    return "\nOpening Error Output File (" + name + "):\n" + written +
           "\nClosing Error Output File.";
}

} // namespace

TEST(Clock, WaitMeasuresFromTheStartAcrossTheWrap) {
    testing_use_virtual_clock(4294967290u, 0);
    EXPECT_EQ(clock_start(), 4294967290u);
    EXPECT_EQ(clock_start_tick, 4294967290u);
    testing_set_ticks(24); // wrapped: 30 ms have passed
    EXPECT_EQ(clock_wait(30), 24u);
    EXPECT_EQ(clock_wait(0), 24u);
}

// Each read of the virtual clock adds 1 ms: the wait returns the read after the first one that
// sees the time gone, also across the wrap, and a second wait from the same start at once.
TEST(Clock, WaitReturnsTheReadAfterTheTimeHasPassed) {
    const struct {
        std::uint32_t start, wait, returned;
    } cases[] = {{1000, 30, 1031}, {4294967280u, 30, 15}, {4294967295u, 1, 1}, {7, 0, 9}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.start);
        testing_use_virtual_clock(c.start, 1);
        EXPECT_EQ(clock_start(), c.start);
        EXPECT_EQ(clock_wait(c.wait), c.returned);
        EXPECT_EQ(clock_wait(c.wait), c.returned + 2);
    }
    testing_use_real_clock();
}

// On the real clock the wait sleeps most of the time, and still never returns early.
TEST(Clock, RealWaitNeverReturnsEarly) {
    testing_use_real_clock();
    for (std::uint32_t ms : {1u, 2u, 17u}) {
        const std::uint32_t start = clock_start();
        EXPECT_GE(clock_wait(ms) - start, ms);
        EXPECT_GE(GetTickCount() - start, ms);
    }
}

TEST_F(LogTest, WriteWithoutALogCreatesNothing) {
    EXPECT_EQ(log_write("\nCreate BOB %d", 3), 0);
    EXPECT_EQ(log_write(nullptr), 0);
    EXPECT_EQ(log_close(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(LogTest, FileHoldsOpeningLineMessageAndClosingLine) {
    const std::string name = open("errors.txt");
    EXPECT_EQ(log_write("\nCreate BOB %d", 6), 1);
    EXPECT_EQ(log_close(), 1);
    EXPECT_EQ(read_text(name), log_text(name, "\nCreate BOB 6"));
}

TEST_F(LogTest, ReopeningClosesTheFirstAndPercentSignsStandUnchanged) {
    const std::string first = open("first.txt");
    const std::string second = open("50%d%s.txt");
    log_write("%s", "100% sure");
    log_close();
    EXPECT_EQ(read_text(first), log_text(first, ""));
    EXPECT_EQ(read_text(second), log_text(second, "100% sure"));
}

TEST_F(LogTest, AFailedOpenLeavesTheOpenLogOpen) {
    const std::string name = open("kept.txt");
    EXPECT_EQ(log_open((dir / "missing" / "x.txt").string().c_str()), 0);
    EXPECT_EQ(log_write("\nstill here"), 1);
    log_close();
    EXPECT_EQ(read_text(name), log_text(name, "\nstill here"));
}

TEST_F(LogTest, AMessageLongerThanTheBufferIsWrittenWhole) {
    const std::string name = open("long.txt");
    const std::string long_text(500, 'x');
    EXPECT_EQ(log_write("\n%s|%d", long_text.c_str(), 42), 1);
    EXPECT_EQ(log_buffer[79], '\0');
    log_close();
    EXPECT_EQ(read_text(name), log_text(name, "\n" + long_text + "|42"));
}
