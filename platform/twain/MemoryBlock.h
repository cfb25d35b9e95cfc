// Movable memory blocks of the kind TWAIN passes by handle: capability containers and native
// images. Windows: the global memory functions (GlobalAlloc and friends), so blocks made by a
// driver and by the program are interchangeable. Elsewhere: a plain allocated block with a small
// header of our own, recognised by a magic number so a handle we did not make is refused instead
// of read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

using MemoryHandle = void*;

// A zero-filled movable block of `size` bytes, or nullptr when it cannot be allocated.
MemoryHandle MemoryAlloc(std::size_t size);
// The block's contents, or nullptr for nullptr or a handle that is not a block. Locks nest.
void* MemoryLock(MemoryHandle handle);
void MemoryUnlock(MemoryHandle handle);
// Frees the block (nullptr is ignored).
void MemoryFree(MemoryHandle handle);
// Size of the block in bytes; 0 for nullptr or a handle that is not a block.
std::size_t MemorySize(MemoryHandle handle);

// Locks a block for the lifetime of the object and gives its bytes. Does not own the block.
class LockedBlock {
 public:
  explicit LockedBlock(MemoryHandle handle);
  ~LockedBlock();
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;

  bool valid() const { return data_ != nullptr; }
  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> bytes() const { return {data_, size_}; }

 private:
  MemoryHandle handle_;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// Owns a block: frees it when destroyed.
class OwnedBlock {
 public:
  OwnedBlock() = default;
  explicit OwnedBlock(MemoryHandle handle) : handle_(handle) {}
  ~OwnedBlock() { MemoryFree(handle_); }
  OwnedBlock(const OwnedBlock&) = delete;
  OwnedBlock& operator=(const OwnedBlock&) = delete;
  OwnedBlock(OwnedBlock&& other) noexcept : handle_(other.release()) {}
  OwnedBlock& operator=(OwnedBlock&& other) noexcept {
    if (this != &other) {
      MemoryFree(handle_);
      handle_ = other.release();
    }
    return *this;
  }

  MemoryHandle get() const { return handle_; }
  MemoryHandle release() {
    MemoryHandle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  MemoryHandle handle_ = nullptr;
};

}  // namespace platform
