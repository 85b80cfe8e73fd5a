// The executable's entry: reads the command line and hands the process's instance to the program.
#include <cstdio>
#include <cstring>

#include "game/main.h"
#include "game/replay_drive.h"

namespace {

// --record FILE, --play FILE or --timedemo FILE; nothing else.
bool read_arguments(int argc, char **argv) {
    struct Choice {
        const char *name;
        ReplayMode mode;
    };
    const Choice choices[] = {{"--record", ReplayMode::record},
                              {"--play", ReplayMode::play},
                              {"--timedemo", ReplayMode::timedemo}};
    if (argc == 1)
        return true;
    if (argc == 3)
        for (const Choice &choice : choices)
            if (std::strcmp(argv[1], choice.name) == 0) {
                replay_mode = choice.mode;
                replay_path = argv[2];
                return true;
            }
    std::fprintf(stderr, "usage: dirtwhirl [--record FILE | --play FILE | --timedemo FILE]\n");
    return false;
}

} // namespace

int main(int argc, char **argv) {
    if (!read_arguments(argc, argv))
        return 2;
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
