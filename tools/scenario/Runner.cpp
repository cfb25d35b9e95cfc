#include "tools/scenario/Runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "platform/Toolkit.h"
#include "platform/twain/TwainComponent.h"
#include "scan/ScannerSession.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using platform::ControlId;
using DialogKind = fakes::FakeToolkit::Answer::Kind;

constexpr ControlId kFocusOrder[] = {
    ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3, ControlId::kEdit3,
    ControlId::kButton4,      ControlId::kComboBox1,    ControlId::kComboBox2,    ControlId::kEdit1,
    ControlId::kCheckBox2,    ControlId::kButton1,      ControlId::kButton2,      ControlId::kEdit2,
    ControlId::kCheckBox1,    ControlId::kButton3};

bool IsCheckable(ControlId control) {
  switch (control) {
    case ControlId::kRadioButton1:
    case ControlId::kRadioButton2:
    case ControlId::kRadioButton3:
    case ControlId::kCheckBox1:
    case ControlId::kCheckBox2:
      return true;
    default:
      return false;
  }
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (std::size_t pos = text.find(from); pos != std::string::npos;
       pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
}

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

const char* YesNo(bool value) { return value ? "yes" : "no"; }

// The address of the local server the scenario sends to ("$SERVER"), from the environment.
std::string ServerAddress() {
  const char* server = std::getenv("PRELAVKA_SCENARIO_SERVER");
  return server == nullptr ? std::string() : std::string(server);
}

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

}  // namespace

Runner::Runner(std::ostream& out, std::string work_folder)
    : out_(out), work_native_(std::move(work_folder)) {
  work_cp1250_ = platform::Cp1250Path(Utf8Path(work_native_));
  scanner_library_ = VIRTUAL_SCANNER_PATH;
  toolkit_.SetAnswerer(
      [this](const fakes::FakeToolkit::Dialog& dialog) { return AnswerDialog(dialog); });
  toolkit_.SetUnexpectedDialogHandler([](const fakes::FakeToolkit::Dialog&) {});
  AddKeywords();
}

Runner::~Runner() = default;

std::string Runner::Expand(const std::string& utf8) const {
  std::string text = utf8;
  ReplaceAll(text, "$WORK", work_native_);
  ReplaceAll(text, "$SERVER", ServerAddress());
  return text;
}

std::string Runner::ProgramText(const std::string& utf8) const {
  std::string cp1250;
  // Characters without a cp1250 byte reach the program as "?", as through a real toolkit.
  if (!text::Utf8ToCp1250(Expand(utf8), cp1250)) cp1250 = "?";
  if (platform::kPathSeparator != '/' && utf8.starts_with("$WORK")) {
    std::replace(cp1250.begin(), cp1250.end(), '/', platform::kPathSeparator);
  }
  return cp1250;
}

std::string Runner::NativePathText(const std::string& utf8) const {
  std::string path = Expand(utf8);
  if (platform::kPathSeparator != '/') {
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
  }
  return path;
}

std::string Runner::Printable(std::string_view cp1250) const {
  std::string text(cp1250);
  ReplaceAll(text, work_cp1250_, "$WORK");
  ReplaceAll(text, ServerAddress(), "$SERVER");
  if (platform::kPathSeparator != '/') {
    std::replace(text.begin(), text.end(), platform::kPathSeparator, '/');
  }
  return text::Cp1250ToUtf8(text);
}

