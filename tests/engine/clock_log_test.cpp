// The frame clock (on the virtual clock: no real waiting) and the error log's exact contents.

#include "engine/display/clock.h"
#include "engine/display/log.h"
#include "engine_test_support.h"

namespace {

TEST(Clock, WaitReturnsTheReadAfterTheTimeHasPassed) {
    testing_use_virtual_clock(4294967290u, 0);
    EXPECT_EQ(clock_start(), 4294967290u);
    EXPECT_EQ(clock_start_tick, 4294967290u);
    testing_set_ticks(24); // wrapped: 30 ms have passed
    EXPECT_EQ(clock_wait(30) + clock_wait(0), 48u);
    // At 1 ms a read, a wait returns the read after the first that sees the time gone (also across
    // the wrap), and a second wait from the same start at once: start, wait, returned.
    for (auto [start, wait, returned] : {std::array<std::uint32_t, 3>{1000, 30, 1031}, {4294967280u, 30, 15},
                                         {4294967295u, 1, 1}, {7, 0, 9}}) {
        testing_use_virtual_clock(start, 1);
        EXPECT_EQ((std::array{clock_start(), clock_wait(wait), clock_wait(wait)}),
                  (std::array{start, returned, returned + 2})) << start;
    }
    testing_use_real_clock();
}

// A log file's whole text around what was written into it.
std::string log_text(const std::string &name, const std::string &written) {
    return "\nOpening Error Output File (" + name + "):\n" + written +
           "\nClosing Error Output File.";
}

TEST(Log, FileHoldsOpeningLineMessagesAndClosingLine) {
    TempDir dir; // without a log nothing is written, and no file made
    EXPECT_EQ(log_write("\nCreate BOB %d", 3) + log_write(nullptr) + log_close(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));

    const std::string first = dir / "first.txt", second = dir / "50%d%s.txt";
    ASSERT_EQ(log_open(first.c_str()), 1);
    EXPECT_EQ(log_write("\nCreate BOB %d", 6), 1);
    // Opening another closes the first; a failed open leaves the open log open.
    ASSERT_EQ(log_open(second.c_str()), 1);
    EXPECT_EQ(log_open((dir / "missing/x.txt").c_str()), 0);
    EXPECT_EQ(log_write("%s", "100% sure"), 1); // percent signs stand unchanged
    const std::string long_text(500, 'x'); // longer than the buffer, written whole
    EXPECT_EQ(log_write("\n%s|%d", long_text.c_str(), 42), 1);
    EXPECT_EQ(log_buffer[79], '\0');
    EXPECT_EQ(log_close(), 1);
    EXPECT_EQ(read_text(first), log_text(first, "\nCreate BOB 6"));
    EXPECT_EQ(read_text(second), log_text(second, "100% sure\n" + long_text + "|42"));
}

} // namespace
