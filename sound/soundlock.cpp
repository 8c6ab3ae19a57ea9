// The sound lock over the C++ runtime's re-entrant mutex.
#include "sound/soundlock.h"

#include <mutex>

// Made on first use, so that it exists before any other module's start-up
// code can reach the sound system.
static std::recursive_mutex& sound_mutex(void) {
    static std::recursive_mutex mutex;
    return mutex;
}

void soundlock_enter(void) { sound_mutex().lock(); }

void soundlock_leave(void) { sound_mutex().unlock(); }
