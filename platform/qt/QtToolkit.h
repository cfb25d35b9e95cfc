// The toolkit of the Linux desktop program: the main window in Qt 6 Widgets.
//
// One fixed-size dialog-style window with the controls of platform::ControlId at fixed places
// (client area 291 x 351 at 96 dpi), the modal boxes and dialogs, and the window's own queue of
// posted messages (a custom event posted to the window). Every event reaches the controller
// through platform::DispatchEvent, so an error that leaves a handler shows in ErrorBox and the
// program goes on. Needs a QApplication; lives on its thread (PostMessage may be called from any).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Toolkit.h"

class QFont;
class QWidget;

namespace platform {

class QtMainWindow;

// The size of the window's client area at 96 dpi.
inline constexpr int kClientWidth = 291;
inline constexpr int kClientHeight = 351;

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // Shows the main window and gives it the keyboard focus.
  void Show();
  QWidget* window() const;
  // The widget of a control (for tests and screenshots).
  QWidget* widget(ControlId control) const;
  // The font of the window: the layout is drawn for it.
  static QFont WindowFont();

  // platform::Toolkit
  void SetEvents(ToolkitEvents* events) override;
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
  void* NativeHandle() override;
  void SetApplicationTitle(std::string_view title) override;
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
  std::unique_ptr<QtMainWindow> window_;
  std::string application_title_;
};

// Loads Qt's own translations of the language ("cs": the buttons and texts of the standard
// dialogs in Czech) from Qt's translations folder and installs them for the application.
// False when there are none for the language (English needs none).
bool InstallQtTranslations(std::string_view language_code);

}  // namespace platform
