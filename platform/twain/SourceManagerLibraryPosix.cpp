#include <dlfcn.h>

#include "platform/twain/SourceManagerLibrary.h"

namespace platform {

std::vector<std::string> SourceManagerCandidates() {
  return {"libtwaindsm.so", "libtwaindsm.so.2"};
}

bool SourceManagerLibrary::LoadOne(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return false;
  void* symbol = dlsym(module, "DSM_Entry");
  if (symbol == nullptr) {
    dlclose(module);
    return false;
  }
  module_ = module;
  entry_ = reinterpret_cast<twain::DsmEntryProc>(symbol);
  path_ = path;
  return true;
}

void SourceManagerLibrary::Unload() {
  if (module_ != nullptr) dlclose(module_);
  module_ = nullptr;
  entry_ = nullptr;
  path_.clear();
}

}  // namespace platform
