// The run log on POSIX systems: an advisory lock keeps a second writer out, readers may read.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "app/RunLog.h"
#include "platform/Cp1250.h"
#include "platform/FileSystem.h"

namespace app {

std::unique_ptr<RunLog> RunLog::Open(std::string_view path) {
  const std::filesystem::path native = platform::NativePath(path);
  // Not O_TRUNC: a log another copy holds must stay untouched; it is emptied once locked.
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_APPEND, 0644);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<RunLog>(new RunLog(std::string(path), fd));
}

RunLog::RunLog(std::string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}

RunLog::~RunLog() { ::close(static_cast<int>(handle_)); }

void RunLog::Append(std::string_view bytes) {
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : ENOSPC;
      throw platform::IoError("I/O error: " + platform::ErrorText(error) + " (" + path_ + ")");
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace app

#endif  // _WIN32
