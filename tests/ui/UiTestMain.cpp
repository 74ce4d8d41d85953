// The window tests need one application object for the whole run, on the
// offscreen platform unless the caller chose another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // A comma as the thousands separator, as the expected texts assume.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  return RUN_ALL_TESTS();
}
