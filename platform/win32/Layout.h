// The main window's layout: every control's kind, place and size at 96 dots per inch, and the
// keyboard focus order. The window scales it to the screen's resolution.
#pragma once

#include <array>
#include <string_view>

#include "platform/Toolkit.h"

namespace platform::win32 {

enum class ControlKind { kLabel, kRadioButton, kEdit, kButton, kComboBox, kCheckBox, kProgressBar };

struct ControlPlace {
  ControlId id;
  ControlKind kind;
  int x, y, width, height;  // client coordinates at 96 dpi
};

// The client area at 96 dpi.
inline constexpr int kClientWidth = 291;
inline constexpr int kClientHeight = 351;
// The height of an editable drop-down box's open list at 96 dpi.
inline constexpr int kDropDownListHeight = 160;

// Every control, in the order of creation (which is the order of ControlId and of the rows).
const std::array<ControlPlace, kControlCount>& MainWindowLayout();
const ControlPlace& PlaceOf(ControlId id);

// The controls the Tab key visits, in order.
inline constexpr std::array<ControlId, 14> kFocusOrder = {
    ControlId::kRadioButton1, ControlId::kRadioButton2, ControlId::kRadioButton3, ControlId::kEdit3,
    ControlId::kButton4,      ControlId::kComboBox1,    ControlId::kComboBox2,    ControlId::kEdit1,
    ControlId::kCheckBox2,    ControlId::kButton1,      ControlId::kButton2,      ControlId::kEdit2,
    ControlId::kCheckBox1,    ControlId::kButton3};

// The label whose text names a control that shows none of its own (the two check boxes, the
// edit and drop-down boxes); the control itself when it has none.
ControlId AccessibleNameSource(ControlId id);

// Scales a 96-dpi length to `dpi`, rounding to the nearest pixel.
constexpr int Scale(int length, int dpi) { return (length * dpi + 48) / 96; }

}  // namespace platform::win32
