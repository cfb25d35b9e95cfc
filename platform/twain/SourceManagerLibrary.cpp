#include "platform/twain/SourceManagerLibrary.h"

#include <cstdlib>

namespace platform {

std::vector<std::string> WindowsSourceManagerCandidates(const SourceManagerFolders& folders,
                                                        bool process_is_64_bit) {
  std::vector<std::string> names;
  if (process_is_64_bit) names.push_back("TWAINDSM.DLL");
  names.push_back("TWAIN_32.DLL");
  std::vector<std::string> candidates;
  for (const std::string& name : names) {
    for (const std::string* folder : {&folders.windows, &folders.system, &folders.current,
                                      &folders.program, &folders.temporary}) {
      if (folder->empty()) continue;
      std::string path = *folder;
      if (path.back() != '\\' && path.back() != '/') path += '\\';
      candidates.push_back(path + name);
    }
  }
  return candidates;
}

SourceManagerLibrary::~SourceManagerLibrary() { Unload(); }

bool SourceManagerLibrary::Load(const std::string& injected_path) {
  if (loaded()) return true;
  if (!injected_path.empty()) return LoadOne(injected_path);
  if (const char* chosen = std::getenv("PRELAVKA_TWAIN_LIBRARY"); chosen != nullptr && *chosen) {
    return LoadOne(chosen);
  }
  for (const std::string& candidate : SourceManagerCandidates()) {
    if (LoadOne(candidate)) return true;
  }
  return false;
}

}  // namespace platform
