// The game's assets: the committed files are exactly what make_assets writes, and they hold what
// the game relies on: picture shapes and palettes, track colours where the race reads them, the
// kart cells and their eight headings, and quiet-edged sounds with an engine that loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/display/bitmap.h"
#include "game/additions/track_sight.h"
#include "game/race.h"
#include "platform/file.h"
#include "tests/engine/engine_test_support.h"
#include "tools/track_paths.h"

namespace {

constexpr int wall = 29, finish = 0, mud = 24, slick = 42, cell_w = 56, cell_h = 72;

std::string asset(const std::string &name) {
    return std::string(DW_SOURCE_DIR) + "/" + name;
}
std::string car_name(int player, int heading) {
    return "cars/car" + std::to_string(player) + std::to_string(heading) + ".BMP";
}

struct Picture {
    BitmapFile file{};
    bool loaded = false;
    explicit Picture(const std::string &name) {
        loaded = bitmap_file_load(&file, asset(name).c_str()) == 1;
    }
    ~Picture() { bitmap_file_unload(&file); }
    int at(int x, int y) const { return file.pixels[y * file.info_header.biWidth + x]; }
    int cell(int cx, int cy, int x, int y) const {
        return at(1 + cx * (cell_w + 1) + x, 1 + cy * (cell_h + 1) + y);
    }
    bool palette_of(const Picture &o) const {
        return std::memcmp(file.palette, o.file.palette, sizeof file.palette) == 0;
    }
    // Width, height, depth, compression and image size, copied out of the packed header.
    std::array<long, 5> shape() const {
        const auto &h = file.info_header;
        return {h.biWidth, h.biHeight, h.biBitCount, h.biCompression, h.biSizeImage};
    }
};

double luminance(const PALETTEENTRY &e) {
    return 0.299 * e.peRed + 0.587 * e.peGreen + 0.114 * e.peBlue;
}

// The race's own probe of a kart at (x, y): the 56 x 72 sprite inset 16 pixels.
bool probe_finds(const Picture &track, int x, int y, int index) {
    return scan_color(x + 16, y + 16, x + 40, y + 56, index, track.file.pixels, 640) == 1;
}

TEST(Assets, GeneratorRemakesTheCommittedFilesByteForByte) {
    char folder[] = "/tmp/dw_assets_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string(DW_BINARY_DIR) + "/make_assets " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    // 6 pictures, 5 sounds, the icon and 16 kart files, each as committed.
    int made = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++made;
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        std::vector<BYTE> fresh, committed;
        ASSERT_TRUE(read_whole_file(entry.path().c_str(), fresh, 1u << 30)) << name;
        EXPECT_TRUE(read_whole_file(asset(name).c_str(), committed, 1u << 30) && fresh == committed)
            << name << " differs from what make_assets makes";
    }
    EXPECT_EQ(made, 28);
    std::filesystem::remove_all(folder);
}

TEST(Assets, PicturesAreFullScreen8BitWithPackedRowsAndTheirPalettes) {
    const Picture intro("images/intro.bmp"), win1("images/win1.bmp"), win2("images/win2.bmp");
    for (const char *name : {"images/intro.bmp", "images/track0.bmp", "images/track1.bmp",
                             "images/track2.bmp", "images/win1.bmp", "images/win2.bmp"}) {
        const Picture picture(name);
        ASSERT_TRUE(picture.loaded) << name;
        // No fill bytes in the rows, and the rows are the last bytes of the file.
        EXPECT_EQ(picture.shape(), (std::array<long, 5>{640, 480, 8, 0, 640 * 480})) << name;
        EXPECT_EQ(+picture.file.file_header.bfSize, picture.file.file_header.bfOffBits + 640 * 480)
            << name;
        // Tracks share the intro's palette (in effect for title and race); winners bring theirs.
        EXPECT_EQ(picture.palette_of(intro), std::string(name).find("win") == std::string::npos);
    }
    EXPECT_FALSE(win1.palette_of(win2));
    // Black lap counts and white title text find exact entries to draw with.
    EXPECT_EQ(luminance(intro.file.palette[0]), 0.0);
    EXPECT_TRUE(std::any_of(std::begin(intro.file.palette), std::end(intro.file.palette),
                            [](const PALETTEENTRY &e) { return luminance(e) == 255.0; }));
}

struct TrackTest : ::testing::TestWithParam<int> {};

