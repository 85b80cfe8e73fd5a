// The executable's entry: hands the command line and the process's instance to the program.
#include "game/main.h"

int main(int argc, char **argv) {
    return program_main(argc, argv, GetModuleHandleA(nullptr));
}
