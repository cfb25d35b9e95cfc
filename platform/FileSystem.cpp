#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "platform/Cp1250.h"

namespace platform {

namespace fs = std::filesystem;

fs::path NativePath(std::string_view cp1250_path) {
#ifdef _WIN32
  const std::u16string utf16 = text::Cp1250ToUtf16(cp1250_path);
  return fs::path(std::wstring(utf16.begin(), utf16.end()));
#else
  const std::string utf8 = text::Cp1250ToUtf8(cp1250_path);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
#endif
}

std::string Cp1250Path(const fs::path& native) {
#ifdef _WIN32
  const std::wstring wide = native.wstring();
  return text::Utf16ToCp1250(std::u16string(wide.begin(), wide.end()));
#else
  // A name that is not UTF-8 keeps its bytes where they are ASCII and loses the rest to "?".
  const std::string& bytes = native.native();
  std::string out;
  if (text::Utf8ToCp1250(bytes, out)) return out;
  out.clear();
  for (const char c : bytes) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  return out;
#endif
}

bool FolderExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_directory(NativePath(path), error);
}

bool FileExists(std::string_view path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::is_regular_file(NativePath(path), error);
}

bool CreateFolder(std::string_view path) {
  if (path.empty()) return false;
  std::error_code error;
  return fs::create_directory(NativePath(path), error) && !error;
}

std::vector<std::string> ListFiles(std::string_view folder) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(NativePath(folder), error);
  if (error) return names;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    std::error_code type_error;
    if (it->is_directory(type_error)) continue;
    names.push_back(Cp1250Path(it->path().filename()));
  }
  return names;
}

bool RemoveFile(std::string_view path) {
  std::error_code error;
  return fs::remove(NativePath(path), error) && !error;
}

std::optional<std::uint64_t> FileSize(std::string_view path) {
  std::error_code error;
  const auto size = fs::file_size(NativePath(path), error);
  if (error) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

File::File(File&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), last_error_(other.last_error_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::exchange(other.file_, nullptr);
    last_error_ = other.last_error_;
  }
  return *this;
}

File::~File() { Close(); }

bool File::Open(std::string_view path, Mode mode) {
  Close();
  errno = 0;
#ifdef _WIN32
  const fs::path native = NativePath(path);
  file_ = _wfopen(native.c_str(), mode == Mode::kRead ? L"rb" : L"wb");
#else
  const fs::path native = NativePath(path);
  file_ = std::fopen(native.c_str(), mode == Mode::kRead ? "rb" : "wb");
#endif
  last_error_ = file_ == nullptr ? errno : 0;
  return file_ != nullptr;
}

std::int64_t File::Read(void* buffer, std::size_t size) {
  if (file_ == nullptr) return -1;
  errno = 0;
  const std::size_t count = std::fread(buffer, 1, size, file_);
  if (count < size && std::ferror(file_)) {
    last_error_ = errno;
    return -1;
  }
  return static_cast<std::int64_t>(count);
}

bool File::Write(const void* buffer, std::size_t size) {
  if (file_ == nullptr) return false;
  errno = 0;
  if (std::fwrite(buffer, 1, size, file_) != size) {
    last_error_ = errno;
    return false;
  }
  return true;
}

bool File::Seek(std::uint64_t position) {
  if (file_ == nullptr) return false;
#ifdef _WIN32
  return _fseeki64(file_, static_cast<long long>(position), SEEK_SET) == 0;
#else
  return fseeko(file_, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

std::int64_t File::Tell() const {
  if (file_ == nullptr) return -1;
#ifdef _WIN32
  return _ftelli64(file_);
#else
  return ftello(file_);
#endif
}

bool File::Close() {
  if (file_ == nullptr) return true;
  errno = 0;
  const bool ok = std::fclose(file_) == 0;
  if (!ok) last_error_ = errno;
  file_ = nullptr;
  return ok;
}

std::string ErrorText(int error_number) {
  std::string utf8 = std::strerror(error_number);
  std::string out;
  if (!text::Utf8ToCp1250(utf8, out)) return utf8;
  return out;
}

}  // namespace platform
