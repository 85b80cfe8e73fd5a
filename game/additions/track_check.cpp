// The track checker. It reads the picture through the computer driver's map (TrackSight), which
// probes every place as the race frame does, so what it says holds for the race itself.
#include "game/additions/track_check.h"

#include <cstring>

#include "engine/display/bitmap.h"
#include "game/additions/fair_laps.h"
#include "game/race.h"
#include "game/setup.h"
#include "platform/file.h"

namespace {

constexpr int screen_width = 640, screen_height = 480;
// A track BMP is about 300 KB; a larger file is some other picture and is refused unread.
constexpr std::uint64_t largest_track_file = 64u << 20;
// The fair-laps rule's reach around its checkpoint.
constexpr int checkpoint_reach = fair_laps_checkpoint_reach;

std::string at(int x, int y) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// The first pixel of the colour under a kart's probe at (x, y), row by row; false when none.
bool probe_finds(const BYTE *pixels, int x, int y, int color, int &found_x, int &found_y) {
    for (int py = y + probe_inset; py <= y + kart_height - probe_inset; ++py)
        for (int px = x + probe_inset; px <= x + kart_width - probe_inset; ++px)
            if (px >= 0 && px < screen_width && py >= 0 && py < screen_height &&
                pixels[py * screen_width + px] == color) {
                found_x = px;
                found_y = py;
                return true;
            }
    return false;
}

bool same_colour(const PALETTEENTRY &a, const PALETTEENTRY &b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

void check_start_places(const BYTE *pixels, TrackCheck &check) {
    struct Start {
        int player, x, y;
    };
    const Start starts[2] = {{1, kart1_start_x, kart1_start_y}, {2, kart2_start_x, kart2_start_y}};
    for (const Start &start : starts) {
        const std::string place =
            "player " + std::to_string(start.player) + "'s start place " + at(start.x, start.y) +
            " (its probe " + at(start.x + probe_inset, start.y + probe_inset) + "-" +
            at(start.x + kart_width - probe_inset, start.y + kart_height - probe_inset) + ")";
        int x = 0, y = 0;
        if (probe_finds(pixels, start.x, start.y, wall_color, x, y))
            check.problems.push_back({place + " touches a wall (index 29) at " + at(x, y), false});
        if (probe_finds(pixels, start.x, start.y, finish_color, x, y))
            check.problems.push_back({place + " touches the finish line (index 0) at " + at(x, y) +
                                          "; the karts start just right of the line",
                                      false});
    }
}

// Warnings for what the eye would take for wall, line or terrain: pixels of another index drawn
// in the same colour as the race shows it, and a picture palette the race does not show.
void check_palette(const BYTE *pixels, const PALETTEENTRY palette[256],
                   const PALETTEENTRY shown[256], TrackCheck &check) {
    int differing = 0, first_differing = -1;
    for (int i = 0; i < 256; ++i)
        if (!same_colour(palette[i], shown[i])) {
            ++differing;
            first_differing = first_differing < 0 ? i : first_differing;
        }
    if (differing > 0)
        check.problems.push_back(
            {"the picture's palette differs from the game's in " + std::to_string(differing) +
                 " of its 256 colours (the first is index " + std::to_string(first_differing) +
                 "): the race shows the track in the game's palette",
             true});
    struct Meaning {
        int index;
        const char *what;
    };
    const Meaning meanings[] = {{wall_color, "a wall (index 29)"},
                                {finish_color, "the finish line (index 0)"},
                                {turn_color, "terrain (index 42)"},
                                {mud_color, "terrain (index 24)"}};
    for (const Meaning &meaning : meanings) {
        int count = 0, first = -1;
        for (int i = 0; i < screen_width * screen_height; ++i)
            if (pixels[i] != meaning.index && same_colour(shown[pixels[i]], shown[meaning.index])) {
                ++count;
                first = first < 0 ? i : first;
            }
        if (count > 0) {
            const int x = first % screen_width, y = first / screen_width;
            check.problems.push_back(
                {std::to_string(count) + " pixels look like " + meaning.what +
                     " but have another index, which the race takes for plain ground (the first, "
                     "index " +
                     std::to_string(pixels[first]) + ", at " + at(x, y) + ")",
                 true});
        }
    }
}

// Every place a kart can reach from the start places, moving a pixel at a time.
std::vector<std::uint8_t> reachable_places(const TrackSight &sight) {
    std::vector<std::uint8_t> reached(sight.flags.size(), 0);
    std::vector<int> todo;
    for (const auto &[x, y] :
         {std::pair{kart1_start_x, kart1_start_y}, std::pair{kart2_start_x, kart2_start_y}})
        if (sight.clear(x, y)) {
            reached[sight.index(x, y)] = 1;
            todo.push_back(sight.index(x, y));
        }
    while (!todo.empty()) {
        const int here = todo.back();
        todo.pop_back();
        const int x = here % TrackSight::width + TrackSight::left;
        const int y = here / TrackSight::width + TrackSight::top;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (sight.clear(x + dx, y + dy) && !reached[sight.index(x + dx, y + dy)]) {
                    reached[sight.index(x + dx, y + dy)] = 1;
                    todo.push_back(sight.index(x + dx, y + dy));
                }
    }
    return reached;
}

// Whether some lap avoids the fair-laps rule's reach around (x, y).
bool lap_avoids(const TrackSight &sight, int x, int y) {
    TrackSight closed;
    closed.flags = sight.flags;
    for (int py = y - checkpoint_reach; py <= y + checkpoint_reach; ++py)
        for (int px = x - checkpoint_reach; px <= x + checkpoint_reach; ++px)
            if (closed.inside(px, py))
                closed.flags[closed.index(px, py)] &= static_cast<std::uint8_t>(~1u);
    LapTimes times;
    track_sight_time(closed, times, false);
    return times.lap < TrackSight::unreachable;
}

// A checkpoint on the far side of the lap that no lap can avoid: the middle of the places a
// frame's drive from half-way round (then a third, two thirds).
void find_checkpoint(const TrackSight &sight, const std::vector<std::uint8_t> &reached,
                     TrackCheck &check) {
    for (const int eighths : {4, 3, 5}) {
        const std::int64_t wanted = static_cast<std::int64_t>(sight.plain.lap) * eighths / 8;
        std::int64_t sum_x = 0, sum_y = 0, count = 0;
        for (std::size_t i = 0; i < reached.size(); ++i) {
            const std::int64_t time = sight.plain.left[i];
            if (reached[i] && time < TrackSight::unreachable && time >= wanted - sight_frame &&
                time <= wanted + sight_frame) {
                sum_x += static_cast<std::int64_t>(i % TrackSight::width) + TrackSight::left;
                sum_y += static_cast<std::int64_t>(i / TrackSight::width) + TrackSight::top;
                ++count;
            }
        }
        if (count == 0)
            continue;
        const int x = static_cast<int>(sum_x / count), y = static_cast<int>(sum_y / count);
        if (!lap_avoids(sight, x, y)) {
            check.has_checkpoint = true;
            check.checkpoint_x = x;
            check.checkpoint_y = y;
            return;
        }
    }
}

// What needs the map: the line reached, a lap that counts and its length, no place that is lost.
void check_laps(const TrackSight &sight, TrackCheck &check) {
    const std::vector<std::uint8_t> reached = reachable_places(sight);
    bool line_reached = false;
    for (std::size_t i = 0; i < reached.size() && !line_reached; ++i)
        line_reached = reached[i] && (sight.flags[i] & 2) != 0;
    if (!line_reached) {
        check.problems.push_back({"no kart can reach the finish line from the start places: walls "
                                  "close the way",
                                  false});
        return;
    }
    if (sight.plain.lap >= TrackSight::unreachable) {
        check.problems.push_back({"no lap can count: a lap counts where a kart drives onto the "
                                  "finish line moving right, and no way round the track comes "
                                  "onto the line from its left",
                                  false});
        return;
    }
    check.plain_lap_frames = (sight.plain.lap + sight_frame - 1) / sight_frame;
    if (check.plain_lap_frames <= player2_lap_limit)
        check.problems.push_back(
            {"the fastest lap takes " + std::to_string(check.plain_lap_frames) +
                 " frames at the plain speed; player 2's laps count only after " +
                 std::to_string(player2_lap_limit) + ", so make the circuit longer",
             false});
    int lost = 0, first = -1;
    for (std::size_t i = 0; i < reached.size(); ++i)
        if (reached[i] && sight.plain.left[i] >= TrackSight::unreachable) {
            ++lost;
            first = first < 0 ? static_cast<int>(i) : first;
        }
    if (lost > 0)
        check.problems.push_back({std::to_string(lost) +
                                      " places a kart can reach have no way onto the finish line "
                                      "from its left (the computer would be lost there), the first "
                                      "at " +
                                      at(first % TrackSight::width + TrackSight::left,
                                         first / TrackSight::width + TrackSight::top),
                                  false});
    if (check.races())
        find_checkpoint(sight, reached, check);
}

} // namespace

bool TrackCheck::races() const {
    return first_reason().empty();
}

std::string TrackCheck::first_reason() const {
    for (const TrackProblem &problem : problems)
        if (!problem.warning)
            return problem.text;
    return {};
}

bool track_picture_read(const char *path, TrackPicture &picture, std::string &why) {
    std::vector<BYTE> bytes;
    why = read_file_checked(path, bytes, largest_track_file);
    if (!why.empty())
        return false;
    BitmapFile bitmap{};
    const bool loaded = bitmap_file_load_memory(&bitmap, bytes.data(), bytes.size()) != 0;
    // The loader turns 24-bit pixels into 16-bit ones: the file's own depth is in its header.
    const int bits = loaded ? bytes[28] | bytes[29] << 8 : 0;
    const int width = bitmap.info_header.biWidth, height = bitmap.info_header.biHeight;
    if (loaded && bitmap.info_header.biBitCount == 8 && width == screen_width &&
        height == screen_height) {
        picture.pixels.assign(bitmap.pixels, bitmap.pixels + screen_width * screen_height);
        std::memcpy(picture.palette, bitmap.palette, sizeof picture.palette);
    }
    bitmap_file_unload(&bitmap);
    if (!loaded)
        why = "not a BMP picture the game can read (cut short, or of another kind)";
    else if (bits != 8)
        why = "a " + std::to_string(bits) +
              "-bit picture; a track is an 8-bit picture with a palette (indexed colour)";
    else if (width != screen_width || height != screen_height)
        why = std::to_string(width) + " x " + std::to_string(height) +
              " pixels; a track is 640 x 480";
    return why.empty();
}

TrackCheck track_check(const BYTE *pixels, const PALETTEENTRY palette[256],
                       const PALETTEENTRY shown[256], TrackSight &sight) {
    TrackCheck check;
    check_start_places(pixels, check);
    if (std::memchr(pixels, finish_color, screen_width * screen_height) == nullptr)
        check.problems.push_back({"no finish line: no pixel has palette index 0", false});
    if (check.races()) {
        track_sight_build(&sight, pixels);
        check_laps(sight, check);
    }
    check_palette(pixels, palette, shown, check);
    return check;
}

int track_check_file(const char *path, const PALETTEENTRY shown[256], std::FILE *out) {
    TrackPicture picture;
    std::string why;
    if (!track_picture_read(path, picture, why)) {
        std::fprintf(out, "%s: %s\n", path, why.c_str());
        return 1;
    }
    TrackSight sight;
    const TrackCheck check = track_check(picture.pixels.data(), picture.palette, shown, sight);
    for (const TrackProblem &problem : check.problems)
        std::fprintf(out, "%s: %s%s\n", path, problem.warning ? "warning: " : "",
                     problem.text.c_str());
    if (!check.races())
        return 1;
    std::fprintf(out, "%s: races; the fastest lap at the plain speed takes %d frames (%.1f s)\n",
                 path, check.plain_lap_frames, check.plain_lap_frames * 0.03);
    if (check.has_checkpoint)
        std::fprintf(out, "%s: the fair-laps checkpoint is at %s\n", path,
                     at(check.checkpoint_x, check.checkpoint_y).c_str());
    else
        std::fprintf(out, "%s: no place every lap passes: fair laps stay off on this track\n",
                     path);
    return 0;
}
