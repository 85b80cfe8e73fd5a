// The game's assets: the committed files are exactly what make_assets writes, and they hold
// what the game relies on: picture sizes and depths, one palette for intro, tracks and karts,
// track colours that mean wall, finish line and terrain only where they do, a clear start grid,
// light and dark places behind the game's text, the kart cell grid and its eight headings, the
// sound format and an engine sound that loops every 30 ms. An automatic driver following each
// track's path laps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/display/bitmap.h"
#include "game/race.h"
#include "platform/file.h"
#include "tests/engine/sound_test_support.h"
#include "tools/track_paths.h"

namespace {

constexpr int wall = 29, finish = 0, mud = 24, slick = 42;

std::string asset(const std::string &name) {
    const char *dir = std::getenv("DW_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/" + name;
}

std::string car_name(int player, int heading) {
    return "cars/car" + std::to_string(player) + std::to_string(heading) + ".BMP";
}

const char *const pictures[] = {"images/intro.bmp",  "images/track0.bmp", "images/track1.bmp",
                                "images/track2.bmp", "images/win1.bmp",   "images/win2.bmp"};
const char *const sounds[] = {"sounds/boing.wav", "sounds/mud.wav", "sounds/turn.wav",
                              "sounds/ice.wav", "sounds/engine.wav"};

struct Picture {
    BitmapFile file{};
    bool loaded = false;
    explicit Picture(const std::string &name) {
        loaded = bitmap_file_load(&file, asset(name).c_str()) == 1;
    }
    ~Picture() { bitmap_file_unload(&file); }
    int width() const { return file.info_header.biWidth; }
    int height() const { return file.info_header.biHeight; }
    int at(int x, int y) const { return file.pixels[y * width() + x]; }
};

// Width, height, depth, compression and image size, copied out of the packed header.
std::array<long, 5> shape(const BitmapFile &file) {
    const auto &h = file.info_header;
    return {h.biWidth, h.biHeight, h.biBitCount, h.biCompression, h.biSizeImage};
}

bool same_palette(const BitmapFile &a, const BitmapFile &b) {
    return std::memcmp(a.palette, b.palette, sizeof a.palette) == 0;
}

double luminance(const PALETTEENTRY &e) {
    return 0.299 * e.peRed + 0.587 * e.peGreen + 0.114 * e.peBlue;
}

// True when some pixel of the kart probe at (x, y) has the index: the race's own scan of
// x+16..x+40, y+16..y+56 (the 56 x 72 sprite inset 16 pixels), clamped to the screen.
bool probe_finds(const Picture &track, int x, int y, int index) {
    return scan_color(x + 16, y + 16, x + 40, y + 56, index, track.file.pixels, 640) == 1;
}

// The pixels (as y * width + x) of each 4-connected region of one index.
std::vector<std::vector<int>> regions_of(const Picture &picture, int index) {
    const int w = picture.width(), h = picture.height();
    std::vector<char> seen(w * h, 0);
    std::vector<std::vector<int>> regions;
    for (int start = 0; start < w * h; ++start) {
        if (seen[start] || picture.file.pixels[start] != index)
            continue;
        std::vector<int> region{start};
        seen[start] = 1;
        for (std::size_t i = 0; i < region.size(); ++i) {
            const int x = region[i] % w, y = region[i] / w;
            for (const auto &[nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
                const int q = ny * w + nx;
                if (nx >= 0 && ny >= 0 && nx < w && ny < h && !seen[q] &&
                    picture.file.pixels[q] == index) {
                    seen[q] = 1;
                    region.push_back(q);
                }
            }
        }
        regions.push_back(region);
    }
    return regions;
}

// Squared distance from the point to the nearest leg of the closed path.
double distance2_to_path(const TrackPath &path, double cx, double cy) {
    double nearest = 1e18;
    for (int i = 0; i < path.count; ++i) {
        const TrackPoint a = path.points[i], b = path.points[(i + 1) % path.count];
        const double ex = b.x - a.x, ey = b.y - a.y;
        const double t =
            std::clamp(((cx - a.x) * ex + (cy - a.y) * ey) / (ex * ex + ey * ey), 0.0, 1.0);
        const double dx = cx - a.x - t * ex, dy = cy - a.y - t * ey;
        nearest = std::min(nearest, dx * dx + dy * dy);
    }
    return nearest;
}

TEST(Assets, GeneratorRemakesTheCommittedFilesByteForByte) {
    const char *binary_dir = std::getenv("DW_BINARY_DIR");
    ASSERT_NE(binary_dir, nullptr) << "DW_BINARY_DIR names the build folder with make_assets";
    char folder[] = "/tmp/dw_assets_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string(binary_dir) + "/make_assets " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<std::string> names(std::begin(pictures), std::end(pictures));
    names.insert(names.end(), std::begin(sounds), std::end(sounds));
    names.push_back("icons/io.github.dirtwhirl.Dirtwhirl.png");
    for (int player = 1; player <= 2; ++player)
        for (int heading = 0; heading < 8; ++heading)
            names.push_back(car_name(player, heading));
    int made = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        made += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(made, static_cast<int>(names.size())) << "make_assets wrote other files";
    for (const std::string &name : names) {
        std::vector<BYTE> fresh, committed;
        ASSERT_TRUE(read_whole_file((std::string(folder) + "/" + name).c_str(), fresh)) << name;
        ASSERT_TRUE(read_whole_file(asset(name).c_str(), committed)) << name;
        EXPECT_TRUE(fresh == committed) << name << " differs from what make_assets makes";
    }
    std::filesystem::remove_all(folder);
}

TEST(Assets, PicturesAreFullScreen8BitWithPackedRowsAndTheirPalettes) {
    const Picture intro("images/intro.bmp");
    ASSERT_TRUE(intro.loaded);
    for (const char *name : pictures) {
        const Picture picture(name);
        ASSERT_TRUE(picture.loaded) << name;
        // No fill bytes in the rows, and the rows are the last bytes of the file.
        EXPECT_EQ(shape(picture.file), (std::array<long, 5>{640, 480, 8, 0, 640 * 480})) << name;
        EXPECT_EQ(+picture.file.file_header.bfSize, picture.file.file_header.bfOffBits + 640 * 480)
            << name;
    }
    // The tracks are drawn in the intro's palette, which stays in effect for title and race;
    // each winner picture brings its own.
    for (const char *name : {"images/track0.bmp", "images/track1.bmp", "images/track2.bmp"})
        EXPECT_TRUE(same_palette(Picture(name).file, intro.file)) << name;
    const Picture win1("images/win1.bmp"), win2("images/win2.bmp");
    EXPECT_FALSE(same_palette(win1.file, intro.file));
    EXPECT_FALSE(same_palette(win2.file, intro.file));
    EXPECT_FALSE(same_palette(win1.file, win2.file));
    // Black lap counts and white title text find exact entries to draw with.
    EXPECT_EQ(luminance(intro.file.palette[0]), 0.0);
    EXPECT_TRUE(std::any_of(std::begin(intro.file.palette), std::end(intro.file.palette),
                            [](const PALETTEENTRY &e) { return luminance(e) == 255.0; }));
}

class TrackTest : public ::testing::TestWithParam<int> {
protected:
    const Picture track{"images/track" + std::to_string(GetParam()) + ".bmp"};
};

TEST_P(TrackTest, MeaningfulColoursAppearOnlyWhereTheyMeanSomething) {
    ASSERT_TRUE(track.loaded);
    // Index 0 counts a lap wherever it is: only the finish line, just left of the start grid.
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (track.at(x, y) == finish) {
                ASSERT_TRUE(x >= 240 && x <= 249 && y < 160) << "index 0 at " << x << "," << y;
            }
        }
    }
    // Walls are long barriers, not stray pixels of scenery.
    for (const auto &region : regions_of(track, wall))
        EXPECT_GE(region.size(), 1000u) << "a small patch of wall colour";
    // Terrain comes in patches on the racing line, big enough to drive through.
    for (int index : {mud, slick}) {
        const auto regions = regions_of(track, index);
        EXPECT_GE(regions.size(), 2u) << "terrain " << index;
        for (const auto &region : regions) {
            EXPECT_GE(region.size(), 400u) << "terrain " << index << " in a speck";
            double sx = 0, sy = 0;
            for (int p : region) {
                sx += p % 640;
                sy += p / 640;
            }
            const double cx = sx / region.size() - track_probe_centre_x;
            const double cy = sy / region.size() - track_probe_centre_y;
            EXPECT_LT(distance2_to_path(track_paths[GetParam()], cx, cy), 20.0 * 20.0)
                << "terrain " << index << " off the racing line";
        }
    }
}

TEST_P(TrackTest, StartGridIsClearAndTheFinishLineCannotBeSkirted) {
    ASSERT_TRUE(track.loaded);
    for (int y : {23, 70})
        for (int index : {wall, finish, mud, slick})
            EXPECT_FALSE(probe_finds(track, 235, y, index)) << "start at y " << y;
    // A kart driving right into the start grid, in any lane of the road between its walls,
    // crosses index 0.
    auto lane_clear = [&](int y) {
        for (int x = 190; x <= 235; x += 5)
            if (probe_finds(track, x, y, wall))
                return false;
        return true;
    };
    ASSERT_TRUE(lane_clear(23) && lane_clear(70));
    int top = 23, bottom = 70;
    while (top > -40 && lane_clear(top - 1))
        --top;
    while (bottom < 140 && lane_clear(bottom + 1))
        ++bottom;
    for (int y = top; y <= bottom; ++y) {
        ASSERT_TRUE(lane_clear(y)) << "the lanes of the two start places are not connected";
        bool crossed = false;
        for (int x = 190; x <= 235 && !crossed; x += 5)
            crossed = probe_finds(track, x, y, finish);
        EXPECT_TRUE(crossed) << "a kart at y " << y << " passes the finish line unseen";
    }
}

TEST_P(TrackTest, TextPlacesAreReadable) {
    const Picture intro("images/intro.bmp");
    ASSERT_TRUE(track.loaded && intro.loaded);
    struct Place {
        int x0, y0, x1, y1;
        bool light;
    };
    // Title: white name on dark, black prompt on light; race: black lap counts on light.
    const Place places[] = {{255, 8, 370, 28, false},
                            {218, 198, 430, 218, true},
                            {518, 338, 630, 358, true},
                            {518, 368, 630, 388, true},
                            {528, 438, 620, 458, true}};
    for (const Place &p : places)
        for (int y = p.y0; y <= p.y1; ++y)
            for (int x = p.x0; x <= p.x1; ++x) {
                const double l = luminance(intro.file.palette[track.at(x, y)]);
                ASSERT_TRUE(p.light ? l >= 170.0 : l <= 70.0)
                    << "pixel of luminance " << l << " behind the text at " << x << "," << y;
            }
}

// The race frame's movement, walls and terrain for one kart, steered by the path's driver. Laps
// are timed from one arrival on the finish line to the next, whatever the game's lap timers say.
struct DriveResult {
    std::vector<int> lap_frames;
    int bumps = 0;
    bool stuck = false, saw_mud_each_lap = true, saw_slick_each_lap = true;
};

DriveResult drive(const Picture &track, const TrackPath &path, int x, int y, int laps) {
    DriveResult result;
    int waypoint = 0, lap_frames = 0, still = 0;
    bool on_terrain = false, on_line = false, saw_mud = false, saw_slick = false;
    for (int frame = 0; frame < 3000 && static_cast<int>(result.lap_frames.size()) < laps;
         ++frame) {
        ++lap_frames;
        while (track_waypoint_reached(x, y, path.points[waypoint]))
            waypoint = (waypoint + 1) % path.count;
        const DriverKeys keys = track_driver_keys(x, y, path.points[waypoint]);
        const int step = on_terrain ? 7 : (keys.x != 0 && keys.y != 0 ? 4 : 5);
        const int old_x = x, old_y = y;
        x += keys.x * step;
        y += keys.y * step;
        if (probe_finds(track, x, y, wall)) {
            x = old_x;
            y = old_y;
            ++result.bumps;
        }
        const bool line_here = probe_finds(track, x, y, finish);
        if (line_here && !on_line) {
            result.lap_frames.push_back(lap_frames);
            result.saw_mud_each_lap = result.saw_mud_each_lap && saw_mud;
            result.saw_slick_each_lap = result.saw_slick_each_lap && saw_slick;
            lap_frames = 0;
            saw_mud = saw_slick = false;
        }
        on_line = line_here;
        const bool slick_here = probe_finds(track, x, y, slick);
        const bool mud_here = !slick_here && probe_finds(track, x, y, mud);
        on_terrain = slick_here || mud_here;
        saw_slick = saw_slick || slick_here;
        saw_mud = saw_mud || mud_here;
        still = (x == old_x && y == old_y) ? still + 1 : 0;
        if (still > 30) {
            result.stuck = true;
            break;
        }
    }
    return result;
}

TEST_P(TrackTest, DriverFollowingThePathLapsCleanlyFromBothStartPlaces) {
    ASSERT_TRUE(track.loaded);
    for (int start_y : {70, 23}) {
        const DriveResult result = drive(track, track_paths[GetParam()], 235, start_y, 3);
        SCOPED_TRACE("start at y " + std::to_string(start_y));
        EXPECT_FALSE(result.stuck);
        EXPECT_EQ(result.bumps, 0) << "the racing line grazes a wall";
        ASSERT_EQ(result.lap_frames.size(), 3u) << "the kart does not come round";
        // The start grid lies past the line, so the first arrival is a whole lap; and every
        // lap at these speeds outlasts player 2's 250 frames between counted laps.
        for (int frames : result.lap_frames)
            EXPECT_GT(frames, 250);
        EXPECT_TRUE(result.saw_mud_each_lap);
        EXPECT_TRUE(result.saw_slick_each_lap);
    }
}

INSTANTIATE_TEST_SUITE_P(Assets, TrackTest, ::testing::Values(0, 1, 2));

constexpr int cell_w = 56, cell_h = 72;

int cell_pixel(const Picture &car, int cx, int cy, int x, int y) {
    return car.at(1 + cx * (cell_w + 1) + x, 1 + cy * (cell_h + 1) + y);
}

TEST(Assets, KartFilesHoldFourCellsOfAnimatedFramesInThePalette) {
    const Picture intro("images/intro.bmp");
    for (int player = 1; player <= 2; ++player)
        for (int heading = 0; heading < 8; ++heading) {
            const Picture car(car_name(player, heading));
            SCOPED_TRACE(car_name(player, heading));
            ASSERT_TRUE(car.loaded);
            const auto [width, height, bits, compression, image_size] = shape(car.file);
            EXPECT_EQ(bits, 8);
            ASSERT_GE(width, 1 + 3 * (cell_w + 1));
            ASSERT_GE(height, 1 + 2 * (cell_h + 1));
            EXPECT_EQ(image_size, width * height) << "rows must need no fill bytes";
            EXPECT_TRUE(same_palette(car.file, intro.file));
            long red_minus_blue = 0;
            std::vector<int> frames[4];
            const int cells[4][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}};
            for (int f = 0; f < 4; ++f) {
                for (int y = 0; y < cell_h; ++y)
                    for (int x = 0; x < cell_w; ++x) {
                        const int index = cell_pixel(car, cells[f][0], cells[f][1], x, y);
                        frames[f].push_back(index);
                        const PALETTEENTRY &e = intro.file.palette[index];
                        red_minus_blue += index == 0 ? 0 : e.peRed - e.peBlue;
                    }
                EXPECT_GT(std::count_if(frames[f].begin(), frames[f].end(),
                                        [](int index) { return index != 0; }),
                          600)
                    << "cell " << f << " holds no kart";
            }
            EXPECT_NE(frames[0], frames[1]) << "the frames do not animate";
            EXPECT_NE(frames[0], frames[2]);
            EXPECT_NE(frames[1], frames[2]);
            // Player 1's kart is red, player 2's blue.
            EXPECT_EQ(red_minus_blue > 0, player == 1) << red_minus_blue;
        }
}

