// Finding and loading the TWAIN source manager library and taking its entry point DSM_Entry.
#pragma once

#include <string>
#include <vector>

#include "platform/twain/TwainDefs.h"

namespace platform {

// The folders a Windows process searches for the source manager, in this order.
struct SourceManagerFolders {
  std::string windows;    // the Windows folder
  std::string system;     // the system folder
  std::string current;    // the current folder
  std::string program;    // the folder of the program's executable
  std::string temporary;  // the temporary folder
};

// The Windows candidates in search order: for a 32-bit process TWAIN_32.DLL in each folder; for a
// 64-bit process TWAINDSM.DLL in each folder, then TWAIN_32.DLL in each folder. Empty folders are
// skipped. Paths are cp1250 and joined with a backslash.
std::vector<std::string> WindowsSourceManagerCandidates(const SourceManagerFolders& folders,
                                                        bool process_is_64_bit);

// The candidates of this platform in search order (Linux: libtwaindsm.so through the dynamic
// loader's own search, then its versioned name).
std::vector<std::string> SourceManagerCandidates();

class SourceManagerLibrary {
 public:
  SourceManagerLibrary() = default;
  ~SourceManagerLibrary();
  SourceManagerLibrary(const SourceManagerLibrary&) = delete;
  SourceManagerLibrary& operator=(const SourceManagerLibrary&) = delete;

  // Loads the first candidate that loads and exports DSM_Entry. With an injected path only that
  // file is tried; else, when the environment variable PRELAVKA_TWAIN_LIBRARY names a file (the
  // demo on the virtual scanner), only that one. False when none does.
  bool Load(const std::string& injected_path);
  void Unload();

  bool loaded() const { return entry_ != nullptr; }
  twain::DsmEntryProc entry() const { return entry_; }
  // The path that was loaded (cp1250).
  const std::string& path() const { return path_; }

 private:
  bool LoadOne(const std::string& path);

  void* module_ = nullptr;
  twain::DsmEntryProc entry_ = nullptr;
  std::string path_;
};

}  // namespace platform
