// Answers the modal boxes and dialogs that the code under test opens on the test's own thread:
// a second thread waits for a dialog window (class "#32770") of this process, lets the test look
// at it and act on it (press a button, type a text). Every wait is bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/WideText.h"

namespace win32_test {

// What the answerer saw of a dialog.
struct SeenDialog {
  std::string caption;
  std::vector<std::string> static_texts;  // texts of its static controls, in order
  int button_count = 0;
  bool has_icon = false;
};

struct DialogSearch {
  DWORD process;
  HWND found;
};

inline BOOL CALLBACK MatchOwnDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (process == search->process && IsWindowVisible(window) &&
      lstrcmpW(class_name, L"#32770") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

inline HWND FindOwnDialog() {
  DialogSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(MatchOwnDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline BOOL CALLBACK DescribeChild(HWND child, LPARAM param) {
  auto* seen = reinterpret_cast<SeenDialog*>(param);
  wchar_t class_name[16] = {};
  GetClassNameW(child, class_name, 16);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (lstrcmpiW(class_name, L"Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      // Message boxes keep their icon control, empty or hidden, when they show no icon.
      if (IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0) != 0) {
        seen->has_icon = true;
      }
    } else {
      seen->static_texts.push_back(platform::win32::WindowText(child));
    }
  } else if (lstrcmpiW(class_name, L"Button") == 0 && IsWindowVisible(child)) {
    ++seen->button_count;
  }
  return TRUE;
}

inline SeenDialog Describe(HWND dialog) {
  SeenDialog seen;
  seen.caption = platform::win32::WindowText(dialog);
  EnumChildWindows(dialog, DescribeChild, reinterpret_cast<LPARAM>(&seen));
  return seen;
}

// Starts waiting at construction; `act` runs on the answerer's thread with the dialog found.
// The destructor joins the thread. found() tells whether a dialog appeared within the time-out.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::function<void(HWND)> act,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20))
      : thread_([this, act = std::move(act), timeout] {
          const auto end = std::chrono::steady_clock::now() + timeout;
          while (std::chrono::steady_clock::now() < end) {
            if (const HWND dialog = FindOwnDialog()) {
              // Let the dialog finish its initialisation (start folder, focus) first.
              std::this_thread::sleep_for(std::chrono::milliseconds(300));
              act(dialog);
              found_ = true;
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        }) {}
  ~DialogAnswerer() { thread_.join(); }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  bool found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

inline void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace win32_test
