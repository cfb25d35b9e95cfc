// Byte blocks for the Niawt tests: containers and structures laid out as a driver would hand
// them over, in heap blocks of their exact size (so a read past the end is caught by ASan).
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "scan/Niawt.h"

namespace scan::testing {

class Bytes {
 public:
  template <typename T>
  Bytes& Put(T value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    bytes_.insert(bytes_.end(), bytes, bytes + sizeof(T));
    return *this;
  }
  Bytes& U16(std::uint16_t value) { return Put(value); }
  Bytes& U32(std::uint32_t value) { return Put(value); }
  Bytes& Fix32(std::int16_t whole, std::uint16_t frac) {
    return U16(static_cast<std::uint16_t>(whole)).U16(frac);
  }
  // `count` bytes: the text, then NULs.
  Bytes& Text(std::string_view text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      bytes_.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
    return *this;
  }
  Bytes& Fill(std::uint8_t byte, std::size_t count) {
    bytes_.insert(bytes_.end(), count, byte);
    return *this;
  }
  // Overwrites bytes at `offset` with the value.
  template <typename T>
  Bytes& At(std::size_t offset, T value) {
    if (bytes_.size() < offset + sizeof(T)) bytes_.resize(offset + sizeof(T));
    std::memcpy(bytes_.data() + offset, &value, sizeof(T));
    return *this;
  }

  std::size_t size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// A heap block of exactly the given bytes.
class Block {
 public:
  explicit Block(const Bytes& bytes) : Block(bytes.bytes()) {}
  explicit Block(const std::vector<std::uint8_t>& bytes)
      : size_(bytes.size()), data_(new std::uint8_t[bytes.size() == 0 ? 1 : bytes.size()]) {
    if (!bytes.empty()) std::memcpy(data_.get(), bytes.data(), bytes.size());
  }
  BlockView view() const { return BlockView(data_.get(), size_); }
  // The first `size` bytes, in a block of their own.
  Block Prefix(std::size_t size) const {
    return Block(std::vector<std::uint8_t>(data_.get(), data_.get() + size));
  }
  std::uint8_t* data() { return data_.get(); }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> data_;
};

// Container memory over blocks the test owns; the handle is the block's address. Counts locks.
class FakeContainerMemory : public ContainerMemory {
 public:
  twain::TW_HANDLE Add(const Bytes& bytes) {
    auto block = std::make_unique<Block>(bytes);
    twain::TW_HANDLE handle = block->data();
    blocks_[handle] = std::move(block);
    return handle;
  }
  BlockView Lock(twain::TW_HANDLE handle) override {
    const auto it = blocks_.find(handle);
    if (it == blocks_.end()) return {};
    ++locks;
    return it->second->view();
  }
  void Unlock(twain::TW_HANDLE handle) override {
    if (blocks_.count(handle) != 0) ++unlocks;
  }

  int locks = 0;
  int unlocks = 0;

 private:
  std::map<twain::TW_HANDLE, std::unique_ptr<Block>> blocks_;
};

}  // namespace scan::testing
