#include "ui/WriteProbe.h"

#include <cerrno>
#include <string>

#include "platform/FileSystem.h"

namespace ui {
namespace {

[[noreturn]] void Fail(std::string_view what, const std::string& path, int error_number) {
  std::string message(what);
  message += " \"" + path + "\".";
  if (error_number != 0) message += " " + platform::ErrorText(error_number);
  throw platform::IoError(message);
}

}  // namespace

void WriteProbe(std::string_view folder) {
  const std::string path = std::string(folder) + std::string(platform::kPathSeparatorText) +
                           std::string(kUploadBodyFileName);
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kCreate)) {
    Fail("Cannot create file", path, file.LastError());
  }
  if (!file.Close()) Fail("Cannot close file", path, file.LastError());
  errno = 0;
  if (!platform::RemoveFile(path)) Fail("Cannot delete file", path, errno);
}

}  // namespace ui
