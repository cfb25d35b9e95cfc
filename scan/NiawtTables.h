// The constant tables behind Niawt, generated at build time from scan/twain-data/ by
// generate_tables.py. Internal to Niawt; use the lookups of Niawt.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace scan::niawt_tables {

// One name of a code family; the value is the code's low 32 bits read as a signed number.
struct NameEntry {
  std::int32_t value;
  const char* name;
};

// A code family: the prefix of its fallback text ("TWUN_") and its names, sorted by value.
// Family 0 (boolean) has no table.
struct FamilyTable {
  const char* prefix;
  std::span<const NameEntry> names;
};

// A capability with its standard item type and the family whose names its values take.
struct CapabilityEntry {
  std::uint16_t cap;
  std::int16_t item_type;
  std::uint8_t value_family;
};

inline constexpr std::size_t kFamilyCount = 56;
inline constexpr std::size_t kCapabilityCount = 125;

extern const FamilyTable kFamilies[kFamilyCount];
// Sorted by capability code.
extern const CapabilityEntry kCapabilities[kCapabilityCount];

}  // namespace scan::niawt_tables
