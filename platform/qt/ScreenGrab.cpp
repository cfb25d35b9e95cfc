// prelavka_screen_grab OUTPUT.png: saves the whole screen of the X display (DISPLAY) as a PNG.
// The demo uses it to leave a picture of the window when it runs under Xvfb.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: prelavka_screen_grab OUTPUT.png\n", stderr);
    return 2;
  }
  QGuiApplication application(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    std::fputs("prelavka_screen_grab: no screen\n", stderr);
    return 1;
  }
  const QPixmap picture = screen->grabWindow(0);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "prelavka_screen_grab: cannot save %s\n", argv[1]);
    return 1;
  }
  return 0;
}
