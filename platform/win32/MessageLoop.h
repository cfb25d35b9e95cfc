// The event loop of the Windows program, and the hook through which the TWAIN component sees
// every window message while a data source is enabled.
#pragma once

#include <windows.h>

#include <functional>

namespace platform::win32 {

// Installs the filter that sees every message before it is translated and dispatched (by the
// main event loop and by ProcessMessages; the nested loops of system dialogs run their own). A
// filter returning true has consumed the message. An empty function removes the filter.
void SetMessageFilter(std::function<bool(const MSG&)> filter);

// Handles one message taken from the queue: the filter, then the keyboard interface of `dialog`
// (Tab, arrows, Space; may be null), then translation and dispatch.
void HandleMessage(MSG& message, HWND dialog);

// Runs the event loop until WM_QUIT; returns the quit message's exit code.
int RunMessageLoop(HWND dialog);

// Handles every message already in the queue and returns. A WM_QUIT met here is posted again so
// that the outer event loop ends; false then, true otherwise.
bool ProcessPendingMessages(HWND dialog);

}  // namespace platform::win32
