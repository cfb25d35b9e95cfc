// The colour modes the colour box ComboBox1 offers and their TWAIN pixel types.
#pragma once

#include <cstdint>
#include <string_view>

namespace ui {

inline constexpr std::uint16_t kUnknownColourMode = 0xFFFF;

// "Stupně šedi" gives TWPT_GRAY (1), "Barevně" TWPT_RGB (2) (exact, case-sensitive cp1250);
// any other text 65535, which no driver accepts.
std::uint16_t ColourModeCode(std::string_view name);

}  // namespace ui
