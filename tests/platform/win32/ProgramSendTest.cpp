// Prelavka.exe started for real with the virtual scanner, scanning from the feeder and sending the
// batch to the local depository server, all under Wine. Needs a build whose server host is that
// server's loopback address (scripts/wine-tests.sh makes one); other builds skip it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>

#include "platform/Cp1250.h"
#include "platform/win32/WideText.h"
#include "tests/platform/win32/ProgramDriver.h"

namespace {

using namespace text::literals;
using namespace std::chrono_literals;
using platform::ControlId;
using win32_test::ProgramDriver;
using win32_test::StartsWith;
using win32_test::WindowsPath;

const std::wstring kProgram = WindowsPath(PRELAVKA_EXE);
const std::wstring kVirtualScanner = WindowsPath(VIRTUAL_SCANNER_PATH);
constexpr std::string_view kServerHost = PRELAVKA_SERVER_HOST;

// Waits until `done` holds, answering the program's boxes.
template <typename Condition>
bool WaitFor(ProgramDriver& program, Condition done, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    program.AnswerBoxes();
    if (done()) return true;
    Sleep(100);
  }
  return false;
}

TEST(ProgramSendTest, AFeederBatchIsScannedAndSentToTheDepository) {
  if (!StartsWith(std::string(kServerHost), "127.0.0.1:")) {
    GTEST_SKIP() << "this build sends to " << kServerHost << ", not to a local depository";
  }
  ASSERT_TRUE(SetEnvironmentVariableW(L"PRELAVKA_TWAIN_LIBRARY", kVirtualScanner.c_str()));
  SetEnvironmentVariableW(L"PRELAVKA_VIRTUAL_SCANNER_SCRIPT", nullptr);
  ProgramDriver program;
  const bool started = program.Start(kProgram);
  SetEnvironmentVariableW(L"PRELAVKA_TWAIN_LIBRARY", nullptr);
  ASSERT_TRUE(started);
  ASSERT_TRUE(program.WaitForWindow(60s));
  ASSERT_TRUE(program.Checked(ControlId::kRadioButton1));

  program.Click(ControlId::kButton2);
  ASSERT_TRUE(WaitFor(
      program,
      [&] {
        return StartsWith(program.Text(ControlId::kLabel6), "K odeslání připraveny 3 strany"_cp) &&
               !IsIconic(program.window());
      },
      60s))
      << text::Cp1250ToUtf8(program.Text(ControlId::kLabel6));

  const std::size_t boxes_before = program.box_texts().size();
  program.Type(ControlId::kEdit2, L"123456");
  program.Click(ControlId::kButton3);
  ASSERT_TRUE(WaitFor(
      program, [&] { return program.box_texts().size() > boxes_before; }, 60s))
      << "no verdict was shown";
  const std::string verdict = program.box_texts()[boxes_before];
  std::cout << "verdict: " << text::Cp1250ToUtf8(verdict) << "\n";
  EXPECT_EQ(program.box_texts().size(), boxes_before + 1);
  EXPECT_NE(verdict.find("ZQ TRIMA"), std::string::npos) << text::Cp1250ToUtf8(verdict);
  EXPECT_TRUE(WaitFor(
      program,
      [&] {
        return program.Text(ControlId::kLabel6) ==
               "Připraveno ke zpracování další dávky dokumentů."_cp;
      },
      10s))
      << text::Cp1250ToUtf8(program.Text(ControlId::kLabel6));
  EXPECT_TRUE(program.Enabled(ControlId::kButton3));
  EXPECT_TRUE(program.SaveArtifact(L"prelavka-window-sent.bmp"));

  program.Close();
  EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(0));
}

}  // namespace
