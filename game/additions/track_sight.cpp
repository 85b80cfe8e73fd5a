// Reads a track picture the way the race frame probes it and times every place to the end of the
// lap by a shortest-path search run backward from the finish line.
#include "game/additions/track_sight.h"

#include "game/race.h"
#include "game/setup.h"

namespace {

constexpr int screen_width = 640, screen_height = 480;
constexpr int probe_width = kart_width - 2 * probe_inset + 1;
constexpr int probe_height = kart_height - 2 * probe_inset + 1;

// Pixels of a colour in every rectangle from the screen's top-left corner, for counting those
// under a probe in four lookups.
struct ColourCount {
    std::vector<std::int32_t> sums =
        std::vector<std::int32_t>((screen_width + 1) * (screen_height + 1));

    template <typename Wanted> void count(const BYTE *pixels, Wanted wanted) {
        for (int y = 0; y < screen_height; ++y)
            for (int x = 0; x < screen_width; ++x)
                sums[(y + 1) * (screen_width + 1) + x + 1] =
                    (wanted(pixels[y * screen_width + x]) ? 1 : 0) +
                    sums[y * (screen_width + 1) + x + 1] + sums[(y + 1) * (screen_width + 1) + x] -
                    sums[y * (screen_width + 1) + x];
    }
    // Whether the probe of a kart at (x, y), which lies on the screen, holds the colour.
    bool under_probe(int x, int y) const {
        const int x0 = x + probe_inset, y0 = y + probe_inset;
        const int x1 = x0 + probe_width, y1 = y0 + probe_height;
        const int w = screen_width + 1;
        return sums[y1 * w + x1] - sums[y0 * w + x1] - sums[y1 * w + x0] + sums[y0 * w + x0] > 0;
    }
};

// The time one pixel's move takes at the race's plain steps (straight and diagonal), or at its
// terrain step.
int move_time(bool on_terrain, int dx, int dy) {
    if (on_terrain)
        return sight_frame / terrain_steps.step;
    return dx != 0 && dy != 0 ? sight_frame / plain_steps.diagonal_step
                              : sight_frame / plain_steps.step;
}

} // namespace

// The lap ends where a kart reaches the finish line moving right. Every other place is timed by a
// search backward from there; a place on the line is timed afterwards, right to left, as the way
// off the line to the right and around again.
void track_sight_time(const TrackSight &sight, LapTimes &lap_times, bool use_terrain) {
    std::vector<std::int32_t> &times = lap_times.left;
    const int width = TrackSight::width, height = TrackSight::height;
    times.assign(static_cast<std::size_t>(width) * height, TrackSight::unreachable);
    constexpr int bucket_count = sight_frame / plain_steps.diagonal_step + 1; // > the longest move
    std::vector<std::vector<int>> buckets(bucket_count);
    int pending = 0;
    for (int i = 0; i < width * height; ++i)
        if ((sight.flags[i] & 3) == 3) {
            times[i] = 0;
            buckets[0].push_back(i);
            ++pending;
        }
    for (std::int32_t now = 0; pending > 0; ++now) {
        std::vector<int> &bucket = buckets[now % bucket_count];
        while (!bucket.empty()) {
            const int here = bucket.back();
            bucket.pop_back();
            --pending;
            if (times[here] != now)
                continue;
            const int x = here % width, y = here / width;
            const bool here_on_line = (sight.flags[here] & 2) != 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    // (px, py) moves by (dx, dy) to here.
                    const int px = x - dx, py = y - dy;
                    if ((dx == 0 && dy == 0) || px < 0 || px >= width || py < 0 || py >= height)
                        continue;
                    const int before = py * width + px;
                    const std::uint8_t flags = sight.flags[before];
                    if ((flags & 1) == 0 || (flags & 2) != 0 || (here_on_line && dx <= 0))
                        continue;
                    const std::int32_t time = now + move_time(use_terrain && (flags & 4), dx, dy);
                    if (time < times[before]) {
                        times[before] = time;
                        buckets[time % bucket_count].push_back(before);
                        ++pending;
                    }
                }
        }
    }
    for (int x = width - 1; x >= 0; --x)
        for (int y = 0; y < height; ++y) {
            const int here = y * width + x;
            if ((sight.flags[here] & 3) != 3)
                continue;
            std::int32_t best = TrackSight::unreachable;
            for (int dy = -1; dy <= 1 && x + 1 < width; ++dy) {
                if (y + dy < 0 || y + dy >= height)
                    continue;
                const int next = (y + dy) * width + x + 1;
                if ((sight.flags[next] & 1) == 0 || times[next] >= TrackSight::unreachable)
                    continue;
                const std::int32_t time =
                    times[next] + move_time(use_terrain && (sight.flags[here] & 4), 1, dy);
                if (time < best)
                    best = time;
            }
            times[here] = best;
        }
    // A whole lap: from the best place where a kart reaches the line from its left.
    lap_times.lap = TrackSight::unreachable;
    for (int i = 1; i < width * height; ++i)
        if ((sight.flags[i] & 3) == 3 && (sight.flags[i - 1] & 3) == 1 && times[i] < lap_times.lap)
            lap_times.lap = times[i];
}

void track_sight_build(TrackSight *sight, const BYTE *pixels) {
    ColourCount walls, finish, terrain;
    walls.count(pixels, [](BYTE c) { return c == wall_color; });
    finish.count(pixels, [](BYTE c) { return c == finish_color; });
    terrain.count(pixels, [](BYTE c) { return c == turn_color || c == mud_color; });
    sight->flags.assign(static_cast<std::size_t>(TrackSight::width) * TrackSight::height, 0);
    for (int y = TrackSight::top; y < TrackSight::top + TrackSight::height; ++y)
        for (int x = TrackSight::left; x < TrackSight::left + TrackSight::width; ++x) {
            std::uint8_t flags = walls.under_probe(x, y) ? 0 : 1;
            flags |= finish.under_probe(x, y) ? 2 : 0;
            flags |= terrain.under_probe(x, y) ? 4 : 0;
            sight->flags[sight->index(x, y)] = flags;
        }
    track_sight_time(*sight, sight->plain, false);
    track_sight_time(*sight, sight->racing, true);
}
