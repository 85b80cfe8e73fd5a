// The optional error log: a text file that library code writes diagnostic lines to. While no log
// is open, writing does nothing.
#pragma once

#include <cstdio>

extern std::FILE *log_file;
extern char log_buffer[80];

int log_open(const char *file_name);
int log_close();
int log_write(const char *format, ...) __attribute__((format(printf, 1, 2)));
