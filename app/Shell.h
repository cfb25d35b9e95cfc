// The application shell: start-up, identity, the run log and the notices to the user.
//
// One Shell lives for the whole run; the main window and the components reach the run log and
// the notices through it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "app/Identity.h"
#include "app/PomocnaUnita.h"
#include "app/RunLog.h"
#include "platform/System.h"
#include "platform/Toolkit.h"

namespace app {

// Lines of a log entry that belong to a heading line start with this indent.
inline constexpr std::string_view kLogIndent = "   ";

class Shell {
 public:
  Shell(platform::System& system, platform::Toolkit& toolkit);
  ~Shell();

  // The start-up sequence before the main window exists: language, translations, profile,
  // identity texts, registry reads, folders, the run log and its first lines. Ends the process
  // (exit code 0) when the application folder cannot be made or the run log cannot be opened.
  void Start();
  // For tests: a shell whose identity is given (its language selects the translations) and
  // whose run log is opened at `log_path`. False when the log cannot be opened.
  bool StartWith(const Identity& identity, std::string_view log_path);

  const Identity& identity() const { return identity_; }
  // The scenario driver's seam: sends go to this host (a local depository server) instead of
  // the profile's.
  void OverrideServerHost(std::string host) { identity_.server_host = std::move(host); }
  // Where the folder picker opens; the scan folder updates it.
  const std::string& picker_start_folder() const { return picker_start_folder_; }
  void set_picker_start_folder(std::string folder) { picker_start_folder_ = std::move(folder); }

  // Looks a key of the translation table up (letter case ignored). A key that is not in the
  // table is a programming error.
  std::string Translate(std::string_view key) const;

  // Appends one entry and CR LF to the run log and flushes it. Throws platform::IoError when
  // the write or the flush fails. Does nothing before the run log is open.
  void LogLine(std::string_view entry);
  // Logs "Hlášeno uživateli:" and the indented message, then shows the message in a modal box.
  void NotifyUser(std::string_view message);
  // NotifyUser(message + contact line), a closing log line, then ends the process with code 0.
  [[noreturn]] void NotifyFatal(std::string_view message);

  // The open run log (null before it is open): the TWAIN component writes its trace into it.
  RunLog* run_log() { return run_log_.get(); }
  platform::System& system() { return system_; }
  platform::Toolkit& toolkit() { return toolkit_; }

 private:
  platform::System& system_;
  platform::Toolkit& toolkit_;
  Identity identity_;
  std::string picker_start_folder_;
  std::unique_ptr<TranslationList> translations_;
  std::unique_ptr<RunLog> run_log_;
};

}  // namespace app
