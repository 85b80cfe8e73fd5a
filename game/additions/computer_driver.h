// The computer at the wheel of either kart. It looks only at what a player sees, the karts'
// places, the lap counts and the track picture, and acts only by holding its kart's keys through
// a key holder of its own, so the race frame treats it exactly like a person.
#pragma once

#include <cstdint>
#include <random>

#include "engine/display/bob.h"
#include "game/additions/track_sight.h"

// easy: drives the shortest way at the plain speed, misses the odd corner, never uses turbo.
// normal: takes the quickest way over terrain and rarely turns a frame or two late.
// hard: the quickest way, tightly, with turbo where it pays.
enum class ComputerLevel { easy, normal, hard };

// Reads "easy", "normal" or "hard"; false for anything else.
bool computer_level_from_name(const char *name, ComputerLevel *level);

struct ComputerDriver {
    int player = 1; // 1 or 2
    ComputerLevel level = ComputerLevel::normal;
    const TrackSight *sight = nullptr;
    std::minstd_rand random; // draws its mistakes and its ways out of a jam

    // What it remembers of the race so far.
    int frames = 0;    // frames since the race started
    int lap_timer = 0; // the race's lap timer for its kart, counted from the lap counts it sees
    int laps_seen = 0;
    bool past_line = false;       // on the line or just beyond it, with the whole lap ahead
    int last_dx = 0, last_dy = 0; // the direction it held last frame
    int late_frames = 0;          // frames left of a late turn
    int plan_frames = 0;          // frames left of following plans
    int stuck_frames = 0;         // frames it held a direction without moving
    int last_x = 0, last_y = 0;
    int escape_frames = 0, escape_dx = 0, escape_dy = 0;

    // Decides and holds the keys for the next race frame; call once before every frame.
    void steer();
    // Lets go of every key.
    void stop();
};

ComputerDriver computer_driver_make(int player, ComputerLevel level, const TrackSight *sight,
                                    std::uint32_t seed);

// The program's choice: which players the computer drives and how well.
extern bool computer_drives[2];
extern ComputerLevel computer_level;

// Before the race: reads the track picture on screen and seats the computer drivers chosen.
void computer_race_start(std::uint32_t seed);
// Before each race frame: the keys of the drivers seated; nothing when none is.
void computer_race_frame();
// After the race: lets go of every key the drivers hold.
void computer_race_end();
