// What the test support needs of the system it runs on: descriptor calls for
// the stdout capture and its temporary file. testsupport_posix.cpp and
// testsupport_win32.cpp define them, with RunProgram, SetEnv, NeedsDisplay
// and, on POSIX, RunCommand.
#pragma once

#include <cstdio>

namespace kt {
namespace sys {

int Dup(int fd);
void Dup2(int from, int to);
void Close(int fd);
int FileNo(FILE* file);
// A temporary file opened for binary reading and writing, gone when closed.
FILE* CaptureFile();

}  // namespace sys
}  // namespace kt
