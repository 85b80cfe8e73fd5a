// One frame of the race: redraw, read the keys, move and resolve both karts, draw, show, pace.
#pragma once

// 1 after an ordinary frame; 5 when a lap counter has reached 10 (that frame is not shown).
int race_frame();
