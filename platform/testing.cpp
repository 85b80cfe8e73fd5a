// Faults and the record of calls: the test seams that every platform piece shares.
#include "platform/testing.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

struct Fault {
    std::string operation;
    int skip;
    int times;
};

std::vector<Fault> faults;
bool recording = false;
std::vector<std::string> recorded;

} // namespace

void testing_fail(const char *operation, int times, int skip) {
    faults.push_back(Fault{operation, skip, times});
}

void testing_clear_faults() {
    faults.clear();
}

void testing_record_calls(bool on) {
    recording = on;
}

const std::vector<std::string> &testing_recorded_calls() {
    return recorded;
}

void testing_clear_recorded_calls() {
    recorded.clear();
}

namespace platform {

bool fault(const char *operation) {
    for (Fault &f : faults) {
        if (f.times <= 0 || f.operation != operation)
            continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        --f.times;
        return true;
    }
    return false;
}

void note(const char *format, ...) {
    if (!recording)
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    recorded.emplace_back(line);
}

} // namespace platform
