// System services on Windows: the registry reads of start-up, environment expansion, the
// executable, the process, the tick count and process exit. Texts cross as UTF-16.
#ifdef _WIN32

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <string>

#include "platform/Cp1250.h"
#include "platform/System.h"

namespace platform {
namespace {

std::wstring Wide(std::string_view cp1250) {
  const std::u16string utf16 = text::Cp1250ToUtf16(cp1250);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToCp1250(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// An open registry key, closed by its destructor.
class RegistryKey {
 public:
  // Opens an existing key for reading; never creates one. Software\... keys are read in the
  // system's native view, so a 32-bit process sees what a 64-bit one sees.
  RegistryKey(HKEY root, const wchar_t* path) {
    if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }

  // A string value (REG_SZ or REG_EXPAND_SZ, not expanded), cp1250. A missing value, one of
  // another type or one that cannot be read is the empty text.
  std::string ReadString(const wchar_t* name) const {
    if (key_ == nullptr) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    // The stored data need not end with a null character: room for one more.
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &read) != ERROR_SUCCESS) {
      return {};
    }
    value.resize(std::min<std::size_t>(read / sizeof(wchar_t), value.size()));
    const std::size_t end = value.find(L'\0');
    if (end != std::wstring::npos) value.resize(end);
    return Narrow(value);
  }

 private:
  HKEY key_ = nullptr;
};

class Win32System : public System {
 public:
  std::optional<std::string> RawDocumentsFolder() override {
    const RegistryKey key(HKEY_CURRENT_USER,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                          L"User Shell Folders");
    if (!key.IsOpen()) return std::nullopt;
    return key.ReadString(L"Personal");
  }

  std::optional<OsProductInfo> OsProduct() override {
    const RegistryKey key(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion");
    if (!key.IsOpen()) return std::nullopt;
    OsProductInfo info;
    info.product_name = key.ReadString(L"ProductName");
    info.build_lab_ex = key.ReadString(L"BuildLabEx");
    info.build_lab = key.ReadString(L"BuildLab");
    return info;
  }

  std::string ExpandEnvironment(std::string_view text) override {
    const std::wstring source = Wide(text);
    std::wstring expanded(std::max<std::size_t>(source.size() * 2 + 1, 260), L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
      const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), expanded.data(),
                                                     static_cast<DWORD>(expanded.size()));
      if (needed == 0) return std::string(text);
      if (needed <= expanded.size()) {
        expanded.resize(needed - 1);  // the count includes the final null character
        return Narrow(expanded);
      }
      expanded.assign(needed, L'\0');
    }
    return std::string(text);
  }

  std::string FallbackApplicationFolder() override { return "C:\\"; }

  std::string ExecutablePath() override {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length =
          GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return {};
      if (length < path.size()) {
        path.resize(length);
        return Narrow(path);
      }
      if (path.size() >= 32768) return {};
      path.assign(path.size() * 2, L'\0');
    }
  }

  int ArgumentCount() override {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return 0;
    LocalFree(arguments);
    return count > 1 ? count - 1 : 0;
  }

  std::uint32_t ProcessId() override { return GetCurrentProcessId(); }
  std::uint32_t TickCount() override { return GetTickCount(); }
  [[noreturn]] void Exit(int code) override { ExitProcess(static_cast<UINT>(code)); }
};

}  // namespace

// The arguments are read from the process's own command line (wide), not from argv.
std::unique_ptr<System> CreateSystem(int /*argc*/, char** /*argv*/) {
  return std::make_unique<Win32System>();
}

}  // namespace platform

#endif  // _WIN32
