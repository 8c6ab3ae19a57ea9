// The process entry of programs written for Windows: builds the Windows-style
// command line from argv, runs WinMain on this, the process's first thread,
// and ends the process with its result the way ExitProcess does (output
// flushed, every thread ended at once).
#include "platform/kernel32.h"
#include "platform/layer.h"

int main(int argc, char** argv) {
    LPSTR tail = layer_setcommandline(argc, argv);
    int result = WinMain(GetModuleHandleA(nullptr), nullptr, tail, 10 /* SW_SHOWDEFAULT */);
    ExitProcess((UINT)result);
}
