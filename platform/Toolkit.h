// The toolkit seam: everything the main window controller needs of a user interface.
//
// Adapters: Win32 (platform/win32), Qt 6 Widgets (platform/qt), and the fake toolkit of the tests
// (tests/fakes). All texts are cp1250; adapters convert at their boundary.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// windows.h names MessageBoxW and PostMessageW with macros of two of the toolkit's function
// names; the toolkit's functions keep their names wherever this header is included after it.
#undef MessageBox
#undef PostMessage

namespace platform {

// The controls of the main window, in the order of its layout.
enum class ControlId {
  kLabel7,
  kRadioButton1,
  kRadioButton2,
  kRadioButton3,
  kLabel5,
  kEdit3,
  kButton4,
  kLabel1,
  kComboBox1,
  kLabel2,
  kComboBox2,
  kEdit1,
  kLabel2a,
  kLabel9,
  kCheckBox2,
  kLabel11,
  kButton1,
  kButton2,
  kLabel6,
  kLabel3,
  kEdit2,
  kLabel4,
  kCheckBox1,
  kButton3,
  kProgressBar1,
  kLabel8,
};
inline constexpr int kControlCount = static_cast<int>(ControlId::kLabel8) + 1;

// The names the rest of the program, the scenario files and the logs use ("Button3").
std::string_view ControlName(ControlId id);
std::optional<ControlId> ControlByName(std::string_view name);
inline constexpr std::array<ControlId, kControlCount> AllControls() {
  std::array<ControlId, kControlCount> all{};
  for (int i = 0; i < kControlCount; ++i) all[static_cast<std::size_t>(i)] = ControlId(i);
  return all;
}

// The window message that leaving the folder box posts: the first application message + 1.
inline constexpr unsigned kFolderBoxCommitMessage = 32769;
// The maximum of ProgressBar1.
inline constexpr int kProgressMaximum = 100;

// What the toolkit tells the controller. Handlers run on the UI thread, one at a time.
class ToolkitEvents {
 public:
  virtual ~ToolkitEvents() = default;
  // A click on an enabled button, radio button, check box or label. For check boxes and radio
  // buttons the checked state has already changed when this is called.
  virtual void Click(ControlId control) = 0;
  // The keyboard focus left the control.
  virtual void FocusLeft(ControlId control) = 0;
  // A message posted with PostMessage, delivered after the event that posted it has finished.
  virtual void Message(unsigned message) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  virtual void SetEvents(ToolkitEvents* events) = 0;

  // Controls.
  virtual std::string Text(ControlId control) const = 0;
  virtual void SetText(ControlId control, std::string_view text) = 0;
  virtual bool Enabled(ControlId control) const = 0;
  virtual void SetEnabled(ControlId control, bool enabled) = 0;
  // Check boxes and radio buttons; checking a radio button unchecks the other two.
  virtual bool Checked(ControlId control) const = 0;
  virtual void SetChecked(ControlId control, bool checked) = 0;
  virtual bool Visible(ControlId control) const = 0;
  virtual void SetVisible(ControlId control, bool visible) = 0;
  // Drop-down boxes.
  virtual void AddItem(ControlId control, std::string_view item) = 0;
  virtual std::vector<std::string> Items(ControlId control) const = 0;
  virtual void SetFocus(ControlId control) = 0;
  // ProgressBar1: position from 0 to kProgressMaximum.
  virtual int Position(ControlId control) const = 0;
  virtual void SetPosition(ControlId control, int position) = 0;

  // The window.
  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  virtual void Repaint() = 0;
  // The window's state as the run log records it: 0 normal, 1 minimized, 2 maximized.
  virtual int WindowState() const = 0;
  virtual void BringToForeground() = 0;
  // The native window handle (HWND on Windows), for the TWAIN source manager; may be null.
  virtual void* NativeHandle() = 0;

  // The application-wide title: the caption of message boxes.
  virtual void SetApplicationTitle(std::string_view title) = 0;
  // A modal message box: the text, one OK button, no icon, centred; returns when it is closed.
  // Posted messages may run in its nested loop.
  virtual void MessageBox(std::string_view text) = 0;
  // The box the platform shows for an error that reached the event loop; the program goes on.
  virtual void ErrorBox(std::string_view text) = 0;
  // The shell's folder browser with a title, opened at a folder. Nothing when cancelled.
  virtual std::optional<std::string> BrowseForFolder(std::string_view title,
                                                     std::string_view start_folder) = 0;
  // A folder dialog that also accepts the path of a folder that does not exist yet.
  virtual std::optional<std::string> AskForNewFolder(std::string_view start_folder) = 0;
  // A list to choose one item from (source selection where the source manager has no dialog).
  // The index chosen, or nothing when cancelled.
  virtual std::optional<int> ChooseFromList(std::string_view title,
                                            const std::vector<std::string>& items) = 0;

  // Posts a message to the window's own queue; ToolkitEvents::Message gets it after the current
  // event has finished (also inside a modal box's nested loop).
  virtual void PostMessage(unsigned message) = 0;
  // Lets the window handle all pending messages and repaints.
  virtual void ProcessMessages() = 0;
};

// Runs an event handler the way the platform's event loop does: an IoError (or any other
// exception) that leaves the handler is shown in the toolkit's error box and the program goes on.
void DispatchEvent(Toolkit& toolkit, const std::function<void()>& handler);

}  // namespace platform