std::string Runner::Quoted(std::string_view cp1250) const {
  std::string out = "\"";
  for (const char c : Printable(cp1250)) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool Runner::Fail(const Command& command, const std::string& message) {
  *errors_ << "scenario line " << command.line << " (" << command.keyword << "): " << message
           << "\n";
  return false;
}

std::optional<fakes::FakeToolkit::Answer> Runner::AnswerDialog(
    const fakes::FakeToolkit::Dialog& dialog) {
  std::string shown;
  switch (dialog.kind) {
    case DialogKind::kMessageBox:
      shown = "message box " + Quoted(dialog.text);
      break;
    case DialogKind::kErrorBox:
      shown = "error box " + Quoted(dialog.text);
      break;
    case DialogKind::kBrowseForFolder:
      shown = "folder browser " + Quoted(dialog.text) + " at " + Quoted(dialog.start_folder);
      break;
    case DialogKind::kAskForNewFolder:
      shown = "new-folder dialog at " + Quoted(dialog.start_folder);
      break;
    case DialogKind::kChooseFromList:
      shown = "list " + Quoted(dialog.text);
      break;
  }
  const bool is_box =
      dialog.kind == DialogKind::kMessageBox || dialog.kind == DialogKind::kErrorBox;
  const bool is_folder =
      dialog.kind == DialogKind::kBrowseForFolder || dialog.kind == DialogKind::kAskForNewFolder;
  const Answer* next = answers_.empty() ? nullptr : &answers_.front();
  fakes::FakeToolkit::Answer answer{dialog.kind, std::nullopt, std::nullopt};
  std::string given;
  if (is_box) {
    // A box has only its OK button: an "answer ok" is taken when it is next, none is needed.
    if (next != nullptr && next->kind == Answer::Kind::kOk) answers_.pop_front();
    given = "OK";
  } else if (next != nullptr && is_folder && next->kind == Answer::Kind::kFolder) {
    answer.folder = next->folder;
    given = Quoted(next->folder);
    answers_.pop_front();
  } else if (next != nullptr && !is_box && next->kind == Answer::Kind::kCancel) {
    given = "cancel";
    answers_.pop_front();
  } else if (next != nullptr && dialog.kind == DialogKind::kChooseFromList &&
             next->kind == Answer::Kind::kChoose) {
    answer.index = next->index;
    given = std::to_string(next->index);
    answers_.pop_front();
  } else {
    out_ << "  " << shown << " -> cancel (UNEXPECTED: no answer for it in the scenario)\n";
    return std::nullopt;
  }
  out_ << "  " << shown << " -> " << given << "\n";
  return answer;
}

bool Runner::Start() {
  if (started_) return true;
  started_ = true;
  shell_ = std::make_unique<app::Shell>(system_, toolkit_);
  form_ = std::make_unique<ui::TForm1>(*shell_, toolkit_);
  if (stub_scanner_) {
    form_->set_scanner_startup({.attach_trace = {},
                                .open = [] { return true; },
                                .describe = [this] { DescribeStubScanner(); }});
  }
  if (virtual_scanner_) InstallVirtualScanner();
  shell_->Start();
  if (!server_.empty()) shell_->OverrideServerHost(server_);
  platform::DispatchEvent(toolkit_, [&] { form_->FormCreate(); });
  return true;
}

void Runner::InstallVirtualScanner() {
  // The virtual scanner reads its script from the file the environment names, at every opening
  // of the source manager.
  const fs::path script_path = Utf8Path(work_native_).parent_path() / "virtual-scanner.txt";
  std::ofstream(script_path, std::ios::binary) << scanner_script_;
  const std::u8string script_name = script_path.u8string();
  SetEnvironment("PRELAVKA_VIRTUAL_SCANNER_SCRIPT",
                 std::string(script_name.begin(), script_name.end()));
  scan::InstallScannerSession(*form_, *shell_, toolkit_, scanner_library_);
}

void Runner::DescribeStubScanner() {
  // As the scanner session applies what the scanner reported.
  ui::ScannerFlags& flags = form_->scanner_flags();
  flags = *stub_scanner_;
  toolkit_.SetEnabled(ControlId::kButton1, flags.flatbed);
  toolkit_.SetEnabled(ControlId::kButton2, flags.feeder);
  if (flags.feeder) {
    toolkit_.SetEnabled(ControlId::kLabel11, flags.duplex);
    toolkit_.SetEnabled(ControlId::kCheckBox2, flags.duplex);
  }
  toolkit_.BringToForeground();
}

void Runner::AddKeywords() {
  AddEnvironmentKeywords();
  AddFileKeywords();
  AddActionKeywords();
}

void Runner::AddEnvironmentKeywords() {
  keywords_["executable"] = {Phase::kBeforeStart, [this](const Command& c) {
                               system_.executable_path = ProgramText(c.rest);
                               return true;
                             }};
  keywords_["arguments"] = {Phase::kBeforeStart, [this](const Command& c) {
                              try {
                                system_.argument_count = std::stoi(c.rest);
                              } catch (const std::exception&) {
                                return Fail(c, "a count of arguments is needed");
                              }
                              return true;
                            }};
  keywords_["documents"] = {Phase::kBeforeStart, [this](const Command& c) {
                              if (c.rest == "none") {
                                system_.raw_documents_folder.reset();
                              } else {
                                system_.raw_documents_folder = ProgramText(c.rest);
                              }
                              return true;
                            }};
  keywords_["fallback"] = {Phase::kBeforeStart, [this](const Command& c) {
                             system_.fallback_application_folder = ProgramText(c.rest);
                             return true;
                           }};
  // A stand-in for a scanner until the scanning subsystem is there: the session opens and the
  // listed capabilities (flatbed, feeder, duplex) are what the scanner reports.
  keywords_["stub-scanner"] = {Phase::kBeforeStart, [this](const Command& c) {
                                 ui::ScannerFlags flags{true, false, false, false};
                                 for (const std::string& word : c.Words()) {
                                   if (word == "flatbed") {
                                     flags.flatbed = true;
                                   } else if (word == "feeder") {
                                     flags.feeder = true;
                                   } else if (word == "duplex") {
                                     flags.duplex = true;
                                   } else {
                                     return Fail(c, "capabilities: flatbed, feeder, duplex");
                                   }
                                 }
                                 stub_scanner_ = flags;
                                 return true;
                               }};
  // The virtual scanner as the scanner: each statement of its script on a line of its own
  // ("scanner source Feeder", "scanner cap ICAP_UNITS enum 0", ...; tools/virtual_scanner).
  keywords_["scanner"] = {Phase::kBeforeStart, [this](const Command& c) {
                            virtual_scanner_ = true;
                            scanner_script_ += c.rest + "\n";
                            return true;
                          }};
  // Another source manager library in place of the virtual scanner ("none": a missing one).
  keywords_["scanner-library"] = {Phase::kBeforeStart, [this](const Command& c) {
                                    virtual_scanner_ = true;
                                    scanner_library_ =
                                        c.rest == "none" ? NativePathText("$WORK/no-twain-library")
                                                         : NativePathText(c.rest);
                                    return true;
                                  }};
  // Where the send goes: host and port ("server $SERVER": the local depository server).
  keywords_["server"] = {Phase::kBeforeStart, [this](const Command& c) {
                           server_ = ProgramText(c.rest);
                           return true;
                         }};
  keywords_["env"] = {Phase::kBeforeStart, [this](const Command& c) {
                        system_.environment[c.FirstWord()] = ProgramText(c.AfterFirstWord());
                        return true;
                      }};
}

void Runner::AddFileKeywords() {
  keywords_["mkdir"] = {Phase::kAnyTime, [this](const Command& c) {
                          std::error_code error;
                          fs::create_directories(Utf8Path(NativePathText(c.rest)), error);
                          return error ? Fail(c, error.message()) : true;
                        }};
  keywords_["file"] = {Phase::kAnyTime, [this](const Command& c) {
                         std::ofstream file(Utf8Path(NativePathText(c.rest)), std::ios::binary);
                         return file ? true : Fail(c, "cannot create the file");
                       }};
  keywords_["files"] = {
      Phase::kAnyTime, [this](const Command& c) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(Utf8Path(NativePathText(c.rest)), error)) {
          const std::u8string name = entry.path().filename().u8string();
          names.emplace_back(name.begin(), name.end());
          std::error_code type_error;
          if (entry.is_directory(type_error)) names.back() += "/";
        }
        if (error) return Fail(c, error.message());
        std::sort(names.begin(), names.end());
        out_ << " ";
        for (const std::string& name : names) out_ << " " << name;
        out_ << (names.empty() ? " (empty)\n" : "\n");
        return true;
      }};
}

