// The image a native transfer delivers: a handle to a DIB (BITMAPINFOHEADER, colour table,
// pixel rows) in a movable global memory block. Some Windows sources hand over a bitmap handle
// instead; that is converted to DIB bytes here.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/twain/MemoryBlock.h"

namespace platform {

// True when the bytes start with a BITMAPINFOHEADER (or a larger header of the same family)
// whose colour table and pixel rows fit inside them: width and height not 0, 1, 4, 8, 16, 24 or
// 32 bits per pixel, uncompressed (or BI_BITFIELDS with its masks). Nothing past the bytes is read.
bool LooksLikeDib(std::span<const std::uint8_t> bytes);

// Takes ownership of the handle a native transfer returned and frees it when destroyed.
class NativeImage {
 public:
  explicit NativeImage(MemoryHandle handle);
  ~NativeImage();
  NativeImage(const NativeImage&) = delete;
  NativeImage& operator=(const NativeImage&) = delete;

  // The DIB bytes (a view of the locked block or of the converted bitmap), or empty when the
  // handle holds no DIB.
  std::span<const std::uint8_t> dib() const { return dib_; }

 private:
  MemoryHandle handle_;
  bool locked_ = false;
  [[maybe_unused]] bool is_bitmap_ = false;  // Windows: the handle held a DDB
  std::vector<std::uint8_t> converted_;
  std::span<const std::uint8_t> dib_;
};

}  // namespace platform
