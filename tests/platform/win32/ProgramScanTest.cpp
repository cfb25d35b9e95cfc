// Prelavka.exe started for real with the virtual scanner as its source manager (loaded through the
// program's own loader): start-up with a scanner, the mode radio buttons, a feeder scan whose
// pages land in a new scan folder.
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
using win32_test::ApplicationFolder;
using win32_test::ProgramDriver;
using win32_test::StartsWith;
using win32_test::WindowsPath;

const std::wstring kProgram = WindowsPath(PRELAVKA_EXE);
const std::wstring kVirtualScanner = WindowsPath(VIRTUAL_SCANNER_PATH);

// The newest "sken_tmp" folder of the application folder, or the empty text.
std::wstring NewestScanFolder() {
  WIN32_FIND_DATAW found{};
  const std::wstring folder = ApplicationFolder();
  const HANDLE search = FindFirstFileW((folder + L"sken_tmp*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return L"";
  std::wstring newest;
  FILETIME newest_time{};
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        CompareFileTime(&found.ftCreationTime, &newest_time) >= 0) {
      newest = folder + found.cFileName + L"\\";
      newest_time = found.ftCreationTime;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return newest;
}

// The virtual scanner is the source manager (the program loads it through its own loader, named
// by PRELAVKA_TWAIN_LIBRARY), with its built-in source: a feeder of three sheets and a flatbed.
TEST(ProgramScanTest, WithAScannerTheModesSwitchAndAFeederScanSavesItsPages) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"PRELAVKA_TWAIN_LIBRARY", kVirtualScanner.c_str()));
  SetEnvironmentVariableW(L"PRELAVKA_VIRTUAL_SCANNER_SCRIPT", nullptr);
  ProgramDriver program;
  const bool started = program.Start(kProgram);
  SetEnvironmentVariableW(L"PRELAVKA_TWAIN_LIBRARY", nullptr);
  ASSERT_TRUE(started);
  ASSERT_TRUE(program.WaitForWindow(60s));
  for (const std::string& text : program.box_texts()) {
    std::cout << "notice answered: " << text::Cp1250ToUtf8(text) << "\n";
  }
  EXPECT_TRUE(program.box_texts().empty());

  // Mode 1 with a scanner.
  EXPECT_TRUE(program.Checked(ControlId::kRadioButton1));
  EXPECT_EQ(program.Text(ControlId::kLabel6), "Zatím nic k odeslání."_cp);
  EXPECT_TRUE(program.Enabled(ControlId::kButton1));
  EXPECT_TRUE(program.Enabled(ControlId::kButton2));
  EXPECT_TRUE(program.Enabled(ControlId::kRadioButton3));
  EXPECT_FALSE(program.Enabled(ControlId::kEdit3));

  // A click on RadioButton2 selects mode 2: nothing to scan, a folder to choose.
  program.Click(ControlId::kRadioButton2);
  EXPECT_TRUE(program.Checked(ControlId::kRadioButton2));
  EXPECT_FALSE(program.Checked(ControlId::kRadioButton1));
  EXPECT_FALSE(program.Enabled(ControlId::kButton1));
  EXPECT_FALSE(program.Enabled(ControlId::kButton2));
  EXPECT_FALSE(program.Enabled(ControlId::kComboBox1));
  EXPECT_TRUE(program.Enabled(ControlId::kEdit3));
  program.Click(ControlId::kRadioButton1);
  EXPECT_TRUE(program.Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(program.Enabled(ControlId::kButton2));
  EXPECT_FALSE(program.Enabled(ControlId::kEdit3));

  // Scan from the feeder: the window goes down while the source works and comes back with the
  // pages counted.
  program.Click(ControlId::kButton2);
  const auto end = std::chrono::steady_clock::now() + 60s;
  std::string status;
  while (std::chrono::steady_clock::now() < end) {
    program.AnswerBoxes();
    status = program.Text(ControlId::kLabel6);
    if (StartsWith(status, "K odeslání"_cp) && !IsIconic(program.window())) break;
    Sleep(100);
  }
  EXPECT_TRUE(StartsWith(status, "K odeslání připraveny 3 strany ve složce\r\n"_cp))
      << text::Cp1250ToUtf8(status);
  for (const std::string& text : program.box_texts()) {
    std::cout << "notice answered: " << text::Cp1250ToUtf8(text) << "\n";
  }
  const std::wstring folder = NewestScanFolder();
  ASSERT_FALSE(folder.empty());
  for (const wchar_t* page : {L"1001.bmp", L"1002.bmp", L"1003.bmp"}) {
    EXPECT_NE(GetFileAttributesW((folder + page).c_str()), INVALID_FILE_ATTRIBUTES)
        << platform::win32::Narrow(folder + page);
  }
  EXPECT_TRUE(program.Enabled(ControlId::kButton3));
  EXPECT_TRUE(program.SaveArtifact(L"prelavka-window-scanned.bmp"));

  program.Close();
  EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(0));
}

}  // namespace
