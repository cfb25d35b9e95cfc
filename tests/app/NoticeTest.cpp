#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <filesystem>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "tests/app/TestFolder.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/fakes/FakeToolkit.h"

namespace {

using namespace text::literals;
using testing_support::ReadFile;
using testing_support::TestFolder;

app::Identity TestIdentity() {
  app::Identity id;
  id.system_name = "ZQ TRIMA";
  id.contact_line = "\r\nKontakt.";
  return id;
}

TEST(NotifyUser, LogsIndentedLinesThenShowsTheMessageUnchanged) {
  const std::string prefix = std::string("Hlášeno uživateli:\r\n"_cp) + "   ";
  const struct {
    std::string message;
    std::string logged;
  } cases[] = {
      {"A\r\nB", prefix + "A\r\n   B\r\n"}, {"", prefix + "\r\n"},
      {"A\nB", prefix + "A\nB\r\n"},  // LF alone is not a line break here
      {"A\r\n", prefix + "A\r\n   \r\n"},   {"A\r\r\nB\rC", prefix + "A\r\r\n   B\rC\r\n"},
  };
  for (const auto& c : cases) {
    TestFolder folder;
    fakes::FakeSystem system;
    fakes::FakeToolkit toolkit;
    app::Shell shell(system, toolkit);
    ASSERT_TRUE(shell.StartWith(TestIdentity(), folder.Sub("log.txt")));
    toolkit.ExpectMessageBox();
    toolkit.SetDuringDialog([&](const fakes::FakeToolkit::Dialog&) {
      // The entry is on disk before the box shows.
      EXPECT_EQ(ReadFile(folder.Sub("log.txt")), c.logged);
    });
    shell.NotifyUser(c.message);
    EXPECT_EQ(toolkit.MessageTexts(), std::vector<std::string>{c.message});
  }
}

TEST(NotifyUser, BeforeTheLogIsOpenOnlyTheBoxShows) {
  fakes::FakeSystem system;
  fakes::FakeToolkit toolkit;
  app::Shell shell(system, toolkit);
  toolkit.ExpectMessageBox();
  shell.NotifyUser("early");
  EXPECT_EQ(toolkit.MessageTexts(), std::vector<std::string>{"early"});
}

// Child-process bodies of the death tests below; each ends the process.
void FatalNoticeChild(const std::string& log) {
  auto system = platform::CreateSystem(0, nullptr);
  fakes::FakeToolkit toolkit;
  toolkit.ExpectMessageBox();
  app::Shell shell(*system, toolkit);
  if (!shell.StartWith(TestIdentity(), log)) std::_Exit(3);
  shell.NotifyFatal("M");
}

TEST(NotifyFatal, LogsTheNoticeAndTheClosingLineAndExitsWithZero) {
  // A fixed path: on Windows the child process runs this test again from its start, so a
  // folder named after the process would differ between parent and child.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "prelavka-fatal-notice-test";
  std::filesystem::create_directories(folder);
  const std::string log = platform::Cp1250Path(folder / "log.txt");
  EXPECT_EXIT(FatalNoticeChild(log), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(log),
            std::string("Hlášeno uživateli:\r\n"_cp) + "   M\r\n   Kontakt.\r\n" +
                std::string("Předchozí chyba byla příliš vážná, program končí.\r\n"_cp));
  std::filesystem::remove_all(folder);
}

#ifndef _WIN32
// The file size limit stands for a full disk; Windows has no such limit.
void FullDiskChild(const std::string& log) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{100, 100};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  fakes::FakeSystem system;
  fakes::FakeToolkit toolkit;
  app::Shell shell(system, toolkit);
  if (!shell.StartWith(TestIdentity(), log)) std::_Exit(3);
  try {
    for (int i = 0; i < 100; ++i) shell.LogLine("0123456789012345678");  // 21 bytes a line
  } catch (const platform::IoError&) {
    std::_Exit(0);
  }
  std::_Exit(4);
}

TEST(RunLog, AFullDiskRaisesAnErrorAndKeepsEarlierEntriesWhole) {
  TestFolder folder;
  const std::string log = folder.Sub("log.txt");
  EXPECT_EXIT(FullDiskChild(log), ::testing::ExitedWithCode(0), "");
  const std::string written = ReadFile(log);
  ASSERT_GE(written.size(), 84u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(written.substr(i * 21, 21), "0123456789012345678\r\n");
  }
}

#endif  // _WIN32

}  // namespace