TEST_P(TrackTest, TheRaceFindsWhatItReadsWhereItReadsIt) {
    const Picture track("images/track" + std::to_string(GetParam()) + ".bmp"),
        intro("images/intro.bmp");
    ASSERT_TRUE(track.loaded && intro.loaded);
    // Index 0 counts a lap wherever it is: only the finish line, just left of the start grid.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_TRUE(track.at(x, y) != finish || (x >= 240 && x <= 249 && y < 160))
                << "index 0 at " << x << "," << y;
    for (int y : {23, 70})
        for (int index : {wall, finish, mud, slick})
            EXPECT_FALSE(probe_finds(track, 235, y, index)) << "start at y " << y;
    // A kart driving right into the start grid, in any lane between the walls, crosses index 0.
    auto lane_finds = [&](int y, int index) {
        for (int x = 190; x <= 235; x += 5)
            if (probe_finds(track, x, y, index))
                return true;
        return false;
    };
    ASSERT_FALSE(lane_finds(23, wall) || lane_finds(70, wall));
    int top = 23, bottom = 70;
    while (top > -40 && !lane_finds(top - 1, wall))
        --top;
    while (bottom < 140 && !lane_finds(bottom + 1, wall))
        ++bottom;
    for (int y = top; y <= bottom; ++y) {
        ASSERT_FALSE(lane_finds(y, wall)) << "the lanes of the two start places are not connected";
        EXPECT_TRUE(lane_finds(y, finish))
            << "a kart at y " << y << " passes the finish line unseen";
    }
    // Title: white name on dark, black prompt on light; race: black lap counts on light.
    const int places[][5] = {{255, 8, 370, 28, 0},
                             {218, 198, 430, 218, 1},
                             {518, 338, 630, 358, 1},
                             {518, 368, 630, 388, 1},
                             {528, 438, 620, 458, 1}};
    for (const auto &[x0, y0, x1, y1, light] : places)
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double l = luminance(intro.file.palette[track.at(x, y)]);
                ASSERT_TRUE(light ? l >= 170.0 : l <= 70.0)
                    << "pixel of luminance " << l << " behind the text at " << x << "," << y;
            }
    // The racing line is clear of walls and crosses both terrains.
    const TrackPath &path = track_paths[GetParam()];
    bool saw_mud = false, saw_slick = false;
    for (int i = 0; i < path.count; ++i) {
        const TrackPoint a = path.points[i], b = path.points[(i + 1) % path.count];
        const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
        for (int s = 0; s < steps; ++s) {
            const int x = a.x + (b.x - a.x) * s / steps, y = a.y + (b.y - a.y) * s / steps;
            ASSERT_FALSE(probe_finds(track, x, y, wall))
                << "the line grazes a wall at " << x << "," << y;
            saw_mud = saw_mud || probe_finds(track, x, y, mud);
            saw_slick = saw_slick || probe_finds(track, x, y, slick);
        }
    }
    EXPECT_TRUE(saw_mud && saw_slick);
    // Player 2's laps count at most every 250 frames: the tightest lap at plain speed is longer.
    TrackSight sight;
    track_sight_build(&sight, track.file.pixels);
    EXPECT_GT(sight.plain.lap, player2_lap_limit * sight_frame);
}

INSTANTIATE_TEST_SUITE_P(Assets, TrackTest, ::testing::Values(0, 1, 2));

