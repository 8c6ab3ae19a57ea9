// The sound system's own lock. The mixer runs on the audio device's thread
// while the demo thread lists, stops and changes sounds: every change of the
// playing list and of a listed record, and the mixing of a whole block, happen
// inside this lock. It is re-entrant, so that the mixer can stop a sound at
// its end, and a stream's refill hook can call the sound system, while the
// block's mixing holds it.
#pragma once

void soundlock_enter(void);
void soundlock_leave(void);
