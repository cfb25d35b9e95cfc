#include "platform/twain/MemoryBlock.h"

namespace platform {

LockedBlock::LockedBlock(MemoryHandle handle) : handle_(handle) {
  data_ = static_cast<std::uint8_t*>(MemoryLock(handle));
  size_ = data_ == nullptr ? 0 : MemorySize(handle);
}

LockedBlock::~LockedBlock() {
  if (data_ != nullptr) MemoryUnlock(handle_);
}

}  // namespace platform
