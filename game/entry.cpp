// The executable's entry: reads the options that seat the computer and hands the process's
// instance to the program.
#include "game/computer_options.h"
#include "game/main.h"

int main(int argc, char **argv) {
    if (computer_options_read(argc, argv) == 0)
        return 2;
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
