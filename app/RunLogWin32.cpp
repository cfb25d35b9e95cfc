// The run log on Windows: opened without write sharing, so a second copy of the program cannot
// open the same log, while readers (an editor, the support staff's viewer) may read it.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <string>

#include "app/RunLog.h"
#include "platform/Cp1250.h"
#include "platform/FileSystem.h"

namespace app {
namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// The system's English-neutral text for a Win32 error code, cp1250, without the final line break.
std::string Win32ErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length > 0 && buffer != nullptr) text.assign(buffer, buffer + length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Win32 error " + std::to_string(error);
  return text::Utf16ToCp1250(text);
}

}  // namespace

std::unique_ptr<RunLog> RunLog::Open(std::string_view path) {
  const std::filesystem::path native = platform::NativePath(path);
  // CREATE_ALWAYS empties an existing file, but only after the sharing check: a log that another
  // copy holds open for writing makes this fail and stays untouched.
  const HANDLE file = CreateFileW(native.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<RunLog>(
      new RunLog(std::string(path), reinterpret_cast<std::intptr_t>(file)));
}

RunLog::RunLog(std::string path, std::intptr_t handle) : path_(std::move(path)), handle_(handle) {}

RunLog::~RunLog() { CloseHandle(AsHandle(handle_)); }

// WriteFile hands the bytes to the system cache, which is what a line of the log needs before
// the program goes on: it survives the process ending at once. A disk flush per line
// (FlushFileBuffers) would make a TWAIN trace of hundreds of lines wait for the disk each time.
void RunLog::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    const BOOL ok = WriteFile(AsHandle(handle_), bytes.data(), chunk, &written, nullptr);
    if (!ok || written == 0) {
      const DWORD error = ok ? ERROR_DISK_FULL : GetLastError();
      throw platform::IoError("I/O error: " + Win32ErrorText(error) + " (" + path_ + ")");
    }
    bytes.remove_prefix(written);
  }
}

}  // namespace app

#endif  // _WIN32
