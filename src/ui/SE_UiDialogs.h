// Message boxes asked for on any thread, answered on the user-interface thread: the
// setup thread's question is queued (SE_UiQueue.h) and the setup thread waits for the
// answer while the user-interface thread keeps pumping.
#pragma once

#include "platform/Dialogs.h"

// A handler for platform::SetMessageBoxHandler that runs onUiThread on the
// user-interface thread (at once when asked there).
platform::MessageBoxHandler UiThreadMessageBoxHandler(platform::MessageBoxHandler onUiThread);
