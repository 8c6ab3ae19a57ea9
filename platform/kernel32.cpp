// kernel32 over POSIX: threads, clock, sleep, command line, memory, modules.
#include "platform/kernel32.h"

#include "platform/layer.h"
#include "platform/user32.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
// Threads
//
// A thread handle points at a record of this fixed table; records are never
// reused, so a handle stays valid for the life of the process.

#define LAYER_MAXTHREADS 256

struct layer_thread {
    std::atomic<int> used;
    DWORD id;
    pthread_t pt;
    LPTHREAD_START_ROUTINE start;
    LPVOID param;
    std::atomic<int> running;
    std::atomic<int> terminated;
    std::atomic<DWORD> exitcode;
};

static layer_thread layer_threads[LAYER_MAXTHREADS];
static std::atomic<int> layer_numthreads{0};
static thread_local layer_thread* layer_self = nullptr;
static pthread_mutex_t layer_parklock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t layer_parkcond = PTHREAD_COND_INITIALIZER;

#define STILL_ACTIVE 259

// The record of the calling thread; threads the layer did not start (the
// process's first thread, test threads) get one on their first call.
static layer_thread* self_thread(void) {
    if (layer_self) return layer_self;
    int n = layer_numthreads.fetch_add(1);
    if (n >= LAYER_MAXTHREADS) {
        fprintf(stderr, "kernel32: more than %d threads\n", LAYER_MAXTHREADS);
        abort();
    }
    layer_thread* t = &layer_threads[n];
    t->id = (DWORD)(n + 1);
    t->pt = pthread_self();
    t->running = 1;
    t->exitcode = STILL_ACTIVE;
    t->used = 1;
    layer_self = t;
    return t;
}

static layer_thread* thread_from_handle(HANDLE h) {
    layer_thread* t = (layer_thread*)h;
    if (t < &layer_threads[0] || t >= &layer_threads[LAYER_MAXTHREADS]) return nullptr;
    if (((char*)t - (char*)&layer_threads[0]) % sizeof(layer_thread) != 0) return nullptr;
    if (!t->used) return nullptr;
    return t;
}

// A stopped thread waits here until the process ends; from here on it counts
// as ended.
[[noreturn]] static void park_forever(void) {
    if (layer_self) layer_self->running = 0;
    pthread_mutex_lock(&layer_parklock);
    for (;;) pthread_cond_wait(&layer_parkcond, &layer_parklock);
}

void layer_checkterminated(void) {
    layer_thread* t = layer_self;
    if (t && t->terminated.load(std::memory_order_relaxed)) park_forever();
}

static void* thread_trampoline(void* arg) {
    layer_thread* t = (layer_thread*)arg;
    layer_self = t;
    DWORD code = t->start(t->param);
    if (!t->terminated) t->exitcode = code;
    t->running = 0;
    return nullptr;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    layer_checkterminated();
    self_thread();
    if (!lpStartAddress) return nullptr;
    if (dwCreationFlags & CREATE_SUSPENDED) {
        // Suspended threads are not offered: nothing in the system asks for them.
        fprintf(stderr, "kernel32: CreateThread: CREATE_SUSPENDED is not supported\n");
        return nullptr;
    }
    int n = layer_numthreads.fetch_add(1);
    if (n >= LAYER_MAXTHREADS) {
        fprintf(stderr, "kernel32: CreateThread: more than %d threads\n", LAYER_MAXTHREADS);
        return nullptr;
    }
    layer_thread* t = &layer_threads[n];
    t->id = (DWORD)(n + 1);
    t->start = lpStartAddress;
    t->param = lpParameter;
    t->running = 1;
    t->exitcode = STILL_ACTIVE;
    t->used = 1;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    // At least the 8 MB a Linux program's first thread has.
    SIZE_T stack = dwStackSize > (8u << 20) ? dwStackSize : (8u << 20);
    pthread_attr_setstacksize(&attr, stack);
    int err = pthread_create(&t->pt, &attr, thread_trampoline, t);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        t->running = 0;
        t->used = 0;
        return nullptr;
    }
    if (lpThreadId) *lpThreadId = t->id;
    return (HANDLE)t;
}

