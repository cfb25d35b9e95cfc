#include "upload/Boundary.h"

#include <array>

namespace upload {

std::uint32_t BoundaryGenerator::Draw() {
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<std::uint32_t>((std::uint64_t{seed_} * 2147483647u) >> 32);
}

std::string BoundaryGenerator::NextBoundary() {
  constexpr std::array<char, 16> kDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                            '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
  std::string boundary;
  for (int group = 0; group < 5; ++group) {
    const std::uint32_t value = Draw();
    for (int shift = 28; shift >= 0; shift -= 4)
      boundary.push_back(kDigits[(value >> shift) & 15u]);
  }
  return boundary + "_ZQ_Scan_boundary";
}

}  // namespace upload
