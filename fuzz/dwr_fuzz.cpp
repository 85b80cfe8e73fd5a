// Fuzz target for the replay reader. A file it accepts must be exactly what the writer makes of
// what was read (nothing in it was skipped or guessed), and every frame's keys must lie in the
// key table; a file it refuses must say why.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "game/additions/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Replay replay;
    std::string error;
    if (!replay_parse(data, size, replay, error)) {
        fuzz_require(!error.empty(), "a refused file without a reason");
        return 0;
    }
    const std::vector<std::uint8_t> written = replay_serialize(replay);
    fuzz_require(written.size() == size && std::equal(written.begin(), written.end(), data),
                 "an accepted file that the writer would not have written");
    for (const ReplayFrame &frame : replay.frames)
        fuzz_require((frame.keys >> replay.key_table.size()) == 0, "a key outside the table");
    return 0;
}
