#include "app/Shell.h"

#include <cstdlib>
#include <string>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"

namespace app {
namespace {

using namespace text::literals;

// "(pid)" in the name only when the program was started with arguments.
std::string RunLogName(int argument_count, std::uint32_t process_id) {
  if (argument_count > 0) return "log." + std::to_string(process_id) + ".txt";
  return "log.txt";
}

std::string OsDescription(const std::optional<platform::OsProductInfo>& product) {
  if (!product) return std::string("(nemělo by nastat: nelze načíst z registrů)"_cp);
  std::string description =
      product->product_name.empty() ? "[ProductName?] " : product->product_name + " ";
  const std::string& build =
      product->build_lab_ex.empty() ? product->build_lab : product->build_lab_ex;
  description += build.empty() ? "[BuildLab?]" : "(" + build + ")";
  return description;
}

std::string DocumentsFolder(platform::System& system) {
  const std::optional<std::string> raw = system.RawDocumentsFolder();
  if (!raw || raw->empty()) return std::string();
  std::string folder = system.ExpandEnvironment(*raw);
  if (!folder.empty() && folder.back() == platform::kPathSeparator) folder.pop_back();
  return folder;
}

// Replaces every CR LF pair (left to right, not overlapping) by CR LF + the log indent.
std::string IndentContinuationLines(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
      out += "\r\n";
      out += kLogIndent;
      ++i;
    } else {
      out.push_back(message[i]);
    }
  }
  return out;
}

}  // namespace

Shell::Shell(platform::System& system, platform::Toolkit& toolkit)
    : system_(system), toolkit_(toolkit) {}

Shell::~Shell() = default;

void Shell::Start() {
  // Language from the executable's name. Executables elsewhere carry no extension: the rule
  // reads the name as if it had one, so prelavka_en selects English.
  std::string executable = system_.ExecutablePath();
  if (platform::kExecutableSuffix.empty()) executable += ".exe";
  identity_.language_index = LanguageIndexFromPath(executable);
  identity_.language_code = std::string(kLanguageCodes[identity_.language_index]);
  translations_ = std::make_unique<TranslationList>(identity_.language_index);

  const InstitutionProfile profile = BuildInstitutionProfile();
  identity_.short_name = profile.short_name;
  identity_.server_host = profile.server_host;
  identity_.support_address = profile.support_address;
  identity_.system_name = Translate("ZQ") + " " + identity_.short_name;
  identity_.program_heading = Translate("Prelavka do") + " " + identity_.system_name;
  identity_.window_title = identity_.program_heading + ", verze " + std::string(kVersionMajor) +
                           "." + std::string(kVersionMinor);
  identity_.contact_line = std::string("\r\nKontaktujte prosím vývojový tým "_cp) +
                           identity_.system_name + " na adrese " + identity_.support_address + ".";

  toolkit_.SetApplicationTitle(identity_.window_title);

  identity_.documents_folder = DocumentsFolder(system_);
  identity_.os_description = OsDescription(system_.OsProduct());

  if (platform::FolderExists(identity_.documents_folder)) {
    identity_.application_folder = identity_.documents_folder +
                                   std::string(platform::kPathSeparatorText) + "Prelavka" +
                                   std::string(platform::kPathSeparatorText);
    if (!platform::FolderExists(identity_.application_folder)) {
      platform::CreateFolder(identity_.application_folder);
    }
    if (!platform::FolderExists(identity_.application_folder)) {
      NotifyFatal(std::string("Nemělo by nastat: nelze vytvořit složku "_cp) +
                  identity_.application_folder);
    }
  } else {
    identity_.application_folder = system_.FallbackApplicationFolder();
  }
  picker_start_folder_ = identity_.application_folder;

  const int argument_count = system_.ArgumentCount();
  identity_.run_log_name = RunLogName(argument_count, system_.ProcessId());
  const std::string log_path = identity_.application_folder + identity_.run_log_name;
  run_log_ = RunLog::Open(log_path);
  if (!run_log_) {
    toolkit_.MessageBox(std::string("Nemělo by nastat: nelze zapisovat do \r\n"_cp) + log_path +
                        "\r\n\r\n" + std::string("(Není program již jednou spuštěn?)"_cp));
    system_.Exit(0);
  }

  if (argument_count == 0) {
    LogLine(std::string("V tomto souboru je log posledního spuštění Prelavka do "_cp) +
            identity_.system_name);
  }
  LogLine("Verze programu: 1.125, OS: " + identity_.os_description);

  // From here on the window title shows only as the main window's caption.
  toolkit_.SetApplicationTitle("");
}

bool Shell::StartWith(const Identity& identity, std::string_view log_path) {
  identity_ = identity;
  translations_ = std::make_unique<TranslationList>(identity_.language_index);
  picker_start_folder_ = identity_.application_folder;
  run_log_.reset();  // a log this shell holds is given up before it is opened again
  run_log_ = RunLog::Open(log_path);
  return run_log_ != nullptr;
}

std::string Shell::Translate(std::string_view key) const {
  if (!translations_) return TranslationList(identity_.language_index).Translate(key);
  return translations_->Translate(key);
}

void Shell::LogLine(std::string_view entry) {
  if (!run_log_) return;
  std::string line(entry);
  line += "\r\n";
  run_log_->Append(line);
}

void Shell::NotifyUser(std::string_view message) {
  LogLine(std::string("Hlášeno uživateli:\r\n"_cp) + std::string(kLogIndent) +
          IndentContinuationLines(message));
  toolkit_.MessageBox(message);
}

void Shell::NotifyFatal(std::string_view message) {
  NotifyUser(std::string(message) + identity_.contact_line);
  LogLine("Předchozí chyba byla příliš vážná, program končí."_cp);
  system_.Exit(0);
  std::abort();  // Exit does not return
}

}  // namespace app