// TerminateThread cannot end a POSIX thread at an arbitrary point without
// risking the locks it holds (the X connection, stdio, the GL driver). So it
// marks the thread stopped: its exit code is fixed now, and the thread parks
// for good at its next call into the layer (Sleep, GetTickCount, SwapBuffers,
// any window call). The process itself ends through ExitProcess, which ends
// every thread at once wherever it is.
BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode) {
    layer_checkterminated();
    layer_thread* t = thread_from_handle(hThread);
    if (!t) return FALSE;
    if (t->running) t->exitcode = dwExitCode;
    t->terminated = 1;
    if (t == layer_self) park_forever();
    return TRUE;
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    layer_thread* t = thread_from_handle(hThread);
    if (!t || !lpExitCode) return FALSE;
    *lpExitCode = t->exitcode;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    layer_checkterminated();
    layer_thread* t = thread_from_handle(hHandle);
    if (!t) return WAIT_FAILED;
    DWORD start = layer_ticks();
    while (t->running) {
        if (dwMilliseconds != INFINITE && layer_ticks() - start >= dwMilliseconds) return WAIT_TIMEOUT;
        struct timespec ms = {0, 1000000};
        nanosleep(&ms, nullptr);
    }
    return WAIT_OBJECT_0;
}

DWORD WINAPI GetCurrentThreadId(void) { return self_thread()->id; }

BOOL WINAPI CloseHandle(HANDLE hObject) {
    // Thread records stay for the life of the process; closing only checks.
    return thread_from_handle(hObject) ? TRUE : FALSE;
}

[[noreturn]] void WINAPI ExitProcess(UINT uExitCode) {
    // Every other thread stops at its next layer call; what it printed so far
    // is flushed, then the process ends at once, without running destructors
    // or exit handlers that could race a thread still inside GL.
    int n = layer_numthreads.load();
    if (n > LAYER_MAXTHREADS) n = LAYER_MAXTHREADS;
    for (int i = 0; i < n; i++)
        if (&layer_threads[i] != layer_self) layer_threads[i].terminated = 1;
    fflush(nullptr);
    _exit((int)uExitCode);
}

// ---------------------------------------------------------------------------
// Clock and sleep

static std::atomic<DWORD> layer_tickoffset{0};

void layer_settickoffset(DWORD offset) { layer_tickoffset = offset; }

// Milliseconds of the monotonic clock (time since boot on Linux), wrapping
// after 2^32 ms as on Windows.
DWORD WINAPI GetTickCount(void) {
    layer_checkterminated();
    return layer_ticks();
}

DWORD layer_ticks(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
    return (DWORD)ms + layer_tickoffset.load(std::memory_order_relaxed);
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    layer_checkterminated();
    if (dwMilliseconds == 0) {
        sched_yield();
    } else if (dwMilliseconds == INFINITE) {
        park_forever();
    } else {
        struct timespec ts;
        ts.tv_sec = dwMilliseconds / 1000;
        ts.tv_nsec = (long)(dwMilliseconds % 1000) * 1000000L;
        while (nanosleep(&ts, &ts) != 0) {
        }
    }
    layer_checkterminated();
}

// ---------------------------------------------------------------------------
// Command line

static char* layer_cmdline = nullptr;
static char* layer_cmdtail = nullptr;

// Appends one argument quoted as the Windows C runtime reads it back.
static size_t quote_arg(char* out, const char* arg) {
    size_t n = 0;
    bool quote = arg[0] == 0 || strpbrk(arg, " \t\n\v") != nullptr;
    if (quote) {
        if (out) out[n] = '"';
        n++;
    }
    size_t backslashes = 0;
    for (const char* p = arg; *p; p++) {
        if (*p == '\\') {
            backslashes++;
        } else if (*p == '"') {
            // Backslashes before a quote are doubled, and the quote escaped.
            for (size_t i = 0; i < backslashes + 1; i++) {
                if (out) out[n] = '\\';
                n++;
            }
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        if (out) out[n] = *p;
        n++;
    }
    if (quote) {
        // Backslashes before the closing quote are doubled too.
        for (size_t i = 0; i < backslashes; i++) {
            if (out) out[n] = '\\';
            n++;
        }
        if (out) out[n] = '"';
        n++;
    }
    return n;
}

LPSTR layer_setcommandline(int argc, char** argv) {
    size_t len = 1;
    for (int i = 0; i < argc; i++) len += quote_arg(nullptr, argv[i]) + 1;
    char* text = (char*)malloc(len);
    if (!text) return (LPSTR) "";
    size_t n = 0;
    char* tail = nullptr;
    for (int i = 0; i < argc; i++) {
        if (i > 0) text[n++] = ' ';
        if (i == 1) tail = text + n;
        n += quote_arg(text + n, argv[i]);
    }
    text[n] = 0;
    free(layer_cmdline);
    layer_cmdline = text;
    layer_cmdtail = tail ? tail : text + n;
    return layer_cmdtail;
}

// Without the layer's main() (test programs), the command line is read from
// the process's own argument list once.
LPSTR WINAPI GetCommandLineA(void) {
    if (!layer_cmdline) {
        char buf[16384];
        size_t len = 0;
        FILE* f = fopen("/proc/self/cmdline", "rb");
        if (f) {
            len = fread(buf, 1, sizeof buf - 1, f);
            fclose(f);
        }
        buf[len] = 0;
        char* args[256];
        int argc = 0;
        for (size_t i = 0; i < len && argc < 256; i += strlen(buf + i) + 1) args[argc++] = buf + i;
        layer_setcommandline(argc, args);
    }
    return layer_cmdline;
}

// ---------------------------------------------------------------------------
// Memory

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    if (uFlags & ~(UINT)GMEM_ZEROINIT) {
        // Only fixed blocks exist here; movable ones would need a lock call.
        fprintf(stderr, "kernel32: GlobalAlloc: only GMEM_FIXED blocks are supported\n");
        return nullptr;
    }
    void* p = (uFlags & GMEM_ZEROINIT) ? calloc(1, dwBytes ? dwBytes : 1) : malloc(dwBytes ? dwBytes : 1);
    return (HGLOBAL)p;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    free(hMem);
    return nullptr;
}

