// The Linux desktop program: start-up, the main window, the event loop until it closes.
#include <QApplication>
#include <memory>

#include "app/Shell.h"
#include "platform/Cp1250.h"
#include "platform/System.h"
#include "platform/qt/QtToolkit.h"

int main(int argc, char** argv) {
  using namespace text::literals;
  // The system services read the program's name and count its arguments before Qt takes its
  // own options out of them.
  const std::unique_ptr<platform::System> system = platform::CreateSystem(argc, argv);
  QApplication application(argc, argv);
  platform::QtToolkit toolkit;
  app::Shell shell(*system, toolkit);
  shell.Start();
  platform::InstallQtTranslations(shell.identity().language_code);

  toolkit.SetCaption(shell.identity().window_title);
  toolkit.Show();
  platform::DispatchEvent(toolkit, [&] { shell.NotifyUser("Okno programu se připravuje."_cp); });
  return application.exec();
}
