// The race loop around the race frame.
#include "game/additions/race_loop.h"

#include "game/additions/computer_driver.h"
#include "game/additions/pause.h"
#include "game/race.h"
#include "platform/window.h"

int race_loop(bool (*after_frame)(int frame_result)) {
    pause_reset();
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (race_paused() != 0)
            continue;
        computer_race_frame();
        const int result = race_frame();
        const bool go_on = after_frame == nullptr || after_frame(result);
        if (result == 5 || !go_on)
            return 0;
    }
}
