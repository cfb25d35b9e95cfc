#include "platform/twain/NativeImage.h"

#include <cstring>

namespace platform {
namespace {

template <typename T>
T Read(std::span<const std::uint8_t> bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

}  // namespace

bool LooksLikeDib(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kInfoHeaderSize = 40;
  if (bytes.size() < kInfoHeaderSize) return false;
  const auto header_size = Read<std::uint32_t>(bytes, 0);
  const auto width = Read<std::int32_t>(bytes, 4);
  const auto height = Read<std::int32_t>(bytes, 8);
  const auto planes = Read<std::uint16_t>(bytes, 12);
  const auto bit_count = Read<std::uint16_t>(bytes, 14);
  const auto compression = Read<std::uint32_t>(bytes, 16);
  const auto colours_used = Read<std::uint32_t>(bytes, 32);
  if (header_size < kInfoHeaderSize || header_size > bytes.size()) return false;
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1) return false;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 &&
      bit_count != 32) {
    return false;
  }
  constexpr std::uint32_t kBiRgb = 0;
  constexpr std::uint32_t kBiBitfields = 3;
  std::uint64_t table = 0;
  if (compression == kBiBitfields && (bit_count == 16 || bit_count == 32)) {
    if (header_size == kInfoHeaderSize) table = 12;
  } else if (compression != kBiRgb) {
    return false;
  }
  if (bit_count <= 8) {
    const std::uint64_t entries = colours_used == 0 ? (1u << bit_count) : colours_used;
    if (entries > (1u << bit_count)) return false;
    table += entries * 4;
  }
  const std::uint64_t row = ((static_cast<std::uint64_t>(width) * bit_count + 31) / 32) * 4;
  const std::uint64_t rows = height < 0
                                 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(height))
                                 : static_cast<std::uint64_t>(height);
  const std::uint64_t needed = header_size + table + row * rows;
  return needed <= bytes.size();
}

}  // namespace platform
