// Tests' hold on the virtual scanner: the path of the built library (VIRTUAL_SCANNER_PATH), its
// script and its record of received triplets, reached through its exported control functions.
#pragma once

#ifdef _WIN32
#include <windows.h>
// Keep the toolkit's MessageBox and PostMessage free of windows.h's macros.
#undef MessageBox
#undef PostMessage
#else
#include <dlfcn.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "tests/fakes/FakeToolkit.h"
#endif

namespace testing_twain {

// The platform's shared-library loader.
#ifdef _WIN32
inline void* OpenLibrary(const char* path) { return LoadLibraryA(path); }
inline void* LibrarySymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
inline void CloseLibrary(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
#else
inline void* OpenLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
inline void* LibrarySymbol(void* module, const char* name) { return dlsym(module, name); }
inline void CloseLibrary(void* module) { dlclose(module); }
#endif

// Sets or removes an environment variable of this process (0 on success, as setenv).
#ifdef _WIN32
inline int SetEnv(const char* name, const char* value) { return _putenv_s(name, value); }
inline int UnsetEnv(const char* name) { return _putenv_s(name, ""); }
#else
inline int SetEnv(const char* name, const char* value) { return setenv(name, value, 1); }
inline int UnsetEnv(const char* name) { return unsetenv(name); }
#endif

inline constexpr const char* kVirtualScannerPath = VIRTUAL_SCANNER_PATH;

class VirtualScannerControl {
 public:
  VirtualScannerControl() {
    module_ = OpenLibrary(kVirtualScannerPath);
    if (module_ == nullptr) return;
    set_script_ =
        reinterpret_cast<void (*)(const char*)>(LibrarySymbol(module_, "VirtualScannerSetScript"));
    record_ = reinterpret_cast<const char* (*)()>(LibrarySymbol(module_, "VirtualScannerRecord"));
    clear_ = reinterpret_cast<void (*)()>(LibrarySymbol(module_, "VirtualScannerClearRecord"));
    control_word_ =
        reinterpret_cast<unsigned (*)()>(LibrarySymbol(module_, "VirtualScannerLastControlWord"));
  }
  ~VirtualScannerControl() {
    if (set_script_ != nullptr) set_script_(nullptr);
    if (module_ != nullptr) CloseLibrary(module_);
  }
  VirtualScannerControl(const VirtualScannerControl&) = delete;
  VirtualScannerControl& operator=(const VirtualScannerControl&) = delete;

  bool loaded() const {
    return set_script_ != nullptr && record_ != nullptr && clear_ != nullptr &&
           control_word_ != nullptr;
  }
  // Used at the next MSG_OPENDSM; clears the record.
  void SetScript(const std::string& text) {
    set_script_(text.c_str());
    clear_();
  }
  // Back to the script file named by PRELAVKA_VIRTUAL_SCANNER_SCRIPT; clears the record.
  void UseScriptFile() {
    set_script_(nullptr);
    clear_();
  }
  std::string Record() const { return record_(); }
  std::vector<std::string> RecordLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Record());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  void ClearRecord() { clear_(); }
  unsigned LastControlWord() const { return control_word_(); }

 private:
  void* module_ = nullptr;
  void (*set_script_)(const char*) = nullptr;
  const char* (*record_)() = nullptr;
  void (*clear_)() = nullptr;
  unsigned (*control_word_)() = nullptr;
};

#ifdef _WIN32
// A message-only window standing in for the program's window as the parent of the sources: what
// a source posts to it waits in this thread's queue until Pump.
class ParentWindow {
 public:
  ParentWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr)) {}
  ~ParentWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;

  HWND get() const { return window_; }
  // Runs the waiting messages of the window as the program's loop does: each goes to `filter`
  // (the TWAIN message filter) first, and is dispatched when the filter does not take it. Gives
  // the number of messages.
  template <typename Filter>
  int Pump(Filter filter) {
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
      ++count;
      if (!filter(&message)) DispatchMessageW(&message);
    }
    return count;
  }

 private:
  HWND window_;
};

// The fake toolkit with a real window handle, as the sources' parent.
class WindowedToolkit : public fakes::FakeToolkit {
 public:
  explicit WindowedToolkit(HWND window) : window_(window) {}
  void* NativeHandle() override { return window_; }

 private:
  HWND window_;
};
#endif

// A recorded line: "<dest> <dg>/<dat>/<msg>[ cap=<cap>]".
inline std::string Triplet(const std::string& dest, unsigned dg, unsigned dat, unsigned msg,
                           int cap = -1) {
  char text[64];
  std::snprintf(text, sizeof(text), "%s %u/0x%04X/0x%04X", dest.c_str(), dg, dat, msg);
  std::string line = text;
  if (cap >= 0) {
    std::snprintf(text, sizeof(text), " cap=0x%04X", static_cast<unsigned>(cap));
    line += text;
  }
  return line;
}

}  // namespace testing_twain
