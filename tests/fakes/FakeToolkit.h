// The fake toolkit of the tests: records every control's state, answers dialogs from a script,
// and holds the posted-message queue so a test runs it where the real event loop would.
//
// A dialog that the script does not expect is recorded as unexpected and answered with OK or
// cancel, so no test can hang; SetUnexpectedDialogHandler turns it into a test failure.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Toolkit.h"

namespace fakes {

class FakeToolkit : public platform::Toolkit {
 public:
  // One answer of the dialog script.
  struct Answer {
    enum class Kind { kMessageBox, kErrorBox, kBrowseForFolder, kAskForNewFolder, kChooseFromList };
    Kind kind;
    std::optional<std::string> folder;  // folder dialogs: the folder confirmed, or cancel
    std::optional<int> index;           // list: the index chosen, or cancel
  };
  // A dialog as it was shown.
  struct Dialog {
    Answer::Kind kind;
    std::string text;     // message or title
    std::string caption;  // the application-wide title at the time (message boxes)
    std::string start_folder;
    bool expected = true;
  };

  FakeToolkit();

  // The script, answered in order.
  void ExpectMessageBox() { script_.push_back({Answer::Kind::kMessageBox, {}, {}}); }
  void ExpectErrorBox() { script_.push_back({Answer::Kind::kErrorBox, {}, {}}); }
  void AnswerBrowseForFolder(std::optional<std::string> folder) {
    script_.push_back({Answer::Kind::kBrowseForFolder, std::move(folder), {}});
  }
  void AnswerAskForNewFolder(std::optional<std::string> folder) {
    script_.push_back({Answer::Kind::kAskForNewFolder, std::move(folder), {}});
  }
  void AnswerChooseFromList(std::optional<int> index) {
    script_.push_back({Answer::Kind::kChooseFromList, {}, index});
  }
  // Runs before a scripted dialog returns (the dialog's nested loop), e.g. to check state.
  void SetDuringDialog(std::function<void(const Dialog&)> hook) {
    during_dialog_ = std::move(hook);
  }
  void SetUnexpectedDialogHandler(std::function<void(const Dialog&)> handler) {
    unexpected_handler_ = std::move(handler);
  }
  // Asked for a dialog the script does not answer (the scenario driver's answers fit more than
  // one kind of dialog). Nothing: the dialog is unexpected.
  void SetAnswerer(std::function<std::optional<Answer>(const Dialog&)> answerer) {
    answerer_ = std::move(answerer);
  }
  // Whether modal boxes run posted messages in their nested loop (the real toolkits do).
  void set_run_posted_in_dialogs(bool run) { run_posted_in_dialogs_ = run; }

  const std::vector<Dialog>& dialogs() const { return dialogs_; }
  std::vector<std::string> MessageTexts() const;  // texts of message boxes, in order
  size_t UnansweredScript() const { return script_.size(); }
  std::vector<Dialog> UnexpectedDialogs() const;

  // What a user does. Each returns false when the control is disabled (nothing happens).
  // Click moves the focus to the control first (so leaving Edit3 fires its event), toggles check
  // boxes, checks radio buttons, then delivers the click. Posted messages stay queued.
  bool Click(platform::ControlId control);
  void Type(platform::ControlId control, std::string_view text);
  // Moves the keyboard focus; the control that had it gets FocusLeft.
  void MoveFocus(platform::ControlId control);
  // Runs the posted messages as the event loop does after an event (including those posted
  // while they run). Returns how many ran.
  int RunPostedMessages();
  const std::deque<unsigned>& posted() const { return posted_; }

  // Window state.
  bool minimized() const { return minimized_; }
  int foreground_count() const { return foreground_count_; }
  int repaint_count() const { return repaint_count_; }
  int process_messages_count() const { return process_messages_count_; }
  std::optional<platform::ControlId> focus() const { return focus_; }
  const std::string& application_title() const { return application_title_; }
  // Optional hook for ProcessMessages (after the posted messages ran), e.g. to type meanwhile.
  void SetOnProcessMessages(std::function<void()> hook) { on_process_messages_ = std::move(hook); }

  // platform::Toolkit
  void SetEvents(platform::ToolkitEvents* events) override { events_ = events; }
  std::string Text(platform::ControlId control) const override;
  void SetText(platform::ControlId control, std::string_view text) override;
  bool Enabled(platform::ControlId control) const override;
  void SetEnabled(platform::ControlId control, bool enabled) override;
  bool Checked(platform::ControlId control) const override;
  void SetChecked(platform::ControlId control, bool checked) override;
  bool Visible(platform::ControlId control) const override;
  void SetVisible(platform::ControlId control, bool visible) override;
  void AddItem(platform::ControlId control, std::string_view item) override;
  std::vector<std::string> Items(platform::ControlId control) const override;
  void SetFocus(platform::ControlId control) override;
  int Position(platform::ControlId control) const override;
  void SetPosition(platform::ControlId control, int position) override;
  void SetCaption(std::string_view caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void Minimize() override { minimized_ = true; }
  void Restore() override { minimized_ = false; }
  void Repaint() override { ++repaint_count_; }
  int WindowState() const override { return minimized_ ? 1 : 0; }
  void BringToForeground() override { ++foreground_count_; }
  void* NativeHandle() override { return nullptr; }
  void SetApplicationTitle(std::string_view title) override { application_title_ = title; }
  void MessageBox(std::string_view text) override;
  void ErrorBox(std::string_view text) override;
  std::optional<std::string> BrowseForFolder(std::string_view title,
                                             std::string_view start_folder) override;
  std::optional<std::string> AskForNewFolder(std::string_view start_folder) override;
  std::optional<int> ChooseFromList(std::string_view title,
                                    const std::vector<std::string>& items) override;
  void PostMessage(unsigned message) override { posted_.push_back(message); }
  void ProcessMessages() override;

 private:
  struct ControlState {
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    int position = 0;
    std::vector<std::string> items;
  };
  const ControlState& State(platform::ControlId control) const;
  ControlState& State(platform::ControlId control);
  // Shows a dialog: takes the next answer when it is of this kind, else records it unexpected.
  std::optional<Answer> ShowDialog(Dialog dialog);

  std::map<platform::ControlId, ControlState> controls_;
  platform::ToolkitEvents* events_ = nullptr;
  std::deque<Answer> script_;
  std::vector<Dialog> dialogs_;
  std::deque<unsigned> posted_;
  std::function<void(const Dialog&)> during_dialog_;
  std::function<void(const Dialog&)> unexpected_handler_;
  std::function<std::optional<Answer>(const Dialog&)> answerer_;
  std::function<void()> on_process_messages_;
  std::optional<platform::ControlId> focus_;
  std::string caption_;
  std::string application_title_;
  bool run_posted_in_dialogs_ = true;
  bool minimized_ = false;
  int foreground_count_ = 0;
  int repaint_count_ = 0;
  int process_messages_count_ = 0;
  int dialog_depth_ = 0;
};

}  // namespace fakes
