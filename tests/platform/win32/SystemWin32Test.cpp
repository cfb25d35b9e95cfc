// The Windows system services and the Windows run log, against the real system (Wine in the
// Linux build): registry reads, environment expansion with Czech texts, the process's facts, and
// the run log's sharing (readers yes, a second writer no).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/RunLog.h"
#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/win32/WideText.h"

namespace {

using namespace text::literals;
using platform::win32::Narrow;

std::unique_ptr<platform::System> MakeSystem() { return platform::CreateSystem(0, nullptr); }

std::wstring ReadRegistry(HKEY root, const wchar_t* key, const wchar_t* value) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, key, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                   data, &size) != ERROR_SUCCESS) {
    return L"";
  }
  return data;
}

TEST(SystemWin32Test, RegistryReadsGiveTheRawValues) {
  const auto system = MakeSystem();
  const auto documents = system->RawDocumentsFolder();
  ASSERT_TRUE(documents.has_value());
  EXPECT_EQ(*documents,
            Narrow(ReadRegistry(HKEY_CURRENT_USER,
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                L"User Shell Folders",
                                L"Personal")));
  EXPECT_FALSE(documents->empty());
  const auto os = system->OsProduct();
  ASSERT_TRUE(os.has_value());
  const wchar_t* kVersionKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
  EXPECT_EQ(os->product_name,
            Narrow(ReadRegistry(HKEY_LOCAL_MACHINE, kVersionKey, L"ProductName")));
  EXPECT_FALSE(os->product_name.empty());
  EXPECT_EQ(os->build_lab_ex, Narrow(ReadRegistry(HKEY_LOCAL_MACHINE, kVersionKey, L"BuildLabEx")));
  EXPECT_EQ(os->build_lab, Narrow(ReadRegistry(HKEY_LOCAL_MACHINE, kVersionKey, L"BuildLab")));
}

TEST(SystemWin32Test, ExpandsReferencesAndKeepsUnknownOnes) {
  const auto system = MakeSystem();
  ASSERT_TRUE(SetEnvironmentVariableW(L"PRELAVKA_TEST_FOLDER", L"C:\\Dokumenty \u0160ed\u00e1"));
  EXPECT_EQ(system->ExpandEnvironment("%PRELAVKA_TEST_FOLDER%\\Prelavka\\"),
            "C:\\Dokumenty Šedá\\Prelavka\\"_cp);
  EXPECT_EQ(system->ExpandEnvironment("%PRELAVKA_NO_SUCH_VARIABLE%\\x"),
            "%PRELAVKA_NO_SUCH_VARIABLE%\\x");
  EXPECT_EQ(system->ExpandEnvironment(""), "");
  // Longer than any first guess of the buffer.
  const std::wstring long_value(3000, L'a');
  ASSERT_TRUE(SetEnvironmentVariableW(L"PRELAVKA_TEST_LONG", long_value.c_str()));
  EXPECT_EQ(system->ExpandEnvironment("%PRELAVKA_TEST_LONG%%PRELAVKA_TEST_LONG%"),
            std::string(6000, 'a'));
}

TEST(SystemWin32Test, ProcessFacts) {
  const auto system = MakeSystem();
  const std::string path = system->ExecutablePath();
  EXPECT_NE(path.find("system_win32_tests.exe"), std::string::npos) << path;
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(system->ProcessId(), GetCurrentProcessId());
  const std::uint32_t before = system->TickCount();
  Sleep(100);
  const std::uint32_t elapsed = system->TickCount() - before;  // Wine counts in 16 ms steps
  EXPECT_GE(elapsed, 60u);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_EQ(system->FallbackApplicationFolder(), "C:\\");
}

class RunLogWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = Narrow(folder) + "prelavka běh " + std::to_string(GetCurrentProcessId()) + ".txt";
    platform::RemoveFile(path_);
  }
  void TearDown() override { platform::RemoveFile(path_); }
  std::string ReadShared() const {
    const HANDLE file =
        CreateFileW(platform::NativePath(path_).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    char buffer[256];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
  }
  std::string path_;
};

TEST_F(RunLogWin32Test, EmptiesTheFileAndHandsEveryAppendToTheSystem) {
  {
    platform::File old;
    ASSERT_TRUE(old.Open(path_, platform::File::Mode::kCreate));
    ASSERT_TRUE(old.Write("an older run\r\n"));
  }
  auto log = app::RunLog::Open(path_);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(ReadShared(), "");
  log->Append("Verze programu: 1.125\r\n");
  log->Append("Hlášeno uživateli:\r\n   x\r\n"_cp);
  // Readers see every byte while the log stays open.
  EXPECT_EQ(ReadShared(),
            "Verze programu: 1.125\r\n" + std::string("Hlášeno uživateli:\r\n   x\r\n"_cp));
}

TEST_F(RunLogWin32Test, ASecondWriterFailsAndLeavesTheLogUntouched) {
  auto first = app::RunLog::Open(path_);
  ASSERT_NE(first, nullptr);
  first->Append("first\r\n");
  EXPECT_EQ(app::RunLog::Open(path_), nullptr);
  EXPECT_EQ(ReadShared(), "first\r\n");
  // Another program that wants to write cannot open it either.
  const HANDLE writer =
      CreateFileW(platform::NativePath(path_).c_str(), GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  first.reset();
  EXPECT_NE(app::RunLog::Open(path_), nullptr);
}

TEST_F(RunLogWin32Test, AFolderThatDoesNotExistGivesNothing) {
  EXPECT_EQ(app::RunLog::Open("C:\\prelavka-no-such-folder\\log.txt"), nullptr);
}

}  // namespace
