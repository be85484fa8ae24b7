// Test entry for suites that need a QApplication: always the offscreen platform, with a fixed font
// so that measurements and rendered pixels do not depend on the desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdlib>

#include "TestSupport.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  testsupport::UsePrivateUserFolders();
  QApplication app(argc, argv);
  QApplication::setFont(QFont("DejaVu Sans", 9));
  return RUN_ALL_TESTS();
}
