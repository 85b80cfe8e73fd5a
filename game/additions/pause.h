// Pausing the race: the pause key (P unless the settings say otherwise) or a gamepad's Start
// pauses and resumes, and losing the window's focus pauses. While paused the race frame does not
// run, so no timer, lap counter or kart moves; the frozen race shows "PAUSED", the engine sound is
// stopped, Escape still ends the race, and the loop sleeps on the event queue instead of spinning.
#pragma once

// Forgets pause presses and focus losses from before the race (the screens before it).
void pause_reset();

// Called by the race loop before each race frame: 1 while the race is paused (after waiting a
// little for input), 0 when the race frame is to run.
int race_paused();

// Stops the engine sound and shows the frozen race (the frame on the screen) with "PAUSED" over
// it, once.
void pause_show();