// ---------------------------------------------------------------------------
// Modules
//
// The Windows libraries the layer stands in for are modules of their own with
// a small table of the functions that are looked up by name; any other name
// is handed to the dynamic loader.

struct layer_export {
    const char* name;
    FARPROC proc;
};

struct layer_module {
    const char* name;
    const layer_export* exports;
    int refs;
};

static const layer_export user32_exports[] = {
    {"SetProcessDPIAware", (FARPROC)(void*)SetProcessDPIAware},
    {nullptr, nullptr},
};
static const layer_export kernel32_exports[] = {
    {"GetTickCount", (FARPROC)(void*)GetTickCount},
    {"Sleep", (FARPROC)(void*)Sleep},
    {nullptr, nullptr},
};
static const layer_export empty_exports[] = {{nullptr, nullptr}};

static layer_module layer_modules[] = {
    {"kernel32", kernel32_exports, 0}, {"user32", user32_exports, 0}, {"gdi32", empty_exports, 0},
    {"opengl32", empty_exports, 0},    {"winmm", empty_exports, 0},
};
#define LAYER_NUMMODULES (int)(sizeof layer_modules / sizeof layer_modules[0])

// The program itself: GetModuleHandleA(NULL) and the instance of its windows.
static char layer_program_module;

static layer_module* module_from_handle(HMODULE h) {
    for (int i = 0; i < LAYER_NUMMODULES; i++)
        if (h == (HMODULE)&layer_modules[i]) return &layer_modules[i];
    return nullptr;
}

// "USER32.DLL", "user32.dll" and "user32" all name the same module.
static layer_module* module_by_name(const char* name) {
    const char* base = strrchr(name, '\\');
    base = base ? base + 1 : name;
    for (int i = 0; i < LAYER_NUMMODULES; i++) {
        size_t n = strlen(layer_modules[i].name);
        if (strncasecmp(base, layer_modules[i].name, n) == 0 && (base[n] == 0 || strcasecmp(base + n, ".dll") == 0))
            return &layer_modules[i];
    }
    return nullptr;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName) return (HMODULE)&layer_program_module;
    layer_module* m = module_by_name(lpModuleName);
    return m ? (HMODULE)m : nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName) return nullptr;
    layer_module* m = module_by_name(lpLibFileName);
    if (m) {
        m->refs++;
        return (HMODULE)m;
    }
    return (HMODULE)dlopen(lpLibFileName, RTLD_NOW | RTLD_LOCAL);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!hModule || !lpProcName) return nullptr;
    layer_module* m = module_from_handle(hModule);
    if (m) {
        for (const layer_export* e = m->exports; e->name; e++)
            if (strcmp(e->name, lpProcName) == 0) return e->proc;
        return nullptr;
    }
    if (hModule == (HMODULE)&layer_program_module) return nullptr;
    return (FARPROC)dlsym(hModule, lpProcName);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (!hLibModule) return FALSE;
    layer_module* m = module_from_handle(hLibModule);
    if (m) {
        if (m->refs > 0) m->refs--;
        return TRUE;
    }
    if (hLibModule == (HMODULE)&layer_program_module) return TRUE;
    return dlclose(hLibModule) == 0 ? TRUE : FALSE;
}
