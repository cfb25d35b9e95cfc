#include "tests/fakes/FakeToolkit.h"

#include <cstdio>

namespace fakes {

using platform::ControlId;

namespace {

bool IsRadioButton(ControlId control) {
  return control == ControlId::kRadioButton1 || control == ControlId::kRadioButton2 ||
         control == ControlId::kRadioButton3;
}

bool IsCheckBox(ControlId control) {
  return control == ControlId::kCheckBox1 || control == ControlId::kCheckBox2;
}

// Controls that take the keyboard focus when clicked (labels and the progress bar do not).
bool TakesFocus(ControlId control) {
  switch (control) {
    case ControlId::kRadioButton1:
    case ControlId::kRadioButton2:
    case ControlId::kRadioButton3:
    case ControlId::kEdit3:
    case ControlId::kButton4:
    case ControlId::kComboBox1:
    case ControlId::kComboBox2:
    case ControlId::kEdit1:
    case ControlId::kCheckBox2:
    case ControlId::kButton1:
    case ControlId::kButton2:
    case ControlId::kEdit2:
    case ControlId::kCheckBox1:
    case ControlId::kButton3:
      return true;
    default:
      return false;
  }
}

const char* KindName(FakeToolkit::Answer::Kind kind) {
  switch (kind) {
    case FakeToolkit::Answer::Kind::kMessageBox:
      return "message box";
    case FakeToolkit::Answer::Kind::kErrorBox:
      return "error box";
    case FakeToolkit::Answer::Kind::kBrowseForFolder:
      return "folder browser";
    case FakeToolkit::Answer::Kind::kAskForNewFolder:
      return "new-folder dialog";
    case FakeToolkit::Answer::Kind::kChooseFromList:
      return "list dialog";
  }
  return "dialog";
}

}  // namespace

FakeToolkit::FakeToolkit() {
  for (const ControlId control : platform::AllControls()) controls_[control] = ControlState{};
}

const FakeToolkit::ControlState& FakeToolkit::State(ControlId control) const {
  return controls_.at(control);
}
FakeToolkit::ControlState& FakeToolkit::State(ControlId control) { return controls_.at(control); }

std::string FakeToolkit::Text(ControlId control) const { return State(control).text; }
void FakeToolkit::SetText(ControlId control, std::string_view text) { State(control).text = text; }
bool FakeToolkit::Enabled(ControlId control) const { return State(control).enabled; }
void FakeToolkit::SetEnabled(ControlId control, bool enabled) { State(control).enabled = enabled; }
bool FakeToolkit::Checked(ControlId control) const { return State(control).checked; }

void FakeToolkit::SetChecked(ControlId control, bool checked) {
  if (checked && IsRadioButton(control)) {
    for (const ControlId radio :
         {ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3}) {
      State(radio).checked = false;
    }
  }
  State(control).checked = checked;
}

bool FakeToolkit::Visible(ControlId control) const { return State(control).visible; }
void FakeToolkit::SetVisible(ControlId control, bool visible) { State(control).visible = visible; }
void FakeToolkit::AddItem(ControlId control, std::string_view item) {
  State(control).items.emplace_back(item);
}
std::vector<std::string> FakeToolkit::Items(ControlId control) const {
  return State(control).items;
}
void FakeToolkit::SetFocus(ControlId control) { focus_ = control; }
int FakeToolkit::Position(ControlId control) const { return State(control).position; }
void FakeToolkit::SetPosition(ControlId control, int position) {
  State(control).position = position;
}

std::vector<std::string> FakeToolkit::MessageTexts() const {
  std::vector<std::string> texts;
  for (const Dialog& dialog : dialogs_) {
    if (dialog.kind == Answer::Kind::kMessageBox) texts.push_back(dialog.text);
  }
  return texts;
}

std::vector<FakeToolkit::Dialog> FakeToolkit::UnexpectedDialogs() const {
  std::vector<Dialog> unexpected;
  for (const Dialog& dialog : dialogs_) {
    if (!dialog.expected) unexpected.push_back(dialog);
  }
  return unexpected;
}

std::optional<FakeToolkit::Answer> FakeToolkit::ShowDialog(Dialog dialog) {
  dialog.caption = application_title_;
  std::optional<Answer> answer;
  if (!script_.empty() && script_.front().kind == dialog.kind) {
    answer = script_.front();
    script_.pop_front();
  } else if (answerer_) {
    answer = answerer_(dialog);
    dialog.expected = answer.has_value();
  } else {
    dialog.expected = false;
  }
  dialogs_.push_back(dialog);
  if (!dialog.expected) {
    if (unexpected_handler_) {
      unexpected_handler_(dialog);
    } else {
      std::fprintf(stderr, "FakeToolkit: unexpected %s: %s\n", KindName(dialog.kind),
                   dialog.text.c_str());
    }
    return std::nullopt;
  }
  // The dialog's nested loop: posted messages may run while it is open.
  ++dialog_depth_;
  if (run_posted_in_dialogs_) RunPostedMessages();
  if (during_dialog_) during_dialog_(dialog);
  --dialog_depth_;
  return answer;
}

void FakeToolkit::MessageBox(std::string_view text) {
  ShowDialog({Answer::Kind::kMessageBox, std::string(text), {}, {}});
}

void FakeToolkit::ErrorBox(std::string_view text) {
  ShowDialog({Answer::Kind::kErrorBox, std::string(text), {}, {}});
}

std::optional<std::string> FakeToolkit::BrowseForFolder(std::string_view title,
                                                        std::string_view start_folder) {
  auto answer = ShowDialog(
      {Answer::Kind::kBrowseForFolder, std::string(title), {}, std::string(start_folder)});
  return answer ? answer->folder : std::nullopt;
}

std::optional<std::string> FakeToolkit::AskForNewFolder(std::string_view start_folder) {
  auto answer = ShowDialog({Answer::Kind::kAskForNewFolder, {}, {}, std::string(start_folder)});
  return answer ? answer->folder : std::nullopt;
}

std::optional<int> FakeToolkit::ChooseFromList(std::string_view title,
                                               const std::vector<std::string>& items) {
  auto answer = ShowDialog({Answer::Kind::kChooseFromList, std::string(title), {}, {}});
  if (!answer || !answer->index) return std::nullopt;
  if (*answer->index < 0 || static_cast<size_t>(*answer->index) >= items.size()) {
    return std::nullopt;
  }
  return answer->index;
}

bool FakeToolkit::Click(ControlId control) {
  if (!Enabled(control)) return false;
  if (TakesFocus(control)) MoveFocus(control);
  if (IsCheckBox(control)) State(control).checked = !State(control).checked;
  if (IsRadioButton(control)) SetChecked(control, true);
  if (events_ != nullptr) {
    platform::DispatchEvent(*this, [&] { events_->Click(control); });
  }
  return true;
}

void FakeToolkit::Type(ControlId control, std::string_view text) {
  if (focus_ != control) MoveFocus(control);
  SetText(control, text);
}

void FakeToolkit::MoveFocus(ControlId control) {
  const std::optional<ControlId> previous = focus_;
  focus_ = control;
  if (previous && *previous != control && events_ != nullptr) {
    platform::DispatchEvent(*this, [&] { events_->FocusLeft(*previous); });
  }
}

int FakeToolkit::RunPostedMessages() {
  int count = 0;
  while (!posted_.empty()) {
    const unsigned message = posted_.front();
    posted_.pop_front();
    ++count;
    if (events_ != nullptr) {
      platform::DispatchEvent(*this, [&] { events_->Message(message); });
    }
  }
  return count;
}

void FakeToolkit::ProcessMessages() {
  ++process_messages_count_;
  RunPostedMessages();
  if (on_process_messages_) on_process_messages_();
}

}  // namespace fakes
