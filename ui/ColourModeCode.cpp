#include "ui/ColourModeCode.h"

#include "platform/Cp1250.h"

namespace ui {

using namespace text::literals;

std::uint16_t ColourModeCode(std::string_view name) {
  if (name == "Stupně šedi"_cp) return 1;
  if (name == "Barevně"_cp) return 2;
  return kUnknownColourMode;
}

}  // namespace ui
