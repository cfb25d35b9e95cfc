// Runs a scenario: the real main window TForm1 over the fake toolkit, started by the real shell
// from a fake system, in a fresh working folder. Prints each command, the dialogs it opened and
// how they were answered, and at the end the run log and the state of every control.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Shell.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "tools/scenario/Scenario.h"
#include "ui/Unit1.h"

namespace scenario {

class Runner {
 public:
  // work_folder: an existing empty folder (native path), "$WORK" in the scenario.
  Runner(std::ostream& out, std::string work_folder);
  ~Runner();

  // Runs the commands in order. Returns 0 when the scenario ran to its end (or the program
  // ended), 2 on a mistake in the scenario (reported on `errors`).
  int Run(const std::vector<Command>& commands, std::ostream& errors);

 private:
  using Handler = std::function<bool(const Command&)>;
  // When a command may run: the environment before the program starts, files and folders at any
  // time, the user's actions once it runs (the first of them starts it).
  enum class Phase { kBeforeStart, kAnyTime, kRunning };
  struct Keyword {
    Phase phase;
    Handler handler;
  };
  // A scenario answer; fits the dialogs of its kind.
  struct Answer {
    enum class Kind { kOk, kFolder, kCancel, kChoose } kind;
    std::string folder;  // cp1250
    int index = 0;
  };

  void AddKeywords();
  void AddEnvironmentKeywords();
  void AddFileKeywords();
  void AddActionKeywords();
  void DescribeStubScanner();
  void InstallVirtualScanner();
  bool Start();
  std::optional<fakes::FakeToolkit::Answer> AnswerDialog(const fakes::FakeToolkit::Dialog& dialog);

  // Scenario texts (UTF-8, with $WORK) as the program sees them (cp1250) and as paths.
  std::string Expand(const std::string& utf8) const;
  std::string ProgramText(const std::string& utf8) const;
  std::string NativePathText(const std::string& utf8) const;
  // cp1250 program text as printed: UTF-8, the working folder as $WORK, "/" as separator.
  std::string Printable(std::string_view cp1250) const;
  std::string Quoted(std::string_view cp1250) const;
  bool Fail(const Command& command, const std::string& message);

  void PrintRunLog();
  // The caption, the focus and every control; or only the given controls' lines.
  void PrintWindow(const std::vector<platform::ControlId>& only);
  void PrintControl(platform::ControlId control);

  std::ostream& out_;
  std::ostream* errors_ = nullptr;
  std::string work_native_;  // UTF-8
  std::string work_cp1250_;
  std::map<std::string, Keyword> keywords_;
  fakes::FakeSystem system_;
  fakes::FakeToolkit toolkit_;
  std::unique_ptr<app::Shell> shell_;
  std::unique_ptr<ui::TForm1> form_;
  std::deque<Answer> answers_;
  std::optional<ui::ScannerFlags> stub_scanner_;
  // The virtual scanner: its script (statements of the scanner keyword) and its library.
  bool virtual_scanner_ = false;
  std::string scanner_script_;
  std::string scanner_library_;
  std::string server_;  // cp1250; empty: the profile's server
  bool started_ = false;
};

}  // namespace scenario
