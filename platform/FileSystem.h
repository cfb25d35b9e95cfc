// Files and folders, with cp1250 path names.
//
// Paths are cp1250 strings; they cross to the operating system as UTF-16 (Windows) or UTF-8
// (elsewhere). The separator is kPathSeparator: a backslash on Windows, a slash elsewhere.
//
// Failures come back as results. Where the program lets a file failure reach the event loop
// (the write probe of a scan folder), the caller raises IoError, which the toolkit's event
// dispatch shows in an error box.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif
inline constexpr std::string_view kPathSeparatorText{&kPathSeparator, 1};

// The file name extension of executables: ".exe" on Windows, none elsewhere.
#ifdef _WIN32
inline constexpr std::string_view kExecutableSuffix = ".exe";
#else
inline constexpr std::string_view kExecutableSuffix = "";
#endif

// An input/output error of the platform: the program does not catch it; the event dispatch
// shows its text in the toolkit's error box and the program goes on.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::filesystem::path NativePath(std::string_view cp1250_path);
std::string Cp1250Path(const std::filesystem::path& native);

bool FolderExists(std::string_view path);
bool FileExists(std::string_view path);
// Creates one folder level. False when it could not be created (it may already exist).
bool CreateFolder(std::string_view path);
// Names (not paths) of every file in the folder, hidden and system ones included; no folders.
// Empty when the folder cannot be listed.
std::vector<std::string> ListFiles(std::string_view folder);
bool RemoveFile(std::string_view path);
// Size of a file in bytes, or nothing when it cannot be read.
std::optional<std::uint64_t> FileSize(std::string_view path);

// A binary file opened for reading or writing; closed by its destructor.
class File {
 public:
  enum class Mode { kRead, kCreate };  // kCreate empties an existing file
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  ~File();

  bool Open(std::string_view path, Mode mode);
  bool IsOpen() const { return file_ != nullptr; }
  // Bytes read (fewer only at the end of the file), or -1 on a read error.
  std::int64_t Read(void* buffer, std::size_t size);
  // True when every byte was written.
  bool Write(const void* buffer, std::size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  bool Seek(std::uint64_t position);
  std::int64_t Tell() const;
  // Flushes and closes; false when a buffered write or the close failed.
  bool Close();
  // Last error number of the C library (errno) for messages.
  int LastError() const { return last_error_; }

 private:
  std::FILE* file_ = nullptr;
  int last_error_ = 0;
};

// The system's text for an errno value, cp1250.
std::string ErrorText(int error_number);

}  // namespace platform
