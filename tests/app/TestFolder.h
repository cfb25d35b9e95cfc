// A fresh temporary folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/FileSystem.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

inline int CurrentProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

class TestFolder {
 public:
  TestFolder() {
    // A name no other test process picks: the process id and a counter, retried when taken.
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      const auto candidate = base / ("prelavka-" + std::to_string(CurrentProcessId()) + "-" +
                                     std::to_string(counter++));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = platform::Cp1250Path(candidate);
        break;
      }
    }
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(platform::NativePath(path_), ignored);
  }
  // The folder's path with the separator appended.
  std::string Path() const { return path_ + std::string(platform::kPathSeparatorText); }
  // The folder's path without the final separator.
  const std::string& Root() const { return path_; }
  std::string Sub(const std::string& name) const { return Path() + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testing_support
