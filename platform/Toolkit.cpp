#include "platform/Toolkit.h"

#include <exception>

namespace platform {
namespace {

constexpr std::array<std::string_view, kControlCount> kControlNames = {
    "Label7",    "RadioButton1", "RadioButton2", "RadioButton3", "Label5", "Edit3",   "Button4",
    "Label1",    "ComboBox1",    "Label2",       "ComboBox2",    "Edit1",  "Label2a", "Label9",
    "CheckBox2", "Label11",      "Button1",      "Button2",      "Label6", "Label3",  "Edit2",
    "Label4",    "CheckBox1",    "Button3",      "ProgressBar1", "Label8"};

}  // namespace

std::string_view ControlName(ControlId id) { return kControlNames[static_cast<std::size_t>(id)]; }

std::optional<ControlId> ControlByName(std::string_view name) {
  for (int i = 0; i < kControlCount; ++i) {
    if (kControlNames[static_cast<std::size_t>(i)] == name) return ControlId(i);
  }
  return std::nullopt;
}

void DispatchEvent(Toolkit& toolkit, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    toolkit.ErrorBox(error.what());
  }
}

}  // namespace platform
