// The Win32 toolkit: the program's one window with native controls, its event delivery, the
// modal boxes and dialogs, posted messages and the event loop.
//
// Texts cross the Win32 API as UTF-16, converted from and to the core's cp1250 at this boundary.
// Every event reaches the controller through platform::DispatchEvent.
#pragma once

#include <windows.h>
// windows.h names MessageBoxW and PostMessageW with macros of the toolkit's function names; the
// toolkit's own functions keep their names in every file that includes this one.
#undef MessageBox
#undef PostMessage

#include <array>
#include <deque>
#include <functional>
#include <string>

#include "platform/Toolkit.h"

struct IAccPropServices;

namespace platform::win32 {

// The window class of the main window (a helper program finds the window by it).
inline constexpr wchar_t kMainWindowClass[] = L"TForm1";
// Control window ids: kControlIdBase + the ControlId's number (clear of IDOK and IDCANCEL).
inline constexpr int kControlIdBase = 1000;

class Win32Toolkit : public Toolkit {
 public:
  explicit Win32Toolkit(HINSTANCE instance);
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  // Creates the main window with every control of the layout, hidden. `dpi` 0 takes the
  // screen's resolution. False when the window cannot be created.
  bool CreateMainWindow(int dpi = 0);
  // Shows the window (centred on the screen) and gives the focus to its first control.
  void ShowMainWindow();
  // Runs the event loop until the window has been closed; the exit code.
  int Run();

  HWND window() const { return window_; }
  HWND ControlWindow(ControlId control) const;
  int dpi() const { return dpi_; }

  // platform::Toolkit
  void SetEvents(ToolkitEvents* events) override { events_ = events; }
  std::string Text(ControlId control) const override;
  void SetText(ControlId control, std::string_view text) override;
  bool Enabled(ControlId control) const override;
  void SetEnabled(ControlId control, bool enabled) override;
  bool Checked(ControlId control) const override;
  void SetChecked(ControlId control, bool checked) override;
  bool Visible(ControlId control) const override;
  void SetVisible(ControlId control, bool visible) override;
  void AddItem(ControlId control, std::string_view item) override;
  std::vector<std::string> Items(ControlId control) const override;
  void SetFocus(ControlId control) override;
  int Position(ControlId control) const override;
  void SetPosition(ControlId control, int position) override;
  void SetCaption(std::string_view caption) override;
  std::string Caption() const override;
  void Minimize() override;
  void Restore() override;
  void Repaint() override;
  int WindowState() const override;
  void BringToForeground() override;
  void* NativeHandle() override { return window_; }
  void SetApplicationTitle(std::string_view title) override { application_title_ = title; }
  void MessageBox(std::string_view text) override;
  void ErrorBox(std::string_view text) override;
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view start_folder) override;
  std::optional<std::string> AskForNewFolder(std::string_view start_folder) override;
  std::optional<int> ChooseFromList(std::string_view title,
                                    const std::vector<std::string>& items) override;
  void PostMessage(unsigned message) override;
  void ProcessMessages() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleWindowMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void HandleCommand(int id, int notification);
  void CreateControls();
  // Gives the controls that a label names that label's text as their accessible name.
  void UpdateAccessibleNames(ControlId label);
  // Runs an event handler through DispatchEvent; nothing may unwind through the system's frames.
  void Deliver(const std::function<void(ToolkitEvents&)>& handler);
  // The window that modal boxes and dialogs belong to: the main window once it is shown.
  HWND DialogOwner() const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  std::array<HWND, kControlCount> controls_{};
  ToolkitEvents* events_ = nullptr;
  std::string application_title_;
  // Messages posted before the window exists, posted to it once it does.
  std::deque<unsigned> early_posts_;
  // The control that had the focus when the window was last deactivated.
  HWND saved_focus_ = nullptr;
  bool com_initialized_ = false;
  // The accessibility annotation service; null where the system has none.
  IAccPropServices* accessibility_ = nullptr;
};

}  // namespace platform::win32
