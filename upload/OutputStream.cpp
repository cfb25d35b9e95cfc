#include "upload/OutputStream.h"

#include <algorithm>

namespace upload {

std::string FileOutputStream::ErrorText() const {
  if (!failed_) return {};
  const int error = file_.LastError();
  return error != 0 ? platform::ErrorText(error) : std::string("write failed");
}

bool FileOutputStream::DoWrite(const void* data, std::size_t size) {
  if (file_.Write(data, size)) return true;
  failed_ = true;
  return false;
}

bool StringOutputStream::DoWrite(const void* data, std::size_t size) {
  const std::size_t room = write_limit_ - std::min(write_limit_, bytes_.size());
  const std::size_t count = std::min(room, size);
  bytes_.append(static_cast<const char*>(data), count);
  if (count == size) return true;
  failed_ = true;
  return false;
}

}  // namespace upload
