// Makes every asset of the game from code: the intro picture, the three track pictures, the two
// winner pictures, the sixteen kart files, the five sounds and the desktop icon. Usage:
// make_assets <output dir>; it writes images/, cars/, sounds/ and icons/ under that folder. The
// output is deterministic (fixed seeds, our own generator and sine, no time, no library
// transcendentals), so a test can make it again and compare it byte for byte with the committed
// files.
//
// Pictures are painted in RGB and then matched to the nearest palette entry.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "tools/make_assets/files.h"
#include "tools/make_assets/icon.h"
#include "tools/make_assets/karts.h"
#include "tools/make_assets/palette.h"
#include "tools/make_assets/pictures.h"
#include "tools/make_assets/sounds.h"
#include "tools/make_assets/tracks.h"
#include "tools/track_paths.h"

using namespace assets;

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets <output dir>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::error_code error;
    for (const char *folder : {"images", "cars", "sounds", "icons"}) {
        std::filesystem::create_directories(root / folder, error);
        if (error) {
            std::fprintf(stderr, "make_assets: cannot make %s: %s\n",
                         (root / folder).string().c_str(), error.message().c_str());
            return 1;
        }
    }
    const Palette palette = game_palette();
    bool ok =
        write_bmp(root / "images" / "intro.bmp", screen_w, screen_h, paint_intro(palette), palette);
    for (int track = 0; track < track_count; ++track)
        ok = write_bmp(root / "images" / ("track" + std::to_string(track) + ".bmp"), screen_w,
                       screen_h, paint_track(track, palette), palette) &&
             ok;
    for (int player = 1; player <= 2; ++player) {
        const Palette own = winner_palette(player);
        ok = write_bmp(root / "images" / ("win" + std::to_string(player) + ".bmp"), screen_w,
                       screen_h, paint_winner(player, own), own) &&
             ok;
        for (int heading = 0; heading < 8; ++heading)
            ok = write_car_file(
                     root / "cars" /
                         ("car" + std::to_string(player) + std::to_string(heading) + ".BMP"),
                     player, heading, palette) &&
                 ok;
    }
    ok = write_wav(root / "sounds" / "boing.wav", boing_wave()) && ok;
    ok = write_wav(root / "sounds" / "mud.wav", mud_wave()) && ok;
    ok = write_wav(root / "sounds" / "turn.wav", turn_wave()) && ok;
    ok = write_wav(root / "sounds" / "ice.wav", ice_wave()) && ok;
    ok = write_wav(root / "sounds" / "engine.wav", engine_wave()) && ok;
    ok = write_icon(root / "icons" / "io.github.dirtwhirl.Dirtwhirl.png") && ok;
    return ok ? 0 : 1;
}
