// Runs Prelavka.exe as a user would and looks at it from outside: starts the process, answers
// its message boxes, finds its main window, clicks controls and reads their state through the
// Win32 API, saves a picture of the window, and closes it. Every wait is bounded.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Toolkit.h"

namespace win32_test {

// A Windows path for a path of the build (a Unix path under Wine is reached through drive Z:).
std::wstring WindowsPath(const std::string& build_path);
// The run log's folder as start-up finds it: the documents folder + "\Prelavka\".
std::wstring ApplicationFolder();
// Reads a file that another process holds open for writing (it shares reading).
std::string ReadSharedFile(const std::wstring& path);
bool StartsWith(const std::string& text, std::string_view prefix);

class ProgramDriver {
 public:
  ProgramDriver() = default;
  ~ProgramDriver();  // ends a process still running
  ProgramDriver(const ProgramDriver&) = delete;
  ProgramDriver& operator=(const ProgramDriver&) = delete;

  // Starts the program with the command line's arguments (after its name).
  bool Start(const std::wstring& executable, std::wstring_view arguments = {});
  // Waits until the main window is visible, pressing OK in every message box meanwhile (their
  // texts are kept). False on the time-out or when the process ended first.
  bool WaitForWindow(std::chrono::milliseconds timeout);
  // Waits for the process to end, pressing OK in every message box; its exit code or nothing.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
  // Presses OK in the message boxes present now; how many.
  int AnswerBoxes();

  HWND window() const { return window_; }
  HWND Control(platform::ControlId id) const;
  std::string Text(platform::ControlId id) const;
  bool Enabled(platform::ControlId id) const;
  bool Checked(platform::ControlId id) const;
  bool Visible(platform::ControlId id) const;
  // A mouse click (button down and up) in the middle of the control.
  void Click(platform::ControlId id) const;
  // Types a text into an edit box (replacing its text).
  void Type(platform::ControlId id, const std::wstring& text) const;
  // Waits until the program has handled everything sent to it so far.
  void Settle() const;
  // Saves a 24-bit BMP of the window as the screen shows it.
  bool SaveScreenshot(const std::wstring& path) const;
  // SaveScreenshot into the build's artifacts folder (made when missing), under a file name.
  bool SaveArtifact(const std::wstring& name) const;
  // Closes the window as the user does.
  void Close() const;

  // Texts of the message boxes answered so far, and their captions.
  const std::vector<std::string>& box_texts() const { return box_texts_; }
  const std::vector<std::string>& box_captions() const { return box_captions_; }
  DWORD process_id() const { return process_.dwProcessId; }
  // Milliseconds from the start to the window being visible.
  long long window_shown_ms() const { return window_shown_ms_; }

 private:
  HWND FindWindowOfProcess(const wchar_t* class_name) const;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  std::chrono::steady_clock::time_point started_;
  long long window_shown_ms_ = -1;
  std::vector<std::string> box_texts_;
  std::vector<std::string> box_captions_;
};

}  // namespace win32_test
