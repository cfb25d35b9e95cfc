// Placeholders for the handlers of the scan buttons (scan/) and the send button (upload/) until
// those subsystems define them; delete this file when they do.
#include "ui/Unit1.h"

namespace ui {

void TForm1::Button1Click() {}
void TForm1::Button2Click() {}

}  // namespace ui
