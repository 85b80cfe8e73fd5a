// The error log: messages are written exactly as formatted, each beginning with a line feed.
#include "engine/display/log.h"

#include <cstdarg>
#include <string>

#include "platform/file.h"

std::FILE *log_file = nullptr;
char log_buffer[80];

int log_open(const char *file_name) {
    if (file_name == nullptr)
        return 0;
    std::string why;
    std::FILE *opened = open_for_writing(file_name, false, why);
    if (opened == nullptr)
        return 0;
    if (log_file != nullptr)
        log_close();
    log_file = opened;
    // The name goes in as an argument, so a percent sign in it stands unchanged.
    log_write("\nOpening Error Output File (%s):\n", file_name);
    return 1;
}

int log_close() {
    if (log_file == nullptr)
        return 0;
    log_write("\nClosing Error Output File.");
    std::fclose(log_file);
    log_file = nullptr;
    return 1;
}

int log_write(const char *format, ...) {
    if (format == nullptr || log_file == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(log_buffer, sizeof log_buffer, format, args);
    va_end(args);
    // A message too long for the buffer is written straight to the file, whole, instead of
    // running past the buffer's end.
    if (length >= static_cast<int>(sizeof log_buffer))
        std::vfprintf(log_file, format, again);
    else if (length > 0)
        std::fputs(log_buffer, log_file);
    va_end(again);
    return 1;
}
