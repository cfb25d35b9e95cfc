#include <cstdlib>
#include <cstring>

#include "platform/twain/MemoryBlock.h"

namespace platform {
namespace {

// "PRLVBLK1": marks a block made here.
constexpr std::uint64_t kMagic = 0x314B4C4256524C50ull;

struct alignas(16) Header {
  std::uint64_t magic;
  std::size_t size;
  std::int64_t locks;
};

Header* AsHeader(MemoryHandle handle) {
  if (handle == nullptr) return nullptr;
  auto* header = static_cast<Header*>(handle);
  return header->magic == kMagic ? header : nullptr;
}

}  // namespace

MemoryHandle MemoryAlloc(std::size_t size) {
  if (size > SIZE_MAX - sizeof(Header)) return nullptr;
  void* raw = std::calloc(1, sizeof(Header) + size);
  if (raw == nullptr) return nullptr;
  auto* header = static_cast<Header*>(raw);
  header->magic = kMagic;
  header->size = size;
  header->locks = 0;
  return raw;
}

void* MemoryLock(MemoryHandle handle) {
  Header* header = AsHeader(handle);
  if (header == nullptr) return nullptr;
  ++header->locks;
  return header + 1;
}

void MemoryUnlock(MemoryHandle handle) {
  Header* header = AsHeader(handle);
  if (header != nullptr && header->locks > 0) --header->locks;
}

void MemoryFree(MemoryHandle handle) {
  Header* header = AsHeader(handle);
  if (header == nullptr) return;
  header->magic = 0;
  std::free(header);
}

std::size_t MemorySize(MemoryHandle handle) {
  Header* header = AsHeader(handle);
  return header == nullptr ? 0 : header->size;
}

}  // namespace platform
