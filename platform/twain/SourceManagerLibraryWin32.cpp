#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/twain/SourceManagerLibrary.h"

namespace platform {
namespace {

std::string Folder(DWORD (*get)(wchar_t*, UINT)) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = get(buffer, MAX_PATH);
  if (length == 0 || length > MAX_PATH) return {};
  return Cp1250Path(std::filesystem::path(std::wstring(buffer, length)));
}

DWORD CurrentFolder(wchar_t* buffer, UINT size) { return GetCurrentDirectoryW(size, buffer); }
DWORD TemporaryFolder(wchar_t* buffer, UINT size) { return GetTempPathW(size, buffer); }
DWORD WindowsFolder(wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); }
DWORD SystemFolder(wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); }
DWORD ProgramFolder(wchar_t* buffer, UINT size) {
  const DWORD length = GetModuleFileNameW(nullptr, buffer, size);
  if (length == 0 || length >= size) return 0;
  DWORD end = length;
  while (end > 0 && buffer[end - 1] != L'\\' && buffer[end - 1] != L'/') --end;
  buffer[end] = L'\0';
  return end;
}

}  // namespace

std::vector<std::string> SourceManagerCandidates() {
  SourceManagerFolders folders;
  folders.windows = Folder(WindowsFolder);
  folders.system = Folder(SystemFolder);
  folders.current = Folder(CurrentFolder);
  folders.program = Folder(ProgramFolder);
  folders.temporary = Folder(TemporaryFolder);
  return WindowsSourceManagerCandidates(folders, sizeof(void*) == 8);
}

bool SourceManagerLibrary::LoadOne(const std::string& path) {
  HMODULE module = LoadLibraryW(NativePath(path).c_str());
  if (module == nullptr) return false;
  FARPROC symbol = GetProcAddress(module, "DSM_Entry");
  if (symbol == nullptr) {
    FreeLibrary(module);
    return false;
  }
  module_ = module;
  entry_ = reinterpret_cast<twain::DsmEntryProc>(reinterpret_cast<void*>(symbol));
  path_ = path;
  return true;
}

void SourceManagerLibrary::Unload() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
  module_ = nullptr;
  entry_ = nullptr;
  path_.clear();
}

}  // namespace platform
