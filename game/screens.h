// The screens around the race: intro, title and winner.
#pragma once

// Until Enter (the drivers chosen at start-up) or C (the computer in kart 2, noted in
// intro_chose_computer); resets the laps.
int intro_screen();
int title_screen();
int winner1_screen();
int winner2_screen();
// The winner picture of the player with more laps (player 2's when they are equal), until Q.
int winner_screen_for_laps();

// Whether the intro was left with C rather than Enter.
extern bool intro_chose_computer;
