// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "ui/application_setup.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never the real user's settings, trash, records or journals: folders of the test's own.
  QTemporaryDir config, data, state;
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
  setenv("XDG_STATE_HOME", state.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  // As the program starts: German in Qt's own texts too.
  zweiblick::SetUpApplication(app);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
