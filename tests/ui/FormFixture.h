// A main window over the fake toolkit, with a shell whose run log and application folder live in
// a fresh temporary folder. Every dialog must be answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/Shell.h"
#include "platform/FileSystem.h"
#include "tests/app/TestFolder.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "ui/Unit1.h"

namespace ui_test {

inline const std::string kSep(platform::kPathSeparatorText);

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    app::Identity identity;
    identity.system_name = "ZQ TRIMA";
    identity.program_heading = "Prelavka do ZQ TRIMA";
    identity.window_title = "Prelavka do ZQ TRIMA, verze 1.125";
    identity.application_folder = folder_.Sub("Prelavka") + kSep;
    std::filesystem::create_directory(folder_.Sub("Prelavka"));
    EXPECT_TRUE(shell_.StartWith(identity, folder_.Sub("log.txt")));
    toolkit_.SetUnexpectedDialogHandler([](const fakes::FakeToolkit::Dialog& dialog) {
      ADD_FAILURE() << "unexpected dialog: " << dialog.text << " at " << dialog.start_folder;
    });
  }
  ~FormTest() override { EXPECT_EQ(toolkit_.UnansweredScript(), 0u) << "unanswered dialogs"; }

  // FormCreate for a window without a scanner.
  void CreateWithoutScanner() { form_.FormCreate(); }
  // FormCreate for a window whose scanner session found a scanner with these capabilities.
  void CreateWithScanner(ui::ScannerFlags flags) {
    flags.available = true;
    form_.set_scanner_startup({.attach_trace = {},
                               .open = [] { return true; },
                               .describe = [this, flags] { form_.scanner_flags() = flags; }});
    form_.FormCreate();
  }

  // A folder under the test folder, made with its parents; the path has no final separator.
  std::string MakeFolder(const std::string& relative) {
    const std::string path = folder_.Sub(relative);
    std::filesystem::create_directories(platform::NativePath(path));
    return path;
  }
  // Empty files in a folder.
  static void MakeFiles(const std::string& folder, std::initializer_list<std::string> names) {
    for (const std::string& name : names) MakeFile(folder + kSep + name);
  }
  static void MakeFile(const std::string& path) {
    platform::File file;
    ASSERT_TRUE(file.Open(path, platform::File::Mode::kCreate)) << path;
  }
  std::string Log() const { return testing_support::ReadFile(folder_.Sub("log.txt")); }
  std::string AppFolder() const { return shell_.identity().application_folder; }
  std::string Text(platform::ControlId control) const { return toolkit_.Text(control); }
  bool Enabled(platform::ControlId control) const { return toolkit_.Enabled(control); }
  bool Checked(platform::ControlId control) const { return toolkit_.Checked(control); }

  testing_support::TestFolder folder_;
  fakes::FakeSystem system_;
  fakes::FakeToolkit toolkit_;
  app::Shell shell_{system_, toolkit_};
  ui::TForm1 form_{shell_, toolkit_};
};

}  // namespace ui_test
