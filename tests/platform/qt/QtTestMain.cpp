// GoogleTest with a QApplication on Qt's offscreen platform, and a watchdog: a test that waits
// for ever fails the whole program well before the ctest time-out.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(100));
    std::fputs("watchdog: the tests did not finish within 100 s\n", stderr);
    std::_Exit(3);
  }).detach();
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
