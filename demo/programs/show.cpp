// The show's entry. This file is built twice, into kastrel-fullscreen
// (KASTREL_FULLSCREEN=1) and kastrel-windowed (KASTREL_FULLSCREEN=0): the
// full-screen flag handed to video start-up is their only difference.
#include "demo/main.h"

#ifndef KASTREL_FULLSCREEN
#error "KASTREL_FULLSCREEN must be set to 1 (full screen) or 0 (windowed)"
#endif

// The arguments are not read. The driver passes the result on as the demo
// thread's exit code, which nothing reads; it is 0.
int coremain(int argc, char** argv) {
    (void)argc;
    (void)argv;
    StartShow(KASTREL_FULLSCREEN);
    do {
        RunFrame();
    } while (!exitdemo);
    StopShow();
    return 0;
}