// Four cells (a 1-pixel grid, three on the first row) of animated frames in the intro's palette,
// red for player 1, blue for player 2; heading 0 faces right, and each heading is the one 90
// degrees before it turned a quarter counter-clockwise about the cell's (and probe's) centre.
TEST(Assets, KartFilesHoldFourAnimatedCellsTurningCounterClockwiseFromRight) {
    const Picture intro("images/intro.bmp");
    for (int player = 1; player <= 2; ++player)
        for (int heading = 0; heading < 8; ++heading) {
            const Picture car(car_name(player, heading));
            SCOPED_TRACE(car_name(player, heading));
            ASSERT_TRUE(car.loaded);
            const auto [width, height, bits, compression, image_size] = car.shape();
            EXPECT_EQ(bits, 8);
            ASSERT_TRUE(width >= 1 + 3 * (cell_w + 1) && height >= 1 + 2 * (cell_h + 1));
            EXPECT_EQ(image_size, width * height) << "rows must need no fill bytes";
            EXPECT_TRUE(car.palette_of(intro));
            // Heading 0: longer than high, with more smoke left of the middle than right.
            long red_minus_blue = 0;
            int smoke = 0, x0 = cell_w, x1 = 0, y0 = cell_h, y1 = 0;
            std::vector<int> frames[4];
            for (int f = 0; f < 4; ++f) {
                for (int y = 0; y < cell_h; ++y)
                    for (int x = 0; x < cell_w; ++x) {
                        const int index = frames[f].emplace_back(car.cell(f % 3, f / 3, x, y));
                        const PALETTEENTRY &e = intro.file.palette[index];
                        red_minus_blue += index ? e.peRed - e.peBlue : 0;
                        if (f == 0 && index != 0)
                            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y),
                            y1 = std::max(y1, y);
                        if (f == 2 && index != frames[0][y * cell_w + x])
                            smoke += x < cell_w / 2 ? 1 : -1;
                    }
                EXPECT_GT(cell_w * cell_h - std::count(frames[f].begin(), frames[f].end(), 0), 600)
                    << "cell " << f << " holds no kart";
            }
            EXPECT_TRUE(frames[0] != frames[1] && frames[0] != frames[2] && frames[1] != frames[2])
                << "the frames do not animate";
            EXPECT_EQ(red_minus_blue > 0, player == 1) << red_minus_blue;
            if (heading == 0) {
                EXPECT_GT(x1 - x0, y1 - y0);
                EXPECT_GT(smoke, 0);
            }
            if (heading < 2)
                continue;
            const Picture before(car_name(player, heading - 2));
            for (int frame = 0; frame < 3; ++frame)
                for (int y = 0; y < cell_h; ++y)
                    for (int x = 0; x < cell_w; ++x) {
                        // Doubled offsets from the centre keep the half pixels exact: (dx, dy)
                        // becomes (dy, -dx).
                        const int sx = (cell_h - 2 * y - 1 + cell_w - 1) / 2,
                                  sy = (2 * x + 1 - cell_w + cell_h - 1) / 2;
                        const bool inside = sx >= 0 && sx < cell_w && sy >= 0 && sy < cell_h;
                        ASSERT_EQ(car.cell(frame, 0, x, y),
                                  inside ? before.cell(frame, 0, sx, sy) : 0)
                            << "frame " << frame << " at " << x << "," << y;
                    }
        }
}

// Each sound as the game's loader reads it: 8-bit mono PCM at 11025 Hz, a frame to a second long,
// audible, starting and ending near silence (128). The engine repeats every 30 ms (330.75
// samples) and crosses the middle several times a frame: a buzz, not a click.
TEST_F(SoundTest, SoundsAre8BitMonoAt11025QuietAtTheEdgesAndTheEngineLoops) {
    for (const char *name : {"sounds/boing.wav", "sounds/mud.wav", "sounds/turn.wav",
                             "sounds/ice.wav", "sounds/engine.wav"}) {
        SCOPED_TRACE(name);
        const std::vector<BYTE> file = read_bytes(asset(name)); // the generator's canonical header
        ASSERT_GE(file.size(), 44u);
        EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "fmt ");
        // PCM, mono, 8 bits
        EXPECT_EQ((std::array{file[20], file[22], file[34]}), (std::array<BYTE, 3>{1, 1, 8}));
        const int slot = sound_load_wav(asset(name).c_str(), 0);
        ASSERT_GE(slot, 0) << "the game's loader refuses it";
        EXPECT_EQ(sound_slots[slot].rate, 11025);
        const std::vector<BYTE> &samples = sound_slots[slot].buffer->data->bytes;
        ASSERT_GE(samples.size(), 331u);
        EXPECT_LE(samples.size(), 11025u) << "a sound effect of a second or more";
        int peak = 0;
        for (BYTE s : samples)
            peak = std::max(peak, std::abs(s - 128));
        EXPECT_GE(peak, 50) << "too quiet to hear";
        EXPECT_LE(std::max(std::abs(samples.front() - 128), std::abs(samples.back() - 128)), 6);
        if (std::string(name) != "sounds/engine.wav")
            continue;
        ASSERT_GE(samples.size(), 3u * 331u);
        int worst = 0, crossings = 0;
        for (int i = 0; i < 662; ++i) {
            const double later = 0.25 * samples[i + 330] + 0.75 * samples[i + 331];
            worst = std::max(worst, static_cast<int>(std::abs(later - samples[i]) + 0.5));
        }
        for (int i = 1; i < 331; ++i)
            crossings += (samples[i - 1] < 128) != (samples[i] < 128) ? 1 : 0;
        EXPECT_LE(worst, 6);
        EXPECT_GE(crossings, 4);
    }
}

} // namespace
