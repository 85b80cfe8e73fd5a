// The frame clock, the error log, and the screen transitions on the virtual clock: palettes shown,
// step counts, wipe order, dissolve pixels.
#include "engine/display/clock.h"
#include "engine/display/log.h"
#include "engine/display/transition.h"

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
    for (auto [start, wait, returned] : {std::array<std::uint32_t, 3>{1000, 30, 1031},
                                         {4294967280u, 30, 15},
                                         {4294967295u, 1, 1},
                                         {7, 0, 9}}) {
        testing_use_virtual_clock(start, 1);
        EXPECT_EQ((std::array{clock_start(), clock_wait(wait), clock_wait(wait)}),
                  (std::array{start, returned, returned + 2}))
            << start;
    }
    // On the wall clock the sleep ends at a tick's turn: never before the tick the wait is for.
    testing_use_real_clock();
    for (const std::uint32_t wait : {1u, 3u, 30u}) {
        const std::uint32_t start = clock_start();
        EXPECT_GE(clock_wait(wait) - start, wait);
    }
}

TEST(Log, FileHoldsOpeningLineMessagesAndClosingLine) {
    TempDir dir; // without a log nothing is written, and no file made
    EXPECT_EQ(log_write("\nCreate BOB %d", 3) + log_write(nullptr) + log_close(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    const std::string first = dir / "first.txt", second = dir / "50%d%s.txt", long_text(500, 'x');
    // Another open closes the first; a failed one leaves the log open; percent signs and messages
    // longer than the buffer are written whole.
    EXPECT_EQ((std::array{log_open(first.c_str()), log_write("\nCreate BOB %d", 6),
                          log_open(second.c_str()), log_open((dir / "missing/x.txt").c_str()),
                          log_write("%s", "100% sure"), log_write("\n%s|%d", long_text.c_str(), 42),
                          int(log_buffer[79]), log_close()}),
              (std::array{1, 1, 1, 0, 1, 1, 0, 1}));
    for (auto [name, written] : {std::pair{first, std::string("\nCreate BOB 6")},
                                 {second, "100% sure\n" + long_text + "|42"}}) {
        const std::vector<BYTE> bytes = read_bytes(name);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\nOpening Error Output File (" + name +
                                                               "):\n" + written +
                                                               "\nClosing Error Output File.");
    }
}

constexpr int width = 640, height = 480, pitch = 656; // writes past column 639 show
constexpr BYTE picture = 7;
constexpr DWORD start_tick = 1000;
// At 12 ms a read, a step reads the clock thrice: clock_start, the wait's one read, the one
// returned.
constexpr DWORD ms_per_step = 3 * 12;

struct TransitionTest : DisplayTest {
    void SetUp() override {
        DisplayTest::SetUp();
        testing_use_virtual_clock(start_tick, 12);
    }
    void TearDown() override {
        testing_on_present(nullptr, nullptr);
        testing_use_real_clock();
        DisplayTest::TearDown();
    }

    static int run(int kind, BYTE *buffer, int buffer_pitch) { // the 12 ms steps it took
        testing_set_ticks(start_tick);
        screen_transition(kind, buffer, buffer_pitch);
        return static_cast<int>((GetTickCount() - start_tick) / ms_per_step);
    }

    // Runs a palette transition of `steps` steps from `start`; the palette of each frame presented.
    using Palettes = std::vector<std::vector<PALETTEENTRY>>;
    static Palettes run_palette(int kind, PALETTEENTRY *start, int steps) {
        palette_set_all(start);
        Palettes shown;
        testing_on_present(
            [](const PresentedFrame &f, void *user) {
                static_cast<Palettes *>(user)->emplace_back(f.palette, f.palette + 256);
            },
            &shown);
        EXPECT_EQ(run(kind, nullptr, 0), steps);
        EXPECT_EQ(shown.size(), std::size_t(steps));
        testing_on_present(nullptr, nullptr);
        shown.resize(std::size_t(steps));
        return shown;
    }
    static std::vector<BYTE> screen_memory() {
        return std::vector<BYTE>(std::size_t(pitch) * height, picture);
    }
};

std::array<int, 3> rgb(const PALETTEENTRY &e) {
    return {e.peRed, e.peGreen, e.peBlue};
}

TEST_F(TransitionTest, FadeToBlackKeepsEntryZeroAndFallsByThree) {
    PALETTEENTRY start[256];
    palette_save_all(start);
    start[0] = PALETTEENTRY{200, 100, 50, 4};
    start[1] = PALETTEENTRY{255, 4, 1, 4};
    start[2] = PALETTEENTRY{5, 6, 7, 9};
    const auto shown = run_palette(FADE_TO_BLACK, start, 80);
    // 1 to 4 become 0 in one step; entry 0 and the flags stay.
    EXPECT_EQ((std::vector{rgb(shown[0][1]), rgb(shown[0][2]), rgb(shown[1][2]), rgb(shown[78][1]),
                           rgb(palette_table[1]), rgb(palette_table[0])}),
              (std::vector<std::array<int, 3>>{
                  {252, 0, 0}, {2, 3, 4}, {0, 0, 0}, {18, 0, 0}, {15, 0, 0}, {200, 100, 50}}));
    EXPECT_TRUE(palette_table[2].peFlags == 9 &&
                std::memcmp(main_palette->entries, palette_table, sizeof palette_table) == 0);
}

TEST_F(TransitionTest, FadeToWhiteAndTintsTakeSixtyFourSteps) {
    PALETTEENTRY start[256] = {};
    start[9] = PALETTEENTRY{0, 100, 255, 4};
    auto shown = run_palette(FADE_TO_WHITE, start, 64);
    EXPECT_EQ((std::vector{rgb(shown[62][9]), rgb(shown[63][9]), rgb(shown[63][0])}),
              (std::vector<std::array<int, 3>>{{252, 255, 255}, {255, 255, 255}, {255, 255, 255}}));

    // The tints reach pure red, green or blue from any palette.
    for (auto [kind, r, g, b] : {std::tuple{TINT_TO_RED, 255, 0, 0},
                                 {TINT_TO_GREEN, 0, 255, 0},
                                 {TINT_TO_BLUE, 0, 0, 255}}) {
        SCOPED_TRACE(kind);
        for (int i = 0; i < 256; ++i)
            start[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), 4};
        shown = run_palette(kind, start, 64);
        // Entry 0 (0, 255, 0) after one step: the rising component gains 6, the others lose 4.
        EXPECT_EQ(rgb(shown.front()[0]), (std::array{r ? 6 : 0, g ? 255 : 251, b ? 6 : 0}));
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(rgb(palette_table[i]), (std::array{r, g, b})) << "entry " << i;
    }
}

// Wipes erase two lines a side per step: each frame has the first and last e columns (or rows, or
// both) erased for one even e, read along the middle row (or the first column), the rest untouched.
void check_wipe(const PresentedFrame &f, void *user) {
    auto &[kind, frames, wrong] = *static_cast<std::tuple<int, int, int> *>(user);
    ++frames;
    const int n = kind == WIPE_ROWS ? f.height : f.width;
    int e = 0;
    while (e < n && f.pixels[kind == WIPE_ROWS ? e * f.width : f.height / 2 * f.width + e] == 0)
        ++e;
    e = std::min(e, n / 2);
    bool right = e % 2 == 0;
    for (int p = 0; p < f.width * f.height; ++p) {
        const int x = p % f.width, y = p / f.width;
        const bool column = x < e || x >= f.width - e, row = y < e || y >= f.height - e;
        const bool erased = kind == WIPE_COLUMNS ? column : kind == WIPE_ROWS ? row : column || row;
        right = right && f.pixels[p] == (erased ? 0 : picture);
    }
    wrong += right ? 0 : 1;
}

TEST_F(TransitionTest, WipesEraseFromBothEdgesInTheirStepCounts) {
    for (auto [kind, steps] :
         {std::pair{WIPE_COLUMNS, 160}, {WIPE_ROWS, 120}, {WIPE_ROWS_AND_COLUMNS, 160}}) {
        SCOPED_TRACE(kind);
        BYTE *memory = display_lock_primary();
        ASSERT_NE(memory, nullptr);
        for (int y = 0; y < height; ++y)
            std::memset(memory + y * primary_pitch, picture, width);
        std::tuple<int, int, int> seen{kind, 0,
                                       0}; // kind, frames, wrong frames (the memory is on screen)
        testing_on_present(check_wipe, &seen);
        EXPECT_EQ(run(kind, memory, primary_pitch), steps);
        testing_on_present(nullptr, nullptr);
        EXPECT_TRUE(std::get<1>(seen) > 10 && std::get<2>(seen) == 0)
            << std::get<1>(seen) << " frames";
        for (int y = 0; y < height; ++y)
            ASSERT_TRUE(all_bytes(memory + y * primary_pitch, width, 0)) << y;
        display_unlock_primary();
    }
}

TEST_F(TransitionTest, DissolveDrawsRowThenColumnForEveryOneOfItsPixelsAndOtherKindsNothing) {
    std::vector<BYTE> memory = screen_memory();
    std::srand(77);
    EXPECT_EQ(run(DISSOLVE_PIXELS, memory.data(), pitch), 0); // no waiting between pixels
    const int after = std::rand();

    // 640 x 480 x 4 + 1 pixels, each drawing its row before its column.
    std::vector<BYTE> expected = screen_memory();
    std::srand(77);
    for (long n = 0; n <= 640L * 480 * 4; ++n) {
        const int y = std::rand() % height;
        expected[y * pitch + std::rand() % width] = 0;
    }
    EXPECT_EQ(std::rand(), after);
    EXPECT_EQ(memory, expected);

    // Other kinds, missing memory and rows that would overlap change nothing.
    PALETTEENTRY before[256];
    palette_save_all(before);
    memory = screen_memory();
    for (const int kind : {9, -1, 100})
        EXPECT_EQ(run(kind, memory.data(), pitch), 0);
    for (const int kind : {WIPE_COLUMNS, WIPE_ROWS, DISSOLVE_PIXELS, WIPE_ROWS_AND_COLUMNS}) {
        EXPECT_EQ(run(kind, nullptr, pitch), 0);
        EXPECT_EQ(run(kind, memory.data(), width - 1), 0); // rows would overlap
    }
    EXPECT_EQ(memory, screen_memory());
    EXPECT_EQ(std::memcmp(before, palette_table, sizeof before), 0);
}

} // namespace
