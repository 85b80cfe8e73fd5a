// The race-state hash over the race game's globals.
#include "game/additions/race_hash.h"

#include "game/race_state.h"

namespace {

constexpr std::uint64_t fnv_offset = 0xCBF29CE484222325ull;
constexpr std::uint64_t fnv_prime = 0x100000001B3ull;

// Every field as 4 bytes, least significant first, whatever int is on this machine.
void feed(std::uint64_t &hash, int value) {
    const auto word = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        hash ^= (word >> (8 * i)) & 0xFF;
        hash *= fnv_prime;
    }
}

// The fields of a kart that the race frame, bob_animate and bob_set_animation read or write.
void feed_kart(std::uint64_t &hash, const BOB &kart) {
    for (int value : {kart.x, kart.y, kart.curr_frame, kart.curr_anim, kart.anim_pos,
                      kart.anim_tick, kart.anim_state})
        feed(hash, value);
}

} // namespace

std::uint64_t race_state_hash() {
    std::uint64_t hash = fnv_offset;
    feed_kart(hash, kart1);
    feed_kart(hash, kart2);
    for (int value : {player1_lap_timer, player2_lap_timer, player1_bump_timer, player2_bump_timer,
                      player1_terrain_timer, player2_terrain_timer, player1_laps, player2_laps,
                      player1_on_terrain, player2_on_terrain, player1_moved, player2_moved})
        feed(hash, value);
    return hash;
}
