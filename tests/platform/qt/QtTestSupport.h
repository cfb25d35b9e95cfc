// Helpers of the Qt toolkit tests: answering modal dialogs from the test, recording events.
#pragma once

#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Toolkit.h"

class QAbstractButton;
class QWidget;

namespace qt_tests {

// Answers the modal dialogs that open next, one answer each, in order. A dialog that does not
// open within the time limit fails the test, and any modal widget then open is closed, so no
// test can hang on a dialog.
class DialogAnswerer {
 public:
  using Answer = std::function<void(QWidget* dialog)>;
  explicit DialogAnswerer(std::vector<Answer> answers,
                          std::chrono::milliseconds limit = std::chrono::seconds(10));
  ~DialogAnswerer();
  int answered() const { return answered_; }

 private:
  void Poll();

  std::deque<Answer> answers_;
  QTimer timer_;
  std::chrono::steady_clock::time_point deadline_;
  QPointer<QWidget> last_;
  int answered_ = 0;
};

// The button of a dialog whose text (mnemonics removed) is `text`, or null.
QAbstractButton* FindButton(QWidget* dialog, const QString& text);
// Presses the dialog's accepting button (OK), or fails.
void Accept(QWidget* dialog);
void Reject(QWidget* dialog);

// Records what the toolkit delivers: "Click Label4", "FocusLeft Edit3", "Message 32769". Of the
// focus changes only leaving the folder box is recorded (the one the window's controller uses).
class Recorder : public platform::ToolkitEvents {
 public:
  void Click(platform::ControlId control) override;
  void FocusLeft(platform::ControlId control) override;
  void Message(unsigned message) override;

  std::vector<std::string> events;
  std::function<void(platform::ControlId)> on_click;
  std::function<void(unsigned)> on_message;
};

// Lets the event loop run for a while (posted events, timers, window activation).
void Pump(std::chrono::milliseconds duration = std::chrono::milliseconds(20));

}  // namespace qt_tests
