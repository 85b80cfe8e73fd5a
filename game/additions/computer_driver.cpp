// The computer driver: each frame it picks the move that brings its kart nearest the end of the
// lap, timed on the track picture; near the other kart it plans a few frames ahead around it, and
// when it has not moved for a while it backs out in a direction drawn at random.
#include "game/additions/computer_driver.h"

#include <cstdlib>
#include <cstring>

#include "game/additions/fair_laps.h"
#include "game/race.h"
#include "game/race_state.h"
#include "platform/additions/controls.h"

bool computer_drives[2] = {false, false};
ComputerLevel computer_level = ComputerLevel::normal;

namespace {

constexpr int directions[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                  {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

// The other kart this close on both axes: plan around it rather than drive straight at the end.
constexpr int near_distance = 100;
constexpr int plan_depth = 8;
constexpr int plan_reach = plan_depth * 7; // the farthest a plan can lead on either axis
constexpr int plan_side = 2 * plan_reach + 1;
// Frames a plan is followed once made.
constexpr int plan_hold = 10;
// Holding a direction this many frames without moving counts as stuck.
constexpr int stuck_limit = 15;

// The keys the computer holds for each kart.
KeyHolder computer_keys[2];

struct Move {
    int dx = 0, dy = 0; // -1, 0 or 1: the arrow keys held
    bool turbo = false;
};

BOB &kart_of(int player) {
    return player == 1 ? kart1 : kart2;
}

bool touches(int x, int y, const BOB &other) {
    return std::abs(x - other.x) <= contact_distance && std::abs(y - other.y) <= contact_distance;
}

// Pixels a key press moves the kart on each axis, as the race frame chooses them.
int step_of(const TrackSight &sight, int x, int y, const Move &move) {
    const bool diagonal = move.dx != 0 && move.dy != 0;
    const Steps &steps = move.turbo               ? turbo_steps
                         : sight.on_terrain(x, y) ? terrain_steps
                                                  : plain_steps;
    return diagonal ? steps.diagonal_step : steps.step;
}

// How long a move leaves to the end of the lap. Just past the line the lap is all ahead: the
// places just behind the line are a whole lap away, not a step, and reaching the line again
// ends nothing.
struct Judge {
    const TrackSight &sight;
    const LapTimes &times;
    bool past_line;

    std::int32_t after(int from_x, int from_y, int to_x, int to_y) const {
        const std::int32_t left = sight.time_at(times, to_x, to_y);
        if (left >= TrackSight::unreachable)
            return left;
        const bool onto_line = sight.on_finish(to_x, to_y) && !sight.on_finish(from_x, from_y);
        if (!past_line)
            return onto_line && to_x > from_x ? 0 : left;
        if (!sight.on_finish(to_x, to_y) && left < times.lap / 2)
            return left + times.lap;
        return left;
    }
};

// The best first move of every way of up to plan_depth frames that keeps clear of walls and of
// the other kart (taken as standing still), judged by frames spent plus time left afterwards. No
// way starts with the move `back`.
Move plan(const Judge &judge, int x, int y, const BOB &other, const Move &back) {
    const TrackSight &sight = judge.sight;
    struct Node {
        int x, y, depth, first;
    };
    static std::vector<Node> queue;
    static std::vector<int> seen(plan_side * plan_side);
    static int pass = 0;
    if (++pass == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        pass = 1;
    }
    queue.clear();
    queue.push_back({x, y, 0, -1});
    seen[plan_reach * plan_side + plan_reach] = pass;
    std::int32_t best_score = TrackSight::unreachable; // standing still is no way round
    int best_first = -1;
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const Node node = queue[next];
        if (node.depth == plan_depth)
            continue;
        for (int d = 0; d < 8; ++d) {
            const Move move{directions[d][0], directions[d][1], false};
            if (node.depth == 0 && move.dx == back.dx && move.dy == back.dy)
                continue;
            const int step = step_of(sight, node.x, node.y, move);
            const int nx = node.x + move.dx * step, ny = node.y + move.dy * step;
            const int wx = nx - x + plan_reach, wy = ny - y + plan_reach;
            if (wx < 0 || wx >= plan_side || wy < 0 || wy >= plan_side ||
                seen[wy * plan_side + wx] == pass)
                continue;
            seen[wy * plan_side + wx] = pass;
            if (!sight.clear(nx, ny) || touches(nx, ny, other))
                continue;
            const std::int32_t left = judge.after(node.x, node.y, nx, ny);
            const int first = node.first < 0 ? d : node.first;
            const std::int32_t score = (node.depth + 1) * sight_frame + left;
            if (score < best_score) {
                best_score = score;
                best_first = first;
            }
            if (left > 0) // a way that reached the line ends there
                queue.push_back({nx, ny, node.depth + 1, first});
        }
    }
    if (best_first < 0)
        return {};
    return {directions[best_first][0], directions[best_first][1], false};
}

} // namespace

bool computer_level_from_name(const char *name, ComputerLevel *level) {
    static const struct {
        const char *name;
        ComputerLevel level;
    } names[] = {{"easy", ComputerLevel::easy},
                 {"normal", ComputerLevel::normal},
                 {"hard", ComputerLevel::hard}};
    for (const auto &entry : names)
        if (name != nullptr && std::strcmp(name, entry.name) == 0) {
            *level = entry.level;
            return true;
        }
    return false;
}

ComputerDriver computer_driver_make(int player, ComputerLevel level, const TrackSight *sight,
                                    std::uint32_t seed) {
    ComputerDriver driver;
    driver.player = player;
    driver.level = level;
    driver.sight = sight;
    driver.random.seed(seed);
    const BOB &kart = kart_of(player);
    driver.last_x = kart.x;
    driver.last_y = kart.y;
    return driver;
}

void ComputerDriver::steer() {
    const BOB &kart = kart_of(player);
    const BOB &other = kart_of(3 - player);
    const int x = kart.x, y = kart.y;
    const int laps = player == 1 ? player1_laps : player2_laps;
    // The fair-laps rule gives kart 2 kart 1's window.
    const int lap_limit =
        player == 1 || fair_laps_enabled() ? player1_lap_limit : player2_lap_limit;
    // The race counts a frame on the timer before it looks for a lap, and starts again at a lap.
    if (frames > 0)
        lap_timer = laps != laps_seen ? 0 : lap_timer + 1;
    laps_seen = laps;
    ++frames;
    const bool held_still = (last_dx != 0 || last_dy != 0) && x == last_x && y == last_y;
    stuck_frames = held_still ? stuck_frames + 1 : 0;
    last_x = x;
    last_y = y;

    const LapTimes &times = level == ComputerLevel::easy ? sight->plain : sight->racing;
    // On the line the lap is all ahead, until the kart is well on its way round.
    const std::int32_t on_clock = sight->time_at(times, x, y);
    if (sight->on_finish(x, y))
        past_line = true;
    else if (on_clock > times.lap / 4 && on_clock < times.lap * 3 / 4)
        past_line = false;
    const Judge judge{*sight, times, past_line};
    const std::int32_t here = judge.after(x, y, x, y);

    if (stuck_frames >= stuck_limit && escape_frames == 0) {
        const int d = static_cast<int>(random() % 8);
        escape_dx = directions[d][0];
        escape_dy = directions[d][1];
        escape_frames = 4 + static_cast<int>(random() % 8);
        stuck_frames = 0;
    }

    Move move;
    if (escape_frames > 0) {
        --escape_frames;
        move = {escape_dx, escape_dy, false};
    } else if (late_frames > 0) {
        --late_frames;
        move = {last_dx, last_dy, false};
    } else {
        // Turbo pays only on a lap that would not end before the lap timer lets it count.
        const bool turbo_pays = level == ComputerLevel::hard && here < TrackSight::unreachable &&
                                lap_timer + here / sight_frame > lap_limit;
        std::int32_t best = TrackSight::unreachable;
        for (const bool turbo : {false, true}) {
            if (turbo && !turbo_pays)
                continue;
            for (const auto &direction : directions) {
                const Move candidate{direction[0], direction[1], turbo};
                const int step = step_of(*sight, x, y, candidate);
                const int nx = x + candidate.dx * step, ny = y + candidate.dy * step;
                if (touches(nx, ny, other))
                    continue;
                const std::int32_t left = judge.after(x, y, nx, ny);
                if (left < best) {
                    best = left;
                    move = candidate;
                }
            }
        }
        const bool near =
            std::abs(other.x - x) < near_distance && std::abs(other.y - y) < near_distance;
        // Once the quickest single move leads nowhere, a plan is followed for a while, so that
        // the kart does not rock between a place the plan leaves and one the times prefer.
        if (near || best >= here)
            plan_frames = plan_hold;
        if (plan_frames > 0) {
            --plan_frames;
            // Straight back the way it came is the last resort: it rocks between two places.
            move = plan(judge, x, y, other, {-last_dx, -last_dy, false});
            if (move.dx == 0 && move.dy == 0)
                move = plan(judge, x, y, other, {});
        }
        // A lap reached before its timer allows would not count: wait just short of the line.
        const int step = step_of(*sight, x, y, move);
        if (judge.after(x, y, x + move.dx * step, y + move.dy * step) == 0 &&
            lap_timer + 1 <= lap_limit)
            move = {};
        // The odd corner taken late: the old direction held a little longer.
        const bool turning = (move.dx != last_dx || move.dy != last_dy) &&
                             (last_dx != 0 || last_dy != 0) && (move.dx != 0 || move.dy != 0);
        const unsigned chance = level == ComputerLevel::easy     ? 3
                                : level == ComputerLevel::normal ? 12
                                                                 : 0;
        if (turning && chance != 0 && random() % chance == 0) {
            late_frames = level == ComputerLevel::easy ? 2 + static_cast<int>(random() % 6)
                                                       : static_cast<int>(random() % 2);
            move = {last_dx, last_dy, false};
        }
        // And at the easy level, a hesitant foot: now and then a frame off the keys.
        if (level == ComputerLevel::easy && random() % 4 == 0)
            move = {};
    }

    const RaceKeys &keys = race_keys[player - 1];
    KeyHolder &holder = computer_keys[player - 1];
    holder.hold(keys.left, move.dx < 0);
    holder.hold(keys.right, move.dx > 0);
    holder.hold(keys.up, move.dy < 0);
    holder.hold(keys.down, move.dy > 0);
    holder.hold(keys.turbo, move.turbo);
    last_dx = move.dx;
    last_dy = move.dy;
}

void ComputerDriver::stop() {
    computer_keys[player - 1].release_all();
    last_dx = last_dy = 0;
}

namespace {

TrackSight race_sight;
ComputerDriver race_drivers[2];

} // namespace

void computer_race_start(std::uint32_t seed) {
    if ((!computer_drives[0] && !computer_drives[1]) || track_image.pixels == nullptr)
        return;
    track_sight_build(&race_sight, track_image.pixels);
    for (int i = 0; i < 2; ++i)
        race_drivers[i] = computer_driver_make(i + 1, computer_level, &race_sight, seed + i);
}

void computer_race_frame() {
    for (int i = 0; i < 2; ++i)
        if (computer_drives[i] && race_drivers[i].sight != nullptr)
            race_drivers[i].steer();
}

void computer_race_end() {
    for (int i = 0; i < 2; ++i)
        if (computer_drives[i])
            race_drivers[i].stop();
}
