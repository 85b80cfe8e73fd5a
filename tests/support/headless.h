// Test support: the headless start-up (tools/headless_game.h), where tests may write pictures
// and files meant to be looked at afterwards, and running a program.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/headless_game.h"

inline std::string test_output_dir() {
    const char *dir = std::getenv("DW_BINARY_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/test-output";
}

// A shell command's exit code (-1 when it did not exit) and what it wrote, standard error included
// when the command sends it there.
struct ProgramRun {
    int exit_code;
    std::string output;
};

inline ProgramRun run_program(const std::string &command) {
    ProgramRun run{-1, ""};
    std::FILE *pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
