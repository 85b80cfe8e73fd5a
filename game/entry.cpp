// The executable's entry: hands the process's instance to the program.
#include "game/main.h"

int main() {
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1);
}
