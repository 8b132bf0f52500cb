#pragma once

#include <functional>

// The sounds a job ends with. The core only names them; the windows play each as the
// system's beep (SystemBeep), so the logic makes its sounds without a window system.
enum class BeepSound { Default, Information, Error };
// May be called from any thread; empty: no sound.
using BeepEvent = std::function<void(BeepSound sound)>;
