// The track checker on pictures drawn here, on the built-in tracks and on the template.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "game/additions/track_check.h"
#include "game/additions/track_template.h"
#include "platform/additions/screenshot.h"
#include "tests/game/track_pictures.h"

namespace {

struct Checked {
    int exit_code;
    std::string said;
};

Checked check_bytes(const std::vector<BYTE> &bytes, const std::string &name) {
    const std::string path = ::testing::TempDir() + name;
    write_bytes(path, bytes);
    char *text = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&text, &size);
    const int code = track_check_file(path.c_str(), game_palette().palette, out);
    std::fclose(out);
    Checked checked{code, std::string(text, size)};
    std::free(text);
    return checked;
}

// A 24-bit picture of 640 x 480: the header the loader reads, grey pixels.
std::vector<BYTE> true_colour_bmp() {
    const unsigned image = 640 * 3 * 480;
    std::vector<BYTE> out = {'B', 'M'};
    auto put = [&out](unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<BYTE>(value >> (8 * i)));
    };
    put(54 + image, 4), put(0, 4), put(54, 4), put(40, 4), put(640, 4), put(480, 4), put(1, 2);
    put(24, 2), put(0, 4), put(image, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    out.resize(out.size() + image, 128);
    return out;
}

TEST(TrackCheck, EachPictureRacesOrSaysItsFirstReason) {
    const TrackDrawing oval = oval_track();
    struct Case {
        const char *name;
        std::vector<BYTE> bytes;
        int exit_code;
        const char *first_line; // what the first line says after the file's name
    };
    TrackDrawing in_wall = oval, no_line = oval, from_right = oval,
                 short_lap = oval_track({200, 130, 439, 299});
    in_wall.paint(255, 100, 258, 103, 29);
    no_line.paint(240, 10, 249, 129, track_road);
    from_right.paint(230, 10, 239, 129, 29); // a wall just left of the line, across the road
    std::vector<BYTE> small(320 * 200, track_road);
    const std::vector<BYTE> whole = oval.bmp();
    const Case cases[] = {
        {"oval.bmp", whole, 0,
         "races; the fastest lap at the plain speed takes 274 frames (8.2 s)"},
        {"in_wall.bmp", in_wall.bmp(), 1,
         "player 1's start place (235, 70) (its probe (251, 86)-(275, 126)) touches a wall "
         "(index 29) at (255, 100)"},
        {"no_line.bmp", no_line.bmp(), 1, "no finish line: no pixel has palette index 0"},
        {"from_right.bmp", from_right.bmp(), 1, "no lap can count: a lap counts where a kart"},
        {"short_lap.bmp", short_lap.bmp(), 1,
         "the fastest lap takes 190 frames at the plain speed; player 2's laps count only after "
         "250"},
        {"true_colour.bmp", true_colour_bmp(), 1, "a 24-bit picture; a track is an 8-bit picture"},
        {"small.bmp", bmp_8bit(small.data(), 320, 200, 320, game_palette().palette), 1,
         "320 x 200 pixels; a track is 640 x 480"},
        {"cut.bmp", std::vector<BYTE>(whole.begin(), whole.begin() + whole.size() / 2), 1,
         "not a BMP picture the game can read"},
    };
    for (const Case &c : cases) {
        const Checked checked = check_bytes(c.bytes, c.name);
        EXPECT_EQ(checked.exit_code, c.exit_code) << c.name << ": " << checked.said;
        const std::string prefix = ::testing::TempDir() + c.name + ": " + c.first_line;
        EXPECT_EQ(checked.said.compare(0, prefix.size(), prefix), 0)
            << "expected: " << prefix << "\nsaid: " << checked.said;
    }
}

TEST(TrackCheck, TheBuiltInTracksRaceWithACheckpointNearTheirOwn) {
    const int checkpoints[3][2] = {{320, 382}, {367, 382}, {365, 382}}; // fair_laps.cpp
    for (int track = 0; track < 3; ++track) {
        TrackPicture picture;
        std::string why;
        ASSERT_TRUE(track_picture_read(("images/track" + std::to_string(track) + ".bmp").c_str(),
                                       picture, why))
            << why;
        TrackSight sight;
        const TrackCheck check =
            track_check(picture.pixels.data(), picture.palette, game_palette().palette, sight);
        for (const TrackProblem &problem : check.problems)
            ADD_FAILURE() << "track " << track << ": " << problem.text;
        EXPECT_GT(check.plain_lap_frames, 250);
        ASSERT_TRUE(check.has_checkpoint) << "track " << track;
        EXPECT_NEAR(check.checkpoint_x, checkpoints[track][0], 120) << "track " << track;
        EXPECT_GT(check.checkpoint_y, 240) << "track " << track;
    }
}

TEST(TrackCheck, LookAlikeColoursAndAnotherPaletteAreWarnedOfButRace) {
    TrackDrawing drawing = oval_track();
    // An index of the wall's colour that is not 29; then the picture's own palette changed.
    const PALETTEENTRY *shown = game_palette().palette;
    int twin = -1;
    for (int i = 0; i < 256 && twin < 0; ++i)
        if (i != 29 && i != 0 && i != track_road)
            twin = i;
    PALETTEENTRY palette[256];
    std::copy(shown, shown + 256, palette);
    palette[twin] = shown[29];
    drawing.paint(600, 400, 600, 401, static_cast<BYTE>(twin));
    TrackSight sight;
    TrackCheck check = track_check(drawing.pixels.data(), palette, palette, sight);
    ASSERT_EQ(check.problems.size(), 1u);
    EXPECT_TRUE(check.problems[0].warning);
    EXPECT_EQ(check.problems[0].text,
              "2 pixels look like a wall (index 29) but have another index, which the race takes "
              "for plain ground (the first, index " +
                  std::to_string(twin) + ", at (600, 400))");
    check = track_check(drawing.pixels.data(), palette, shown, sight);
    EXPECT_TRUE(check.races());
    ASSERT_FALSE(check.problems.empty());
    EXPECT_EQ(check.problems[0].text.rfind("the picture's palette differs from the game's in 1 of "
                                           "its 256 colours (the first is index " +
                                               std::to_string(twin),
                                           0),
              0u);
}

TEST(TrackCheck, TheTemplateRacesAndItsPaletteFileHoldsTheGamesColours) {
    const std::string file = ::testing::TempDir() + "template.bmp";
    std::string error;
    ASSERT_TRUE(track_template_write(file, game_palette().palette, error)) << error;
    std::FILE *out = std::fopen("/dev/null", "w");
    EXPECT_EQ(track_check_file(file.c_str(), game_palette().palette, out), 0);
    std::fclose(out);
    std::FILE *gpl = std::fopen(track_template_palette_file(file).c_str(), "r");
    ASSERT_NE(gpl, nullptr);
    char line[128];
    std::vector<std::string> lines;
    while (std::fgets(line, sizeof line, gpl) != nullptr)
        lines.push_back(line);
    std::fclose(gpl);
    ASSERT_EQ(lines.size(), 4u + 256u);
    EXPECT_EQ(lines[0], "GIMP Palette\n");
    const PALETTEENTRY &wall = game_palette().palette[29];
    char expected[64];
    std::snprintf(expected, sizeof expected, "%3d %3d %3d\tindex 29 wall\n", wall.peRed,
                  wall.peGreen, wall.peBlue);
    EXPECT_EQ(lines[4 + 29], expected);
}

} // namespace