void Runner::AddActionKeywords() {
  auto control_of = [this](const Command& command) -> std::optional<ControlId> {
    const std::optional<ControlId> control = platform::ControlByName(command.FirstWord());
    if (!control) Fail(command, "no control named \"" + command.FirstWord() + "\"");
    return control;
  };
  keywords_["start"] = {Phase::kRunning, [](const Command&) { return true; }};  // see Run
  keywords_["click"] = {Phase::kRunning, [this, control_of](const Command& c) {
                          const auto control = control_of(c);
                          if (!control) return false;
                          if (!toolkit_.Click(*control)) out_ << "  (disabled: no click)\n";
                          return true;
                        }};
  keywords_["type"] = {Phase::kRunning, [this, control_of](const Command& c) {
                         const auto control = control_of(c);
                         if (!control) return false;
                         toolkit_.Type(*control, ProgramText(c.AfterFirstWord()));
                         return true;
                       }};
  keywords_["focus"] = {Phase::kRunning, [this, control_of](const Command& c) {
                          const auto control = control_of(c);
                          if (!control) return false;
                          toolkit_.MoveFocus(*control);
                          return true;
                        }};
  keywords_["leave"] = {
      Phase::kRunning, [this, control_of](const Command& c) {
        const auto control = control_of(c);
        if (!control) return false;
        const auto* it = std::find(std::begin(kFocusOrder), std::end(kFocusOrder), *control);
        if (it == std::end(kFocusOrder)) return Fail(c, "the control takes no focus");
        const auto* next = it + 1 == std::end(kFocusOrder) ? std::begin(kFocusOrder) : it + 1;
        if (toolkit_.focus() != *control) toolkit_.MoveFocus(*control);
        toolkit_.MoveFocus(*next);
        return true;
      }};
  keywords_["answer"] = {
      Phase::kRunning, [this](const Command& c) {
        const std::string kind = c.FirstWord();
        if (kind == "ok") {
          answers_.push_back({Answer::Kind::kOk, {}, 0});
        } else if (kind == "cancel") {
          answers_.push_back({Answer::Kind::kCancel, {}, 0});
        } else if (kind == "folder") {
          answers_.push_back({Answer::Kind::kFolder, ProgramText(c.AfterFirstWord()), 0});
        } else if (kind == "choose") {
          try {
            answers_.push_back({Answer::Kind::kChoose, {}, std::stoi(c.AfterFirstWord())});
          } catch (const std::exception&) {
            return Fail(c, "choose needs an index");
          }
        } else {
          return Fail(c, "answer ok, cancel, folder <path> or choose <index>");
        }
        return true;
      }};
  keywords_["run"] = {Phase::kRunning, [this](const Command&) {
                        const int count = toolkit_.RunPostedMessages();
                        // A scanner whose source manager passes window messages sees some.
                        int message = 0;
                        for (int i = 0; i < 10 && platform::TwainMessageFilter(&message); ++i) {
                        }
                        out_ << "  (" << count << " posted message" << (count == 1 ? "" : "s")
                             << " ran)\n";
                        return true;
                      }};
  keywords_["show"] = {Phase::kRunning, [this](const Command& c) {
                         std::vector<ControlId> controls;
                         for (const std::string& name : c.Words()) {
                           const std::optional<ControlId> control = platform::ControlByName(name);
                           if (!control) return Fail(c, "no control named \"" + name + "\"");
                           controls.push_back(*control);
                         }
                         PrintWindow(controls);
                         return true;
                       }};
}

