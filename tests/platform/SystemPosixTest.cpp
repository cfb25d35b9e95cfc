#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/System.h"

namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
 public:
  void Set(const char* name, const std::string& value) {
    const char* old = ::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        ::unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class PosixSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "prelavka-XXXXXX").string();
    home_ = ::mkdtemp(pattern.data());
    env_.Set("HOME", home_);
    env_.Set("XDG_CONFIG_HOME", home_ + "/.config");
    std::filesystem::create_directories(home_ + "/.config");
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  std::string home_;
  ScopedEnvironment env_;
};

TEST_F(PosixSystemTest, DocumentsFolderComesRawFromUserDirsAndExpands) {
  std::ofstream(home_ + "/.config/user-dirs.dirs")
      << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Plocha\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n";
  auto system = platform::CreateSystem(0, nullptr);
  const auto raw = system->RawDocumentsFolder();
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(*raw, "$HOME/Dokumenty");
  EXPECT_EQ(system->ExpandEnvironment(*raw), home_ + "/Dokumenty");
  EXPECT_EQ(system->ExpandEnvironment("${HOME}/a $NO_SUCH_PRELAVKA_VAR ${broken"),
            home_ + "/a $NO_SUCH_PRELAVKA_VAR ${broken");
}

TEST_F(PosixSystemTest, WithoutUserDirsTheHomeDocumentsFolderOrNothing) {
  auto system = platform::CreateSystem(0, nullptr);
  EXPECT_FALSE(system->RawDocumentsFolder().has_value());
  std::filesystem::create_directory(home_ + "/Documents");
  EXPECT_EQ(system->RawDocumentsFolder().value_or(""), home_ + "/Documents");
}

TEST_F(PosixSystemTest, ArgumentsAreCountedAfterTheProgramName) {
  char name[] = "prelavka";
  char argument[] = "anything";
  char* argv[] = {name, argument, nullptr};
  EXPECT_EQ(platform::CreateSystem(2, argv)->ArgumentCount(), 1);
  EXPECT_EQ(platform::CreateSystem(1, argv)->ArgumentCount(), 0);
  EXPECT_EQ(platform::CreateSystem(0, nullptr)->ArgumentCount(), 0);
}

TEST_F(PosixSystemTest, OsDescriptionNamesTheDistributionAndTheKernel) {
  auto product = platform::CreateSystem(0, nullptr)->OsProduct();
  if (!std::filesystem::exists("/etc/os-release")) GTEST_SKIP() << "no /etc/os-release";
  ASSERT_TRUE(product.has_value());
  EXPECT_FALSE(product->product_name.empty());
  EXPECT_FALSE(product->build_lab_ex.empty());
}

}  // namespace
