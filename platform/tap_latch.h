// A short tap kept for one reader: a key pressed and let go before the reader looked is still seen
// down by its next look, and by that one only. The keyboard's own keys and the keys held by others
// use it alike.
#pragma once

struct TapLatch {
    bool unseen = false;
    void press() { unseen = true; }
    bool look(bool held) {
        const bool down = held || unseen;
        unseen = false;
        return down;
    }
};
