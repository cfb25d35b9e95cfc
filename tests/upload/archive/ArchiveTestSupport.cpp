#include "tests/upload/archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/FileSystem.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace upload_test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("prelavka-archive-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) path_ = candidate.string();
  }
  if (path_.empty()) ADD_FAILURE() << "no temporary folder";
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string TempFolder::Path(std::string_view name) const {
  return path_ + platform::kPathSeparator + std::string(name);
}

std::string PageBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1u;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    // Mostly paper (0xF0 with a little noise), now and then a dark stroke.
    const unsigned noise = (state >> 16) & 3u;
    bytes[i] = static_cast<char>(((i / 97) % 11 == 0) ? 0x20 + noise : 0xF0 + noise);
  }
  return bytes;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

namespace {

[[maybe_unused]] std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (const char c : argument) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& arguments) {
#ifdef _WIN32
  (void)arguments;
  return {-1, "no POSIX shell"};
#else
  std::string command = "timeout 60";
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  command += " 2>&1";
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.output.append(buffer, count);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
#endif
}

std::string ArchiveChecker() { return PRELAVKA_ARCHIVE_TEST_DIR "/check_archive.py"; }

std::vector<std::string> RecordingToolkit::Calls(std::string_view prefix) const {
  std::vector<std::string> matching;
  for (const std::string& call : calls_) {
    if (call.starts_with(prefix)) matching.push_back(call);
  }
  return matching;
}

void RecordingToolkit::SetPosition(platform::ControlId control, int position) {
  if (control == platform::ControlId::kProgressBar1) {
    calls_.push_back("progress " + std::to_string(position));
  }
  FakeToolkit::SetPosition(control, position);
}

void RecordingToolkit::SetText(platform::ControlId control, std::string_view text) {
  if (control == platform::ControlId::kLabel8) calls_.push_back("label " + std::string(text));
  FakeToolkit::SetText(control, text);
}

void RecordingToolkit::ProcessMessages() {
  calls_.push_back("process");
  FakeToolkit::ProcessMessages();
}

}  // namespace upload_test
