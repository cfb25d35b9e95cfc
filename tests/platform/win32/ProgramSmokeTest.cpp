// Prelavka.exe started for real (under Wine in the Linux build), without a scanner: the notices
// are answered, the window is checked against the control table, clicks on the labels and radio
// buttons change what the mode rules say, a picture of the window is saved, and the run log is
// shared the way start-up expects (a second copy without arguments cannot open it).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
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
using win32_test::ReadSharedFile;
using win32_test::StartsWith;
using win32_test::WindowsPath;

const std::wstring kProgram = WindowsPath(PRELAVKA_EXE);
const std::wstring kEnglishProgram = WindowsPath(PRELAVKA_EN_EXE);

struct Expected {
  ControlId id;
  const wchar_t* class_name;
  std::string text;
};

TEST(ProgramSmokeTest, StartsWithoutAScannerShowsTheWindowAndFollowsTheModeRules) {
  ProgramDriver program;
  ASSERT_TRUE(program.Start(kProgram));
  ASSERT_TRUE(program.WaitForWindow(60s)) << "the main window did not appear";
  std::cout << "window shown after " << program.window_shown_ms() << " ms\n";
  testing::Test::RecordProperty("window_shown_ms", std::to_string(program.window_shown_ms()));
  for (std::size_t i = 0; i < program.box_texts().size(); ++i) {
    std::cout << "notice answered: " << text::Cp1250ToUtf8(program.box_texts()[i]) << "\n";
  }

  const HWND window = program.window();
  EXPECT_EQ(platform::win32::WindowText(window), "Prelavka do ZQ TRIMA, verze 1.125");
  RECT client{};
  GetClientRect(window, &client);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(client.right, MulDiv(291, dpi, 96));
  EXPECT_EQ(client.bottom, MulDiv(351, dpi, 96));

  const std::string hint = std::string(
      "Pro rozpoznávání odpovědních listů je nutné ponechat\r\nbarevnost "
      "'Stupně šedi' a rozlišení 200."_cp);
  const Expected controls[] = {
      {ControlId::kLabel7, L"Static", "Chci"},
      {ControlId::kRadioButton1, L"Button",
       std::string("naskenovat stránky do souborů a odeslat je."_cp)},
      {ControlId::kRadioButton2, L"Button", std::string("odeslat již naskenované soubory."_cp)},
      {ControlId::kRadioButton3, L"Button",
       std::string("přidat k již naskenovaným další a odeslat."_cp)},
      {ControlId::kLabel5, L"Static", std::string("Soubory k odeslání"_cp)},
      {ControlId::kEdit3, L"Edit", ""},
      {ControlId::kButton4, L"Button", "Vyhledat..."},
      {ControlId::kLabel1, L"Static", "Barevnost"},
      {ControlId::kComboBox1, L"ComboBox", std::string("Stupně šedi"_cp)},
      {ControlId::kLabel2, L"Static", std::string("Rozlišení"_cp)},
      {ControlId::kComboBox2, L"ComboBox", ""},
      {ControlId::kEdit1, L"Edit", "200"},
      {ControlId::kLabel2a, L"Static", "dpi"},
      {ControlId::kLabel9, L"Static", hint},
      {ControlId::kCheckBox2, L"Button", ""},
      {ControlId::kLabel11, L"Static", std::string("Oboustranně"_cp)},
      {ControlId::kButton1, L"Button", "Skenovat z plochy"},
      {ControlId::kButton2, L"Button", std::string("Skenovat z podavače"_cp)},
      {ControlId::kLabel6, L"Static", std::string("Zatím nic nenaskenováno."_cp)},
      {ControlId::kLabel3, L"Static", std::string("Učo"_cp)},
      {ControlId::kEdit2, L"Edit", ""},
      {ControlId::kLabel4, L"Static", std::string("Průvodka"_cp)},
      {ControlId::kCheckBox1, L"Button", ""},
      {ControlId::kButton3, L"Button", "Odeslat"},
      {ControlId::kProgressBar1, L"msctls_progress32", ""},
      {ControlId::kLabel8, L"Static", " "},
  };
  for (const Expected& expected : controls) {
    const HWND control = program.Control(expected.id);
    ASSERT_NE(control, nullptr) << platform::ControlName(expected.id);
    wchar_t class_name[32] = {};
    GetClassNameW(control, class_name, 32);
    EXPECT_EQ(lstrcmpiW(class_name, expected.class_name), 0) << platform::ControlName(expected.id);
    EXPECT_EQ(program.Text(expected.id), expected.text) << platform::ControlName(expected.id);
  }

  // Without a scanner: mode 2, the scanning modes and buttons disabled, the duplex box usable.
  EXPECT_TRUE(program.Checked(ControlId::kRadioButton2));
  EXPECT_FALSE(program.Enabled(ControlId::kRadioButton1));
  EXPECT_FALSE(program.Enabled(ControlId::kRadioButton3));
  EXPECT_FALSE(program.Enabled(ControlId::kButton1));
  EXPECT_FALSE(program.Enabled(ControlId::kButton2));
  EXPECT_TRUE(program.Enabled(ControlId::kCheckBox2));
  EXPECT_TRUE(program.Enabled(ControlId::kLabel11));
  EXPECT_TRUE(program.Enabled(ControlId::kEdit3));
  EXPECT_FALSE(program.Enabled(ControlId::kComboBox1));

  EXPECT_TRUE(program.SaveArtifact(L"prelavka-window.bmp"));

  // A click on a disabled radio button changes nothing; one on the checked one neither.
  program.Click(ControlId::kRadioButton1);
  program.Click(ControlId::kRadioButton2);
  EXPECT_TRUE(program.Checked(ControlId::kRadioButton2));
  EXPECT_FALSE(program.Checked(ControlId::kRadioButton1));
  EXPECT_TRUE(program.Enabled(ControlId::kEdit3));

  // Label4 toggles the cover-sheet box: the person number is then not needed, and stays typed.
  program.Type(ControlId::kEdit2, L"123456");
  program.Click(ControlId::kLabel4);
  EXPECT_TRUE(program.Checked(ControlId::kCheckBox1));
  EXPECT_FALSE(program.Enabled(ControlId::kEdit2));
  EXPECT_FALSE(program.Enabled(ControlId::kLabel3));
  EXPECT_EQ(program.Text(ControlId::kEdit2), "123456");
  EXPECT_TRUE(program.SaveArtifact(L"prelavka-window-label4.bmp"));
  program.Click(ControlId::kLabel4);
  EXPECT_FALSE(program.Checked(ControlId::kCheckBox1));
  EXPECT_TRUE(program.Enabled(ControlId::kEdit2));
  EXPECT_TRUE(program.Enabled(ControlId::kLabel3));

  // Label11 toggles the duplex box; in mode 2 the flatbed button stays disabled.
  program.Click(ControlId::kLabel11);
  EXPECT_TRUE(program.Checked(ControlId::kCheckBox2));
  EXPECT_FALSE(program.Enabled(ControlId::kButton1));

  program.Close();
  EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(0));
}

