// System services of the platform: the registry reads of start-up, environment expansion, the
// executable, the process, the tick count and process exit. One real implementation per platform
// (CreateSystem), a fake for tests (tests/fakes).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The operating system's name as the registry of Windows holds it. Missing values are empty.
struct OsProductInfo {
  std::string product_name;
  std::string build_lab_ex;
  std::string build_lab;
};

class System {
 public:
  virtual ~System() = default;

  // The raw (unexpanded) documents folder of the user, or nothing when its key cannot be opened.
  // Windows: HKCU "...\Explorer\User Shell Folders\" value "Personal". Linux: XDG_DOCUMENTS_DIR
  // of the XDG user-dirs configuration, else $HOME/Documents when that folder exists.
  virtual std::optional<std::string> RawDocumentsFolder() = 0;
  // The operating system's description, or nothing when its key cannot be opened.
  // Linux: PRETTY_NAME of /etc/os-release and the kernel release as the build text.
  virtual std::optional<OsProductInfo> OsProduct() = 0;
  // Expands environment references (%NAME% on Windows, $NAME and ${NAME} elsewhere); references
  // that cannot be expanded stay as they are.
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
  // The application folder used when the documents folder does not exist ("C:\" on Windows).
  virtual std::string FallbackApplicationFolder() = 0;
  virtual std::string ExecutablePath() = 0;
  // Number of command-line arguments after the program name.
  virtual int ArgumentCount() = 0;
  virtual std::uint32_t ProcessId() = 0;
  // Milliseconds since an arbitrary point, wrapping at 2^32.
  virtual std::uint32_t TickCount() = 0;
  // Ends the process at once with the exit code: no further events, no shutdown steps.
  [[noreturn]] virtual void Exit(int code) = 0;
};

// The platform's system services, from the process's arguments.
std::unique_ptr<System> CreateSystem(int argc, char** argv);

}  // namespace platform
