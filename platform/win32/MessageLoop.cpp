#include "platform/win32/MessageLoop.h"

#include <utility>

namespace platform::win32 {
namespace {

std::function<bool(const MSG&)>& Filter() {
  static std::function<bool(const MSG&)> filter;
  return filter;
}

}  // namespace

void SetMessageFilter(std::function<bool(const MSG&)> filter) { Filter() = std::move(filter); }

void HandleMessage(MSG& message, HWND dialog) {
  // A copy: the filter may remove itself while it runs (the source was disabled).
  if (const auto filter = Filter(); filter && filter(message)) return;
  if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop(HWND dialog) {
  MSG message{};
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) return 1;
    HandleMessage(message, dialog);
  }
}

bool ProcessPendingMessages(HWND dialog) {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    HandleMessage(message, dialog);
  }
  return true;
}

}  // namespace platform::win32