TEST(Assets, KartHeadingsTurnCounterClockwiseFromRight) {
    for (int player = 1; player <= 2; ++player) {
        const Picture right(car_name(player, 0));
        ASSERT_TRUE(right.loaded);
        // Heading 0 faces right: a long kart whose smoke (frame 2 over frame 0) is behind it.
        int smoke_left = 0, smoke_right = 0, min_x = cell_w, max_x = 0, min_y = cell_h, max_y = 0;
        for (int y = 0; y < cell_h; ++y)
            for (int x = 0; x < cell_w; ++x) {
                if (cell_pixel(right, 0, 0, x, y) != 0) {
                    min_x = std::min(min_x, x), max_x = std::max(max_x, x);
                    min_y = std::min(min_y, y), max_y = std::max(max_y, y);
                }
                if (cell_pixel(right, 2, 0, x, y) != cell_pixel(right, 0, 0, x, y))
                    (x < cell_w / 2 ? smoke_left : smoke_right) += 1;
            }
        EXPECT_GT(max_x - min_x, max_y - min_y);
        EXPECT_GT(smoke_left, smoke_right);
        // Each heading is the one 90 degrees before it turned a quarter counter-clockwise about
        // the cell's centre (the centre of the kart's probe): (dx, dy) becomes (dy, -dx).
        for (int heading = 2; heading < 8; ++heading) {
            const Picture before(car_name(player, heading - 2));
            const Picture after(car_name(player, heading));
            ASSERT_TRUE(before.loaded && after.loaded);
            for (int frame = 0; frame < 3; ++frame)
                for (int y = 0; y < cell_h; ++y)
                    for (int x = 0; x < cell_w; ++x) {
                        // Doubled offsets from the centre keep the half pixels exact.
                        const int dx2 = 2 * x + 1 - cell_w, dy2 = 2 * y + 1 - cell_h;
                        const int sx = (-dy2 + cell_w - 1) / 2, sy = (dx2 + cell_h - 1) / 2;
                        const bool inside = sx >= 0 && sx < cell_w && sy >= 0 && sy < cell_h;
                        const int expected = inside ? cell_pixel(before, frame, 0, sx, sy) : 0;
                        ASSERT_EQ(cell_pixel(after, frame, 0, x, y), expected)
                            << "heading " << heading << " frame " << frame << " at " << x << ","
                            << y;
                    }
        }
    }
}

