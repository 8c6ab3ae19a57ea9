// kernel32 on this platform: threads, the millisecond clock, sleeping, the
// command line, modules and GlobalAlloc, over POSIX threads and clocks.
//
// TerminateThread marks a thread stopped and fixes its exit code; the thread
// parks for good at its next call into the layer (a POSIX thread cannot be
// ended safely from outside while it may hold the X connection's or the GL
// driver's locks). ExitProcess flushes the C streams and ends the process,
// and with it every thread wherever it is, without running exit handlers.
#pragma once

#include "platform/win32types.h"

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define CREATE_SUSPENDED 0x00000004
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000
#define WAIT_TIMEOUT 0x00000102
#define WAIT_FAILED 0xFFFFFFFF

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId);
BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode);
BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
// Thread handles only: signalled once the thread has returned from its start
// routine or, terminated, has stopped for good.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
DWORD WINAPI GetCurrentThreadId(void);
BOOL WINAPI CloseHandle(HANDLE hObject);
void WINAPI Sleep(DWORD dwMilliseconds);
DWORD WINAPI GetTickCount(void);
LPSTR WINAPI GetCommandLineA(void);
HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
[[noreturn]] void WINAPI ExitProcess(UINT uExitCode);

// The program's entry on the process's first thread, defined by the program;
// the layer's own main() calls it (platform/main/winmain.cpp).
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);
