// Running work on the window thread from elsewhere (a driver's thread, a clock callback).
#ifndef ORVEL_USER_WINDOW_THREAD_H
#define ORVEL_USER_WINDOW_THREAD_H

#include <functional>

namespace orvel::user {

// Runs `task` on the thread that runs the message loop, inside its next GetMessageA (or a
// modal loop's retrieval), before any message is retrieved, as a sent message would be.
// Safe from any thread; wakes an idle loop. Tasks run in the order they were queued.
void RunOnWindowThread(std::function<void()> task);

}  // namespace orvel::user

#endif
