// The Linux desktop program: start-up, the main window, the event loop until it closes.
#include <QApplication>
#include <memory>

#include "app/Shell.h"
#include "platform/System.h"
#include "platform/qt/QtToolkit.h"
#include "scan/ScannerSession.h"
#include "ui/Unit1.h"

int main(int argc, char** argv) {
  // The system services read the program's name and count its arguments before Qt takes its
  // own options out of them.
  const std::unique_ptr<platform::System> system = platform::CreateSystem(argc, argv);
  QApplication application(argc, argv);
  platform::QtToolkit toolkit;
  app::Shell shell(*system, toolkit);
  shell.Start();
  platform::InstallQtTranslations(shell.identity().language_code);

  ui::TForm1 form(shell, toolkit);
  scan::InstallScannerSession(form, shell, toolkit);
  platform::DispatchEvent(toolkit, [&] { form.FormCreate(); });
  toolkit.Show();
  return application.exec();
}
