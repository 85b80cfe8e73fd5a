// The race loop: the documented loop (at most one window message, then a race frame) with the
// pause and the computer drivers around the race frame, and a watcher after it.
#pragma once

// One message, the computer drivers' keys and one race frame per pass (neither while paused).
// Returns the exit code: the quit message's parameter, or 0 after a won race. A watcher (a replay)
// is called after every race frame with its result; when it returns false the race ends there,
// with 0.
int race_loop(bool (*after_frame)(int frame_result) = nullptr);
