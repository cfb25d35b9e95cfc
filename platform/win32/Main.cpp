// The Windows program: start-up, the main window, the event loop until the window closes.
#include <windows.h>

#include <memory>

#include "app/Shell.h"
#include "platform/System.h"
#include "platform/twain/TwainComponent.h"
#include "platform/win32/MessageLoop.h"
#include "platform/win32/Win32Toolkit.h"
#include "scan/ScannerSession.h"
#include "ui/Unit1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  // The layout is scaled to the screen's resolution by the program itself.
  SetProcessDPIAware();
  // The system services read the wide command line and the module path themselves.
  const std::unique_ptr<platform::System> system = platform::CreateSystem(0, nullptr);
  platform::win32::Win32Toolkit toolkit(instance);
  app::Shell shell(*system, toolkit);
  shell.Start();

  if (!toolkit.CreateMainWindow()) return 1;
  ui::TForm1 form(shell, toolkit);
  scan::InstallScannerSession(form, shell, toolkit);
  // While a source is enabled, every window message passes through it first (DAT_EVENT).
  platform::win32::SetMessageFilter(
      [](const MSG& message) { return platform::TwainMessageFilter(const_cast<MSG*>(&message)); });
  platform::DispatchEvent(toolkit, [&] { form.FormCreate(); });
  toolkit.ShowMainWindow();
  return toolkit.Run();
}
