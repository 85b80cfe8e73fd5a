// A player's own track in the whole program: raced by the computer to the end and recorded, its
// replay played again by the track's name, the checker's laps of the computer, and the refusals
// at start-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/game/track_pictures.h"
#include "tests/support/headless.h"

namespace {

ProgramRun run_game(const std::string &data_home, const std::string &arguments) {
    return run_program("XDG_DATA_HOME='" + data_home + "' SDL_VIDEODRIVER=dummy " +
                       "ALSOFT_DRIVERS=null " + DW_BINARY_DIR + "/dirtwhirl " + arguments +
                       " 2>&1");
}

TEST(PlayerTrack, RacedToTheEndRecordedAndPlayedAgainByItsName) {
    const std::string home = ::testing::TempDir() + "player_track_home";
    const std::string folder = home + "/dirtwhirl/tracks";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(folder);
    write_bytes(folder + "/test oval.bmp", oval_track().bmp());
    TrackDrawing in_wall = oval_track();
    in_wall.paint(255, 100, 258, 103, 29);
    write_bytes(folder + "/walled.bmp", in_wall.bmp());
    const std::string replay = home + "/race.dwr";

    struct Case {
        std::string arguments;
        int exit_code;
        const char *says;
    };
    const Case cases[] = {
        {"--track 'test oval' --computer 1 --computer 2 --unpaced --record " + replay, 0,
         "dirtwhirl: recorded "},
        {"--timedemo " + replay, 0, "replay matches the recording"},
        {"--track walled --unpaced", 1,
         "walled.bmp: does not race: player 1's start place (235, 70)"},
        {"--track 'no such' --unpaced", 2, "its tracks: test oval, walled"},
        {"--track 'test oval' --host", 2, "a network race runs on the built-in tracks"},
    };
    for (const Case &c : cases) {
        const ProgramRun run = run_game(home, c.arguments);
        EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments << ": " << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << ": " << run.output;
    }
    // The checker races the track too: the computer counts laps at every level.
    const ProgramRun checked = run_game(home, "--check-track '" + folder + "/test oval.bmp'");
    EXPECT_EQ(checked.exit_code, 0) << checked.output;
    EXPECT_NE(checked.output.find("the computer's fastest lap: easy "), std::string::npos)
        << checked.output;
    EXPECT_EQ(checked.output.find("no lap within"), std::string::npos) << checked.output;
    const ProgramRun ended = run_game(home, "--timedemo " + replay);
    EXPECT_NE(ended.output.find(", laps 10 and "), std::string::npos) << ended.output;
    // Another picture under the name, then none: the replay says which track it needs.
    write_bytes(folder + "/test oval.bmp", in_wall.bmp());
    const ProgramRun other = run_game(home, "--timedemo " + replay);
    EXPECT_EQ(other.exit_code, 2);
    EXPECT_NE(other.output.find("recorded on the track test oval (hash "), std::string::npos);
    EXPECT_NE(other.output.find("which has another picture there"), std::string::npos);
    std::filesystem::remove(folder + "/test oval.bmp");
    const ProgramRun missing = run_game(home, "--timedemo " + replay);
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.output.find("which is not in " + folder), std::string::npos)
        << missing.output;
}

} // namespace
