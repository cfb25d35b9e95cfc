#include "tests/platform/qt/QtTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QWidget>

namespace qt_tests {

DialogAnswerer::DialogAnswerer(std::vector<Answer> answers, std::chrono::milliseconds limit)
    : answers_(answers.begin(), answers.end()),
      deadline_(std::chrono::steady_clock::now() + limit) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
}

DialogAnswerer::~DialogAnswerer() {
  timer_.stop();
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " dialog(s) expected but never shown";
}

void DialogAnswerer::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (std::chrono::steady_clock::now() > deadline_) {
    timer_.stop();
    ADD_FAILURE() << "no dialog to answer within the time limit";
    while (QWidget* open = QApplication::activeModalWidget()) {
      if (auto* dialog = qobject_cast<QDialog*>(open)) {
        dialog->reject();
      } else {
        open->close();
      }
    }
    return;
  }
  if (modal == nullptr || answers_.empty() || (modal == last_ && modal->isVisible())) return;
  if (!modal->isVisible()) return;
  last_ = modal;
  Answer answer = std::move(answers_.front());
  answers_.pop_front();
  ++answered_;
  answer(modal);
  if (answers_.empty()) timer_.stop();
}

QAbstractButton* FindButton(QWidget* dialog, const QString& text) {
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
    if (button->text().remove(QLatin1Char('&')) == text) return button;
  }
  return nullptr;
}

namespace {

void PressRole(QWidget* dialog, QDialogButtonBox::ButtonRole role) {
  for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
    for (QAbstractButton* button : box->buttons()) {
      if (box->buttonRole(button) == role) {
        button->click();
        return;
      }
    }
  }
  ADD_FAILURE() << "the dialog has no button of role " << role;
  if (auto* plain = qobject_cast<QDialog*>(dialog)) plain->reject();
}

}  // namespace

void Accept(QWidget* dialog) { PressRole(dialog, QDialogButtonBox::AcceptRole); }
void Reject(QWidget* dialog) { PressRole(dialog, QDialogButtonBox::RejectRole); }

void Recorder::Click(platform::ControlId control) {
  events.push_back("Click " + std::string(platform::ControlName(control)));
  if (on_click) on_click(control);
}

void Recorder::FocusLeft(platform::ControlId control) {
  if (control != platform::ControlId::kEdit3) return;
  events.push_back("FocusLeft " + std::string(platform::ControlName(control)));
}

void Recorder::Message(unsigned message) {
  events.push_back("Message " + std::to_string(message));
  if (on_message) on_message(message);
}

void Pump(std::chrono::milliseconds duration) {
  QElapsedTimer clock;
  clock.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (clock.elapsed() < duration.count());
}

}  // namespace qt_tests
