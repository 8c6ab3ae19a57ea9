#include "core/coredebug.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void _dbg_init(void) {}

void _dbg_shutdown(void) {}

void _dbg_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

void _dbg_assert(const char* file, int line, const char* expression) {
    printf("%s(%d): assertion failed: %s\n", file, line, expression);
    exit(1);
}

void error(const char* message) {
    printf("Error: %s\n", message);
    exit(1);
}