using AssetSounds = SoundTest;

// The samples of a sound as the game's loader reads it (at 11025 Hz), after checking the file's
// format chunk: 8-bit mono PCM.
std::vector<BYTE> loaded_samples(const char *name) {
    const std::vector<BYTE> format = wav_chunk(read_bytes(asset(name)), "fmt ");
    if (format.size() < 16) {
        ADD_FAILURE() << name << " has no format chunk";
        return {};
    }
    EXPECT_EQ((std::array<int, 3>{format[0] | format[1] << 8, format[2] | format[3] << 8,
                                  format[14] | format[15] << 8}),
              (std::array<int, 3>{1, 1, 8}))
        << name << ": tag, channels, bits";
    const int slot = sound_load_wav(asset(name).c_str(), 0);
    if (slot < 0) {
        ADD_FAILURE() << "the game's loader refuses " << name;
        return {};
    }
    EXPECT_EQ(sound_slots[slot].rate, 11025) << name;
    return sound_slots[slot].buffer->data->bytes;
}

TEST_F(AssetSounds, SoundsAre8BitMonoAt11025AndStartAndEndQuietly) {
    for (const char *name : sounds) {
        SCOPED_TRACE(name);
        const std::vector<BYTE> samples = loaded_samples(name);
        ASSERT_GE(samples.size(), 331u);
        EXPECT_LE(samples.size(), 11025u) << "a sound effect of a second or more";
        int peak = 0;
        for (BYTE s : samples)
            peak = std::max(peak, std::abs(s - 128));
        EXPECT_GE(peak, 50) << "too quiet to hear";
        // Silence is 128: no click when a sound starts or runs out.
        EXPECT_LE(std::abs(samples.front() - 128), 6);
        EXPECT_LE(std::abs(samples.back() - 128), 6);
    }
}

TEST_F(AssetSounds, EngineSoundRepeatsEvery30MillisecondsSoRestartsJoinSmoothly) {
    const std::vector<BYTE> samples = loaded_samples("sounds/engine.wav");
    ASSERT_GE(samples.size(), 3u * 331u);
    // 30 ms is 330.75 samples: compare each sample of the first two frames with the one that
    // far on, interpolated.
    int worst = 0;
    for (int i = 0; i < 662; ++i) {
        const double later = 0.25 * samples[i + 330] + 0.75 * samples[i + 331];
        worst = std::max(worst, static_cast<int>(std::abs(later - samples[i]) + 0.5));
    }
    EXPECT_LE(worst, 6);
    // Where the race's restarts cut it, as a device mixes them, is tested on the loopback device.
    // A buzz, not a click: the wave swings through the middle many times each frame.
    int crossings = 0;
    for (int i = 1; i < 331; ++i)
        crossings += (samples[i - 1] < 128) != (samples[i] < 128) ? 1 : 0;
    EXPECT_GE(crossings, 4);
}

} // namespace
