// The names of a loaded scan folder: the order of its page lists (CompareScanPaths), the page
// numbers its names carry and the page counter that goes on after them, over any file names.
//
// Input: file names separated by "\n" (at most 24 are taken).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "ui/CompareScanFiles.h"
#include "ui/FileNameCounter.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names;
  while (names.size() < 24) {
    const std::size_t end = rest.find('\n');
    names.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  const std::string folder = std::string("sken_tmp1") + platform::kPathSeparator;
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(folder + name);

  // The order is a strict weak order: irreflexive, antisymmetric, transitive, with transitive
  // equivalence; otherwise sorting the page list is undefined.
  const std::size_t n = paths.size();
  std::vector<int> order(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      order[i * n + j] = Sign(ui::CompareScanPaths(paths[i], paths[j]));
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (order[i * n + i] != 0) std::abort();
    for (std::size_t j = 0; j < n; ++j) {
      if (order[i * n + j] != -order[j * n + i]) std::abort();
      for (std::size_t k = 0; k < n; ++k) {
        const int ij = order[i * n + j];
        const int jk = order[j * n + k];
        if (ij == jk && order[i * n + k] != ij) std::abort();
      }
    }
  }
  std::vector<std::string> sorted = paths;
  std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    return ui::CompareScanPaths(a, b) < 0;
  });
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    if (ui::CompareScanPaths(sorted[i - 1], sorted[i]) > 0) std::abort();
  }

  // The next page goes after the highest number found and never takes the name of a file that
  // is there. Except after 2147483647, where the counter wraps to -2147483648 (FileNameCounter),
  // which may be there: the page save refuses to replace it (regression test in
  // scan_fault_tests, ANewPageNeverReplacesAPageThatIsThere).
  const std::int32_t highest = ui::HighestPageNumber(names);
  if (highest < 1000) std::abort();
  for (const std::string& name : names) {
    if (const auto number = ui::PageNumberOfName(name); number && *number > highest) std::abort();
    const std::string kind = ui::PageKindOfName(name);
    if (kind.size() != std::min<std::size_t>(name.size(), 4)) std::abort();
  }
  ui::FileNameCounter counter(folder, highest, ".bmp");
  const std::string next = counter.NextName();
  if (highest != INT32_MAX && std::find(paths.begin(), paths.end(), next) != paths.end()) {
    std::abort();
  }
  return 0;
}
