// Numbered names from a fixed prefix and suffix: the page counter of a scan folder
// (prefix = scan folder path, suffix ".bmp") and the counter of new sken_tmp folders.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

class FileNameCounter {
 public:
  FileNameCounter(std::string prefix, std::int32_t start, std::string suffix);

  // prefix + the counter in decimal (no padding) + suffix.
  std::string CurrentName() const;
  // Adds 1 to the counter, then gives CurrentName. Past 2147483647 the counter wraps to
  // -2147483648, as a 32-bit counter does (never undefined behaviour).
  std::string NextName();

  std::int32_t counter() const { return counter_; }

 private:
  std::int32_t counter_;
  std::string prefix_;
  std::string suffix_;
};

}  // namespace ui
