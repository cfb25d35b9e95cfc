// Shared pieces of the archive and upload-body tests: a temporary folder, page files, running
// the real readers (Python, GNU tar) with a bounded wait, and a toolkit that records the order
// of progress, status-line and message-processing calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fakes/FakeToolkit.h"

namespace upload_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // The folder followed by the path separator and `name`.
  std::string Path(std::string_view name) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Deterministic bytes that compress somewhat, like a scanned page: runs with noise.
std::string PageBytes(std::size_t size, std::uint32_t seed);
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

struct CommandResult {
  int exit_code = -1;
  std::string output;  // stdout and stderr
};
// The readers of the archives (Python, GNU tar, gzip) run where there is a POSIX shell; the
// Windows tests under Wine check the archives in-process only.
#ifdef _WIN32
inline constexpr bool kRealReaders = false;
#else
inline constexpr bool kRealReaders = true;
#endif
// Runs the program with its arguments through `timeout`, so no test waits more than a minute.
CommandResult RunCommand(const std::vector<std::string>& arguments);

// The path of check_archive.py.
std::string ArchiveChecker();

// Records SetPosition(ProgressBar1), SetText(Label8) and ProcessMessages in call order, as
// "progress 46", "label Komprese 1001.bmp", "process".
class RecordingToolkit : public fakes::FakeToolkit {
 public:
  const std::vector<std::string>& calls() const { return calls_; }
  std::vector<std::string> Calls(std::string_view prefix) const;
  void SetPosition(platform::ControlId control, int position) override;
  void SetText(platform::ControlId control, std::string_view text) override;
  void ProcessMessages() override;

 private:
  std::vector<std::string> calls_;
};

}  // namespace upload_test
