#pragma once

#include "app/core/Beep.h"

// Any thread: the sound is played as the system's beep on the GUI thread, later. Qt has
// one beep for every kind of sound.
void SystemBeep(BeepSound sound);
