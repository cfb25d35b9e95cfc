#include "platform/win32/Layout.h"

namespace platform::win32 {
namespace {

using enum ControlId;
using K = ControlKind;

// Rows from the top: the mode choice; Label5; Edit3 and Button4; the colour and resolution row;
// Label9; CheckBox2 and Label11; the two scan buttons; Label6; the person-number row with the
// cover-sheet box and Button3; ProgressBar1; Label8. Labels sit 3 to 4 pixels below the top of
// the boxes of their row so their text lines up with the boxes' text.
constexpr std::array<ControlPlace, kControlCount> kLayout = {{
    {kLabel7, K::kLabel, 8, 10, 30, 13},
    {kRadioButton1, K::kRadioButton, 40, 8, 243, 17},
    {kRadioButton2, K::kRadioButton, 40, 26, 243, 17},
    {kRadioButton3, K::kRadioButton, 40, 44, 243, 17},
    {kLabel5, K::kLabel, 8, 68, 275, 13},
    {kEdit3, K::kEdit, 8, 84, 195, 21},
    {kButton4, K::kButton, 208, 83, 75, 23},
    {kLabel1, K::kLabel, 8, 118, 52, 13},
    {kComboBox1, K::kComboBox, 62, 114, 86, 21},
    {kLabel2, K::kLabel, 153, 118, 46, 13},
    {kComboBox2, K::kComboBox, 201, 114, 57, 21},
    {kEdit1, K::kEdit, 201, 114, 57, 21},
    {kLabel2a, K::kLabel, 262, 118, 21, 13},
    {kLabel9, K::kLabel, 8, 143, 275, 26},
    {kCheckBox2, K::kCheckBox, 8, 175, 14, 17},
    {kLabel11, K::kLabel, 26, 177, 120, 13},
    {kButton1, K::kButton, 8, 198, 134, 25},
    {kButton2, K::kButton, 149, 198, 134, 25},
    {kLabel6, K::kLabel, 8, 231, 275, 26},
    {kLabel3, K::kLabel, 8, 270, 22, 13},
    {kEdit2, K::kEdit, 32, 266, 88, 21},
    {kLabel4, K::kLabel, 128, 270, 46, 13},
    {kCheckBox1, K::kCheckBox, 176, 268, 14, 17},
    {kButton3, K::kButton, 208, 264, 75, 25},
    {kProgressBar1, K::kProgressBar, 8, 299, 275, 18},
    {kLabel8, K::kLabel, 8, 325, 275, 13},
}};

}  // namespace

const std::array<ControlPlace, kControlCount>& MainWindowLayout() { return kLayout; }

const ControlPlace& PlaceOf(ControlId id) { return kLayout[static_cast<std::size_t>(id)]; }

ControlId AccessibleNameSource(ControlId id) {
  switch (id) {
    case kEdit3:
      return kLabel5;
    case kComboBox1:
      return kLabel1;
    case kComboBox2:
    case kEdit1:
      return kLabel2;
    case kCheckBox2:
      return kLabel11;
    case kEdit2:
      return kLabel3;
    case kCheckBox1:
      return kLabel4;
    default:
      return id;
  }
}

}  // namespace platform::win32
