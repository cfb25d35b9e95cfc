// The multipart boundary of a send.
#pragma once

#include <cstdint>
#include <string>

namespace upload {

// The program's pseudo-random generator and the boundaries drawn from it. The seed starts at 0
// and is never taken from the clock, so the n-th send of every run uses the same boundary; one
// generator lives for the whole run.
class BoundaryGenerator {
 public:
  // Continues from a seed kept by the caller (0 at the start of a run).
  explicit BoundaryGenerator(std::uint32_t seed = 0) : seed_(seed) {}
  std::uint32_t seed() const { return seed_; }
  // 32-bit linear congruential step seed := seed * 134775813 + 1, then the upper 32 bits of
  // seed * 2147483647: a value from 0 to 2147483646.
  std::uint32_t Draw();
  // Five draws as five groups of 8 upper-case hexadecimal digits, then "_ZQ_Scan_boundary"
  // (57 characters).
  std::string NextBoundary();

 private:
  std::uint32_t seed_ = 0;
};

}  // namespace upload
