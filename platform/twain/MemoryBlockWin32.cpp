#include <windows.h>

#include "platform/twain/MemoryBlock.h"

namespace platform {

MemoryHandle MemoryAlloc(std::size_t size) {
  return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size == 0 ? 1 : size);
}

void* MemoryLock(MemoryHandle handle) {
  return handle == nullptr ? nullptr : GlobalLock(static_cast<HGLOBAL>(handle));
}

void MemoryUnlock(MemoryHandle handle) {
  if (handle != nullptr) GlobalUnlock(static_cast<HGLOBAL>(handle));
}

void MemoryFree(MemoryHandle handle) {
  if (handle != nullptr) GlobalFree(static_cast<HGLOBAL>(handle));
}

std::size_t MemorySize(MemoryHandle handle) {
  return handle == nullptr ? 0 : GlobalSize(static_cast<HGLOBAL>(handle));
}

}  // namespace platform
