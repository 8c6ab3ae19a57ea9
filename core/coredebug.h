// Debug output: formatted prints to standard output and the two fatal reports.
#pragma once

void _dbg_init(void);
void _dbg_shutdown(void);
// Prints with the standard formatted print; adds no prefix and no line break.
void _dbg_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints "<file>(<line>): assertion failed: <expr>" and ends the process with status 1.
[[noreturn]] void _dbg_assert(const char* file, int line, const char* expression);
// Prints "Error: <message>" and ends the process with status 1.
[[noreturn]] void error(const char* message);
