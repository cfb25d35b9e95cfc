// The fake system services of the tests: every answer is a field the test sets.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/System.h"

namespace fakes {

// Thrown by FakeSystem::Exit so a test can see that the process would have ended. Not a
// std::exception: the event dispatch, which shows exceptions in the error box and goes on, lets
// it through, as nothing goes on after a real process end.
struct ExitCalled {
  explicit ExitCalled(int exit_code) : code(exit_code) {}
  int code;
};

class FakeSystem : public platform::System {
 public:
  std::optional<std::string> raw_documents_folder;
  std::optional<platform::OsProductInfo> os_product = platform::OsProductInfo{"Fake OS", "1.0", ""};
  std::string fallback_application_folder = "/nonexistent-fallback/";
  std::string executable_path = "/opt/prelavka/prelavka";
  int argument_count = 0;
  std::uint32_t process_id = 4711;
  std::uint32_t tick_count = 0;
  // Environment references expanded by ExpandEnvironment: "%NAME%" -> value.
  std::map<std::string, std::string> environment;

  std::optional<std::string> RawDocumentsFolder() override { return raw_documents_folder; }
  std::optional<platform::OsProductInfo> OsProduct() override { return os_product; }
  std::string ExpandEnvironment(std::string_view text) override;
  std::string FallbackApplicationFolder() override { return fallback_application_folder; }
  std::string ExecutablePath() override { return executable_path; }
  int ArgumentCount() override { return argument_count; }
  std::uint32_t ProcessId() override { return process_id; }
  std::uint32_t TickCount() override { return tick_count; }
  [[noreturn]] void Exit(int code) override { throw ExitCalled(code); }
};

}  // namespace fakes
