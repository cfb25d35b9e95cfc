#include "ui/ShortenFolderPath.h"

#include "platform/FileSystem.h"

namespace ui {

std::string ShortenFolderPath(std::string_view path) {
  std::string_view work = path;
  if (!work.empty() && work.back() == platform::kPathSeparator) work.remove_suffix(1);
  std::string result;
  for (int level = 0; level < 3 && !work.empty(); ++level) {
    const std::size_t separator = work.rfind(platform::kPathSeparator);
    if (separator == std::string_view::npos) {
      result.insert(0, work);
      work = {};
      break;
    }
    result.insert(0, work.substr(separator));
    work = work.substr(0, separator);
  }
  if (!work.empty()) result.insert(0, "...");
  return result;
}

}  // namespace ui