int Runner::Run(const std::vector<Command>& commands, std::ostream& errors) {
  errors_ = &errors;
  std::optional<int> exit_code;
  try {
    for (const Command& command : commands) {
      const auto it = keywords_.find(command.keyword);
      if (it == keywords_.end()) {
        Fail(command, "unknown keyword");
        return 2;
      }
      const Phase phase = it->second.phase;
      if (phase == Phase::kBeforeStart && started_) {
        Fail(command, "the environment is set before the program starts");
        return 2;
      }
      if (phase == Phase::kRunning && !started_) {
        out_ << "> start\n";
        Start();
      }
      if (command.keyword != "start") {
        out_ << "> " << command.keyword << (command.rest.empty() ? "" : " ") << command.rest
             << "\n";
        if (!it->second.handler(command)) return 2;
      }
    }
    if (!started_) {
      out_ << "> start\n";
      Start();
    }
  } catch (const fakes::ExitCalled& exit) {
    exit_code = exit.code;
    out_ << "  (the program ended with exit code " << exit.code
         << "; the commands after this one are not run)\n";
  }
  if (!answers_.empty()) out_ << "(" << answers_.size() << " answers not used)\n";
  PrintRunLog();
  if (!exit_code) PrintWindow({});
  return 0;
}

void Runner::PrintRunLog() {
  out_ << "== run log ==\n";
  if (!shell_ || shell_->run_log() == nullptr) {
    out_ << "(no run log)\n";
    return;
  }
  std::ifstream in(platform::NativePath(shell_->run_log()->path()), std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text = Printable(log);
  ReplaceAll(text, "\r\n", "\n");
  out_ << text;
  if (!text.empty() && text.back() != '\n') out_ << "\\ (no line end)\n";
}

void Runner::PrintWindow(const std::vector<ControlId>& only) {
  if (!only.empty()) {
    for (const ControlId control : only) PrintControl(control);
    return;
  }
  out_ << "== window ==\n";
  out_ << "caption: " << Quoted(toolkit_.Caption()) << "\n";
  const auto focus = toolkit_.focus();
  out_ << "focus: " << (focus ? std::string(platform::ControlName(*focus)) : "(none)") << "\n";
  if (!toolkit_.posted().empty()) {
    out_ << "posted messages waiting: " << toolkit_.posted().size() << "\n";
  }
  out_ << std::left << std::setw(14) << "control" << std::setw(8) << "enabled" << std::setw(8)
       << "checked" << std::setw(8) << "visible"
       << "text\n";
  for (const ControlId control : platform::AllControls()) PrintControl(control);
}

void Runner::PrintControl(ControlId control) {
  out_ << std::left << std::setw(14) << platform::ControlName(control) << std::setw(8)
       << YesNo(toolkit_.Enabled(control)) << std::setw(8)
       << (IsCheckable(control) ? YesNo(toolkit_.Checked(control)) : "-") << std::setw(8)
       << YesNo(toolkit_.Visible(control));
  if (control == ControlId::kProgressBar1) {
    out_ << "position " << toolkit_.Position(control);
  } else {
    out_ << Quoted(toolkit_.Text(control));
  }
  const std::vector<std::string> items = toolkit_.Items(control);
  if (!items.empty()) {
    out_ << " items:";
    for (const std::string& item : items) out_ << " " << Quoted(item);
  }
  out_ << "\n";
}

}  // namespace scenario
