#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/PomocnaUnita.h"
#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "tests/app/TestFolder.h"
#include "tests/fakes/FakeSystem.h"
#include "tests/fakes/FakeToolkit.h"

namespace {

using namespace text::literals;
using testing_support::ReadFile;
using testing_support::TestFolder;

const std::string kSep(platform::kPathSeparatorText);

TEST(LanguageIndexFromPath, OnlyALowerCaseSuffixAtTheVeryEndSelectsALanguage) {
  const struct {
    const char* path;
    int index;
  } cases[] = {
      {"C:\\Program Files\\scan_en.exe", 1},
      {"scan_en.exe", 1},
      {"_en.exe", 1},
      {"scan_EN.exe", 0},
      {"SCAN_EN.EXE", 0},
      {"scan.exe", 0},
      {"scan_cs.exe", 0},
      {"scan_de.exe", 0},
      {"en.exe", 0},
      {"C:\\a.exe\\scan_en.exe", 0},  // the first ".exe" is not at the end
      {"scan_en.exe.bak", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(app::LanguageIndexFromPath(c.path), c.index) << c.path;
}

TEST(Translate, KeysMatchWithoutRegardToCaseAndUnknownKeysFail) {
  app::TranslationList english(1);
  EXPECT_EQ(english.Translate("Prelavka do"), "Scan to");
  EXPECT_EQ(english.Translate("PRELAVKA DO"), "Scan to");
  EXPECT_EQ(english.Translate("zq"), "ZQ");
  EXPECT_EQ(app::TranslationList(0).Translate("Prelavka do"), "Prelavka do");
  EXPECT_THROW(english.Translate("Odeslat"), std::out_of_range);
}

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    std::filesystem::create_directory(folder_.Sub("Documents"));
    system_.raw_documents_folder =
        "%HOME%" + std::string(platform::kPathSeparatorText) + "Documents";
    system_.environment["HOME"] = folder_.Root();
    system_.fallback_application_folder = folder_.Sub("fallback") + kSep;
    std::filesystem::create_directory(folder_.Sub("fallback"));
    toolkit_.SetUnexpectedDialogHandler([](const fakes::FakeToolkit::Dialog& d) {
      ADD_FAILURE() << "unexpected dialog: " << d.text;
    });
  }
  std::string AppFolder() const { return folder_.Sub("Documents") + kSep + "Prelavka" + kSep; }

  TestFolder folder_;
  fakes::FakeSystem system_;
  fakes::FakeToolkit toolkit_;
};

TEST_F(StartupTest, CzechStartWritesTheIdentityAndTheFirstLines) {
  app::Shell shell(system_, toolkit_);
  shell.Start();
  const app::Identity& id = shell.identity();
  EXPECT_EQ(id.language_index, 0);
  EXPECT_EQ(id.language_code, "cs");
  EXPECT_EQ(id.system_name, "ZQ TRIMA");
  EXPECT_EQ(id.program_heading, "Prelavka do ZQ TRIMA");
  EXPECT_EQ(id.window_title, "Prelavka do ZQ TRIMA, verze 1.125");
  EXPECT_EQ(id.contact_line,
            std::string("\r\nKontaktujte prosím vývojový tým ZQ TRIMA na adrese "_cp) +
                id.support_address + ".");
  EXPECT_EQ(id.documents_folder, folder_.Sub("Documents"));
  EXPECT_EQ(id.application_folder, AppFolder());
  EXPECT_TRUE(platform::FolderExists(AppFolder()));
  EXPECT_EQ(shell.picker_start_folder(), AppFolder());
  EXPECT_EQ(id.run_log_name, "log.txt");
  EXPECT_EQ(ReadFile(AppFolder() + "log.txt"),
            std::string("V tomto souboru je log posledního spuštění Prelavka do ZQ TRIMA\r\n"_cp) +
                "Verze programu: 1.125, OS: Fake OS (1.0)\r\n");
  EXPECT_EQ(toolkit_.application_title(), "");
}

TEST_F(StartupTest, EnglishExecutableWithArgumentsUsesTheProcessIdInTheLogName) {
  system_.executable_path = "/opt/prelavka_en" + std::string(platform::kExecutableSuffix);
  system_.argument_count = 2;
  system_.os_product = platform::OsProductInfo{"", "", ""};
  app::Shell shell(system_, toolkit_);
  shell.Start();
  EXPECT_EQ(shell.identity().language_code, "en");
  EXPECT_EQ(shell.identity().window_title, "Scan to ZQ TRIMA, verze 1.125");
  EXPECT_EQ(shell.identity().run_log_name, "log.4711.txt");
  EXPECT_EQ(ReadFile(AppFolder() + "log.4711.txt"),
            "Verze programu: 1.125, OS: [ProductName?] [BuildLab?]\r\n");
}

TEST_F(StartupTest, OsDescriptionFallbacks) {
  const struct {
    std::optional<platform::OsProductInfo> product;
    std::string description;
  } cases[] = {
      {std::nullopt, std::string("(nemělo by nastat: nelze načíst z registrů)"_cp)},
      {platform::OsProductInfo{"Windows 10 Pro", "", "19041.vb_release"},
       "Windows 10 Pro (19041.vb_release)"},
      {platform::OsProductInfo{"Windows 10 Pro", "19041.1.amd64fre", "ignored"},
       "Windows 10 Pro (19041.1.amd64fre)"},
      {platform::OsProductInfo{"", "", ""}, "[ProductName?] [BuildLab?]"},
  };
  for (const auto& c : cases) {
    TestFolder folder;
    fakes::FakeSystem system;
    system.fallback_application_folder = folder.Path();
    system.os_product = c.product;
    fakes::FakeToolkit toolkit;
    app::Shell shell(system, toolkit);
    shell.Start();
    EXPECT_EQ(shell.identity().os_description, c.description);
  }
}

TEST_F(StartupTest, MissingEmptyOrFileDocumentsFolderFallsBack) {
  std::ofstream(folder_.Sub("a-file")) << "x";
  const std::optional<std::string> cases[] = {std::nullopt, std::string(), folder_.Sub("missing"),
                                              folder_.Sub("a-file"),
                                              std::string("%UNSET_REFERENCE%")};
  for (const auto& raw : cases) {
    system_.raw_documents_folder = raw;
    app::Shell shell(system_, toolkit_);
    shell.Start();
    EXPECT_EQ(shell.identity().application_folder, system_.fallback_application_folder);
    EXPECT_TRUE(platform::FileExists(system_.fallback_application_folder + "log.txt"));
  }
}

TEST_F(StartupTest, TrailingSeparatorOfTheDocumentsFolderIsRemoved) {
  system_.raw_documents_folder = folder_.Sub("Documents") + kSep;
  app::Shell shell(system_, toolkit_);
  shell.Start();
  EXPECT_EQ(shell.identity().documents_folder, folder_.Sub("Documents"));
  EXPECT_EQ(shell.identity().application_folder, AppFolder());
}

TEST_F(StartupTest, ApplicationFolderThatCannotBeMadeIsFatal) {
  // A file named Prelavka where the folder should be.
  std::ofstream(folder_.Sub("Documents") + kSep + "Prelavka") << "x";
  toolkit_.ExpectMessageBox();
  app::Shell shell(system_, toolkit_);
  try {
    shell.Start();
    FAIL() << "start-up went on";
  } catch (const fakes::ExitCalled& exit) {
    EXPECT_EQ(exit.code, 0);
  }
  ASSERT_EQ(toolkit_.dialogs().size(), 1u);
  EXPECT_EQ(toolkit_.dialogs()[0].text, std::string("Nemělo by nastat: nelze vytvořit složku "_cp) +
                                            AppFolder() + shell.identity().contact_line);
  EXPECT_EQ(toolkit_.dialogs()[0].caption, "Prelavka do ZQ TRIMA, verze 1.125");
}

TEST_F(StartupTest, SecondCopyFindsTheLogTakenAndLeavesItUntouched) {
  app::Shell first(system_, toolkit_);
  first.Start();
  const std::string before = ReadFile(AppFolder() + "log.txt");

  fakes::FakeToolkit toolkit;
  toolkit.ExpectMessageBox();
  app::Shell second(system_, toolkit);
  EXPECT_THROW(second.Start(), fakes::ExitCalled);
  ASSERT_EQ(toolkit.MessageTexts().size(), 1u);
  EXPECT_EQ(toolkit.MessageTexts()[0], std::string("Nemělo by nastat: nelze zapisovat do \r\n"_cp) +
                                           AppFolder() + "log.txt\r\n\r\n" +
                                           std::string("(Není program již jednou spuštěn?)"_cp));
  EXPECT_EQ(ReadFile(AppFolder() + "log.txt"), before);
  first.LogLine("still the first copy's log");
  EXPECT_EQ(ReadFile(AppFolder() + "log.txt"), before + "still the first copy's log\r\n");
}

TEST_F(StartupTest, LogFolderThatCannotBeWrittenShowsTheBoxAndExits) {
  system_.raw_documents_folder = std::nullopt;
  system_.fallback_application_folder = folder_.Sub("no-such-folder") + kSep;
  toolkit_.ExpectMessageBox();
  app::Shell shell(system_, toolkit_);
  try {
    shell.Start();
    FAIL() << "start-up went on";
  } catch (const fakes::ExitCalled& exit) {
    EXPECT_EQ(exit.code, 0);
  }
}

}  // namespace
