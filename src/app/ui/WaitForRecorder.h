#pragma once

#include <functional>

// GUI thread: runs a blocking exchange with the recorder (an identification, an
// information read) on a thread of its own and waits for it. The GUI thread stays as
// blocked as the exchange would have kept it, but for what shows life: the wait cursor is
// up, windows repaint, timers and queued calls run; key presses and clicks wait in the
// queue until the exchange is over. The call's error is raised here.
void WaitForRecorder(const std::function<void()>& call);
