// The run log: one text file, open for the whole run, written only by appending.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace app {

class RunLog {
 public:
  // Opens (and empties) the file for writing. Other processes may read it, but a second writer
  // fails: nothing when the file cannot be opened or another writer holds it.
  static std::unique_ptr<RunLog> Open(std::string_view path);
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Appends the bytes and hands them to the operating system before returning.
  // Throws platform::IoError when the write fails.
  void Append(std::string_view bytes);
  const std::string& path() const { return path_; }

 private:
  RunLog(std::string path, std::intptr_t handle);
  std::string path_;
  std::intptr_t handle_;  // file descriptor (POSIX) or HANDLE value (Windows)
};

}  // namespace app
