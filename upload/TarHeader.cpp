#include "upload/TarHeader.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"

namespace upload {
namespace {

constexpr std::string_view kModeOwnerGroup{
    "010777\0"
    "0000000\0"
    "0000000\0\0",
    24};
constexpr std::string_view kModificationTime = "10357264367";  // 2006-01-05 18:44:07 UTC

bool IsSeparator(char c) { return c == '/' || c == platform::kPathSeparator; }

bool EndsWithDib(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  constexpr std::string_view kDib = ".dib";
  for (std::size_t i = 0; i < 4; ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kDib[i]) return false;
  }
  return true;
}

// Writes `value` as exactly `digits` octal digits with leading zeros.
void PutOctal(std::uint32_t value, std::size_t digits, unsigned char* out) {
  for (std::size_t i = digits; i-- > 0;) {
    out[i] = static_cast<unsigned char>('0' + (value & 7u));
    value >>= 3;
  }
}

}  // namespace

std::string PageFileName(std::string_view page_path) {
  const auto separator = std::find_if(page_path.rbegin(), page_path.rend(), IsSeparator);
  return std::string(separator.base(), page_path.end());
}

std::string TarMemberName(std::string_view page_path) {
  std::string name = PageFileName(page_path);
  if (EndsWithDib(name)) name.replace(name.size() - 4, 4, ".bmp");
  if (name.size() > kTarNameLimit) name.resize(kTarNameLimit);
  return name;
}

TarBlock BuildTarHeader(std::string_view member_name, std::uint32_t size) {
  TarBlock block{};
  const std::size_t name_length = std::min(member_name.size(), kTarNameLimit);
  std::memcpy(block.data(), member_name.data(), name_length);
  std::memcpy(block.data() + 100, kModeOwnerGroup.data(), kModeOwnerGroup.size());
  PutOctal(size, 11, block.data() + 124);
  std::memcpy(block.data() + 136, kModificationTime.data(), kModificationTime.size());
  block[156] = '0';
  // Tar checksum: every header byte as unsigned, the eight checksum bytes counted as spaces.
  std::uint32_t sum = 8 * ' ';
  for (const unsigned char byte : block) sum += byte;
  PutOctal(sum, 6, block.data() + 148);
  return block;
}

}  // namespace upload
