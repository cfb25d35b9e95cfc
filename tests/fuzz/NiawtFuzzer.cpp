// Niawt's renderings of what a driver hands over: capability containers of any type, count and
// size, the structures of every triplet, and single items.
//
// Input: capability (2 bytes), container type (2 bytes), DAT (2 bytes), then the block. The
// block is rendered as the capability's container, as the DAT's structure and as an item of
// every type; it also goes into a movable memory block behind a TW_CAPABILITY.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/twain/MemoryBlock.h"
#include "scan/Niawt.h"
#include "scan/TTwain2.h"

namespace {

std::uint16_t Get16(const std::uint8_t* data) {
  return static_cast<std::uint16_t>(data[0] | data[1] << 8);
}

// A rendering stays within what its items can give: kMaxRenderedItems items of at most a quoted
// 255-byte text each, plus the notes.
void CheckLength(const std::string& text) {
  if (text.size() > 300 * (scan::kMaxRenderedItems + 8)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  const std::uint16_t cap = Get16(data);
  const std::uint16_t con_type = Get16(data + 2);
  const std::uint16_t dat = Get16(data + 4);
  const scan::BlockView block(data + 6, size - 6);

  CheckLength(scan::ContainerText(cap, con_type, block));
  CheckLength(scan::StructureText(dat, block));
  for (std::uint16_t item_type = 0; item_type <= 16; ++item_type) {
    CheckLength(scan::ItemText(item_type, block));
    CheckLength(scan::CapabilityValueText(item_type, cap, block));
    scan::ItemInteger(item_type, block);
  }
  CheckLength(scan::Fix32Text(block));

  // The same bytes as the container of a capability, reached through its handle.
  platform::OwnedBlock memory(platform::MemoryAlloc(block.size()));
  if (memory.get() == nullptr) return 0;
  {
    platform::LockedBlock locked(memory.get());
    if (!locked.valid()) std::abort();
    if (block.size() != 0) std::memcpy(locked.data(), block.data(), block.size());
  }
  twain::TW_CAPABILITY capability{cap, con_type, memory.get()};
  scan::BlockContainerMemory handles;
  const std::string through_handle = scan::ContainerText(capability, handles);
  if (block.size() != 0 && through_handle != scan::ContainerText(cap, con_type, block)) {
    std::abort();
  }
  capability.hContainer = nullptr;
  if (scan::ContainerText(capability, handles) != "[no container]") std::abort();
  return 0;
}
