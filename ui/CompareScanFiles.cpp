#include "ui/CompareScanFiles.h"

#include <algorithm>
#include <optional>

#include "platform/Cp1250.h"
#include "platform/FileSystem.h"
#include "ui/IntegerReader.h"

namespace ui {
namespace {

// The lower-case counterpart of a Unicode letter of cp1250 (others stay as they are).
char32_t LowerCase(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  // Latin Extended-A: pairs upper/lower at even/odd code points, except 0x139-0x148 and
  // 0x179-0x17E where the upper case is odd.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1u;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1u) ? c + 1 : c;
  return c;
}

char32_t CodePoint(char byte) { return text::kCp1250ToUnicode[static_cast<unsigned char>(byte)]; }

int Sign(long long value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

std::optional<std::int32_t> EntryNumber(std::string_view path) {
  const std::size_t separator = path.rfind(platform::kPathSeparator);
  const std::size_t start = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t end = path.ends_with(".dib") ? path.rfind('-') : path.rfind('.');
  if (end == std::string_view::npos || end <= start) return ReadInteger("");
  return ReadInteger(path.substr(start, end - start));
}

}  // namespace

int CompareLocaleText(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char32_t la = LowerCase(CodePoint(a[i]));
    const char32_t lb = LowerCase(CodePoint(b[i]));
    if (la != lb) return la < lb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    const bool a_lower = LowerCase(CodePoint(a[i])) == CodePoint(a[i]);
    const bool b_lower = LowerCase(CodePoint(b[i])) == CodePoint(b[i]);
    if (a_lower != b_lower) return a_lower ? -1 : 1;
    return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  }
  return 0;
}

int CompareScanPaths(std::string_view a, std::string_view b) {
  const std::optional<std::int32_t> number_a = EntryNumber(a);
  const std::optional<std::int32_t> number_b = EntryNumber(b);
  if (!number_a && !number_b) return CompareLocaleText(a, b);
  if (!number_a) return -1;
  if (!number_b) return 1;
  return Sign(static_cast<long long>(*number_a) - *number_b);
}

int CompareScanFiles(const std::vector<std::string>& list, std::size_t index1, std::size_t index2) {
  return CompareScanPaths(list.at(index1), list.at(index2));
}

std::optional<std::int32_t> PageNumberOfName(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  return ReadInteger(name.substr(0, dot));
}

std::int32_t HighestPageNumber(const std::vector<std::string>& names) {
  std::int32_t highest = 1000;
  for (const std::string& name : names) {
    if (const std::optional<std::int32_t> number = PageNumberOfName(name);
        number && *number > highest) {
      highest = *number;
    }
  }
  return highest;
}

std::string PageKindOfName(std::string_view name) {
  std::string kind(name.substr(name.size() >= 4 ? name.size() - 4 : 0));
  for (char& c : kind) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return kind;
}

}  // namespace ui
