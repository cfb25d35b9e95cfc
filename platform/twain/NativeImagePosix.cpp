#include "platform/twain/NativeImage.h"

namespace platform {

NativeImage::NativeImage(MemoryHandle handle) : handle_(handle) {
  auto* data = static_cast<const std::uint8_t*>(MemoryLock(handle_));
  if (data == nullptr) return;
  locked_ = true;
  std::span<const std::uint8_t> bytes(data, MemorySize(handle_));
  if (LooksLikeDib(bytes)) dib_ = bytes;
}

NativeImage::~NativeImage() {
  if (locked_) MemoryUnlock(handle_);
  MemoryFree(handle_);
}

}  // namespace platform
