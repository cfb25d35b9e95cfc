// System services on Linux and other POSIX systems.
#ifndef _WIN32

#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

namespace platform {
namespace {

std::string EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Expands $NAME and ${NAME} (UTF-8 in, UTF-8 out); unset names and broken references stay.
std::string ExpandUtf8(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '$') {
      out.push_back(text[i++]);
      continue;
    }
    std::size_t begin = i + 1, end = begin;
    const bool braced = begin < text.size() && text[begin] == '{';
    if (braced) ++begin, end = begin;
    while (end < text.size() && IsNameCharacter(text[end])) ++end;
    const bool closed = !braced || (end < text.size() && text[end] == '}');
    const std::string name = text.substr(begin, end - begin);
    const char* value = name.empty() || !closed ? nullptr : std::getenv(name.c_str());
    if (value == nullptr) {
      out.push_back(text[i++]);
      continue;
    }
    out += value;
    i = end + (braced ? 1 : 0);
  }
  return out;
}

// Reads KEY=value (value optionally in double quotes) from a shell-style configuration file.
std::optional<std::string> ReadAssignment(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) != 0) continue;
    std::string value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::nullopt;
}

std::string ToCp1250(const std::string& utf8) {
  std::string out;
  if (text::Utf8ToCp1250(utf8, out)) return out;
  return "?";
}

class PosixSystem : public System {
 public:
  PosixSystem(int argc, char** argv) : argument_count_(argc > 1 ? argc - 1 : 0) {
    if (argc > 0 && argv[0] != nullptr) argv0_ = argv[0];
  }

  std::optional<std::string> RawDocumentsFolder() override {
    const std::string home = EnvironmentValue("HOME");
    std::string config = EnvironmentValue("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty()) config = home + "/.config";
    if (!config.empty()) {
      if (auto value = ReadAssignment(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR")) {
        return ToCp1250(*value);
      }
    }
    if (!home.empty() && FolderExists(ToCp1250(home + "/Documents"))) {
      return ToCp1250(home + "/Documents");
    }
    return std::nullopt;
  }

  std::optional<OsProductInfo> OsProduct() override {
    auto pretty = ReadAssignment("/etc/os-release", "PRETTY_NAME");
    if (!pretty) return std::nullopt;
    OsProductInfo info;
    info.product_name = ToCp1250(*pretty);
    struct utsname names {};
    if (uname(&names) == 0) info.build_lab_ex = ToCp1250(names.release);
    return info;
  }

  std::string ExpandEnvironment(std::string_view text) override {
    return ToCp1250(ExpandUtf8(text::Cp1250ToUtf8(text)));
  }

  std::string FallbackApplicationFolder() override {
    const std::string home = EnvironmentValue("HOME");
    return home.empty() ? std::string("/tmp/") : ToCp1250(home) + "/";
  }

  std::string ExecutablePath() override {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    // The name the program was started under decides the language, so a symbolic link named
    // prelavka_en works: prefer argv[0] when it names a file.
    if (!argv0_.empty() && argv0_.find('/') != std::string::npos) return ToCp1250(argv0_);
    if (length > 0) return ToCp1250(std::string(buffer, static_cast<std::size_t>(length)));
    return ToCp1250(argv0_);
  }

  int ArgumentCount() override { return argument_count_; }
  std::uint32_t ProcessId() override { return static_cast<std::uint32_t>(getpid()); }

  std::uint32_t TickCount() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
  }

  [[noreturn]] void Exit(int code) override { std::_Exit(code); }

 private:
  std::string argv0_;
  int argument_count_;
};

}  // namespace

std::unique_ptr<System> CreateSystem(int argc, char** argv) {
  return std::make_unique<PosixSystem>(argc, argv);
}

}  // namespace platform

#endif  // _WIN32