TEST(ProgramSmokeTest, RunLogIsSharedForReadingOnlyAndASecondCopyStops) {
  const std::wstring log_path = ApplicationFolder() + L"log.txt";
  ProgramDriver first;
  ASSERT_TRUE(first.Start(kProgram));
  ASSERT_TRUE(first.WaitForWindow(60s));
  // Readers may read the log while the program writes it.
  const std::string log = ReadSharedFile(log_path);
  EXPECT_TRUE(StartsWith(log,
                         "V tomto souboru je log posledního spuštění Prelavka do ZQ TRIMA\r\n"
                         "Verze programu: 1.125, OS: "_cp))
      << log;
  EXPECT_EQ(log.find("nemělo by nastat"_cp), std::string::npos) << "the registry was read";

  ProgramDriver second;
  ASSERT_TRUE(second.Start(kProgram));
  EXPECT_EQ(second.WaitForExit(60s), std::optional<DWORD>(0));
  ASSERT_EQ(second.box_texts().size(), 1u);
  const std::string expected_box = std::string("Nemělo by nastat: nelze zapisovat do \r\n"_cp) +
                                   platform::win32::Narrow(log_path) + "\r\n\r\n" +
                                   std::string("(Není program již jednou spuštěn?)"_cp);
  EXPECT_EQ(second.box_texts()[0], expected_box);
  EXPECT_EQ(ReadSharedFile(log_path), log) << "the first copy's log stays untouched";

  // A copy started with an argument writes its own log.<process id>.txt, without the first line.
  ProgramDriver third;
  ASSERT_TRUE(third.Start(kProgram, L"x"));
  ASSERT_TRUE(third.WaitForWindow(60s));
  const std::wstring own_log =
      ApplicationFolder() + L"log." + std::to_wstring(third.process_id()) + L".txt";
  EXPECT_TRUE(StartsWith(ReadSharedFile(own_log), "Verze programu: 1.125, OS: "));
  third.Close();
  EXPECT_EQ(third.WaitForExit(20s), std::optional<DWORD>(0));
  DeleteFileW(own_log.c_str());

  first.Close();
  EXPECT_EQ(first.WaitForExit(20s), std::optional<DWORD>(0));
}

TEST(ProgramSmokeTest, TheSameProgramNamedPrelavkaEnRunsInEnglish) {
  ProgramDriver program;
  ASSERT_TRUE(program.Start(kEnglishProgram));
  ASSERT_TRUE(program.WaitForWindow(60s));
  EXPECT_EQ(platform::win32::WindowText(program.window()), "Scan to ZQ TRIMA, verze 1.125");
  program.Close();
  EXPECT_EQ(program.WaitForExit(20s), std::optional<DWORD>(0));
}

}  // namespace
