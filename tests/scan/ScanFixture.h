// The main window with its real scanner session over the virtual scanner, loaded through the real
// loader; the shell's run log and application folder live in a fresh temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Shell.h"
#include "platform/FileSystem.h"
#include "scan/ScannerSession.h"
#include "tests/app/TestFolder.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/fakes/FakeToolkit.h"
#include "tests/platform/twain/VirtualScannerControl.h"
#include "ui/Unit1.h"

namespace scan_test {

inline const std::string kSep(platform::kPathSeparatorText);

// A scanner with everything the program asks about: grey and colour, inches, a list of
// resolutions, a feeder that switches on and off, duplex. Notices reach the window through
// callbacks posted to it.
inline constexpr const char* kFullScanner =
    "dsm signal callbacks\n"
    "source Virtual\n"
    "manufacturer \"Prelavka test\"\n"
    "family \"Test family\"\n"
    "version 2.7 \"driver 2.7\"\n"
    "cap ICAP_PIXELTYPE enum 0,1,2 current=1\n"
    "cap ICAP_BITDEPTH enum 8 current=8\n"
    "cap ICAP_UNITS enum 0,1 current=1\n"
    "cap ICAP_XRESOLUTION enum 100,200,300 current=300\n"
    "cap ICAP_YRESOLUTION enum 100,200,300 current=300\n"
    "cap CAP_UICONTROLLABLE one TRUE\n"
    "cap CAP_FEEDERENABLED enum FALSE,TRUE\n"
    "cap CAP_AUTOFEED enum FALSE,TRUE\n"
    "cap CAP_DUPLEX one 1\n"
    "cap CAP_DUPLEXENABLED enum FALSE,TRUE\n"
    "cap ICAP_SUPPORTEDSIZES enum 0,1 current=0\n";

// The full scanner with the statement that starts so replaced, removed (replacement "") or, when
// there is none, the replacement added at the end.
inline std::string Scanner(const std::string& statement_start, const std::string& replacement) {
  std::string script = kFullScanner;
  const std::size_t at = script.find("\n" + statement_start);
  if (at == std::string::npos) return script + replacement + "\n";
  const std::size_t end = script.find('\n', at + 1);
  script.replace(at + 1, end - at, replacement.empty() ? "" : replacement + "\n");
  return script;
}

class ScanFixture : public ::testing::Test {
 protected:
  ScanFixture() {
    app::Identity identity;
    identity.system_name = "ZQ TRIMA";
    identity.program_heading = "Prelavka do ZQ TRIMA";
    identity.window_title = "Prelavka do ZQ TRIMA, verze 1.125";
    identity.support_address = "zq-podpora@trima.example.org";
    identity.contact_line = "\r\nKontakt: zq-podpora@trima.example.org";
    identity.application_folder = folder_.Sub("Prelavka") + kSep;
    std::filesystem::create_directory(folder_.Sub("Prelavka"));
    EXPECT_TRUE(shell_.StartWith(identity, folder_.Sub("log.txt")));
  }

  // Installs the scanner session over the script and creates the window. A fatal notice leaves
  // as fakes::ExitCalled.
  void Create(const std::string& script,
              const std::string& library = testing_twain::kVirtualScannerPath) {
    EXPECT_TRUE(scanner_.loaded());
    scanner_.SetScript(script);
    scan::InstallScannerSession(form_, shell_, toolkit_, library);
    // The choice among several sources is the toolkit's list on every platform, so the test
    // answers it (the source manager's own dialog is scripted apart).
    Session().Twain().set_select_dialog(platform::TwainComponent::SelectDialog::kToolkitList);
    form_.FormCreate();
  }

  scan::ScannerSession& Session() { return *form_.scanner_session(); }

  // The run log's lines (without CR LF) from the mark on.
  std::vector<std::string> LogLines() const {
    const std::string log = testing_support::ReadFile(folder_.Sub("log.txt")).substr(mark_);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(log.substr(start, end - start));
    }
    return lines;
  }
  void MarkLog() { mark_ = testing_support::ReadFile(folder_.Sub("log.txt")).size(); }
  // Log lines that start with the prefix.
  std::vector<std::string> LogLinesStarting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : LogLines()) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
  }
  // The trace lines without their "#[ms]" stamp.
  std::vector<std::string> TraceLines() const {
    std::vector<std::string> found;
    for (const std::string& line : LogLinesStarting("#")) {
      const std::size_t close = line.find(']');
      found.push_back(close == std::string::npos ? line : line.substr(close + 1));
    }
    return found;
  }

  std::string Text(platform::ControlId control) const { return toolkit_.Text(control); }
  bool Enabled(platform::ControlId control) const { return toolkit_.Enabled(control); }
  bool Checked(platform::ControlId control) const { return toolkit_.Checked(control); }

  testing_support::TestFolder folder_;
  testing_twain::VirtualScannerControl scanner_;
  fakes::FakeSystem system_;
  fakes::FakeToolkit toolkit_;
  app::Shell shell_{system_, toolkit_};
  ui::TForm1 form_{shell_, toolkit_};
  std::size_t mark_ = 0;
};

}  // namespace scan_test
