// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/application_setup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>
#include <cstring>

// The icons are compiled into this static library; the call keeps the linker
// from dropping them.
static void InitIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace zweiblick {
namespace {

// The program's icon in the sizes a desktop asks for.
QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/zweiblick/zweiblick-%1.png").arg(size), QSize(size, size));
  return icon;
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

void ChooseWindowSystem() {
  if (Set("QT_QPA_PLATFORM")) return;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  bool wayland = Set("WAYLAND_DISPLAY") || (session && std::strcmp(session, "wayland") == 0);
  // Should XWayland fail to answer, Qt goes on to the next platform of the
  // list; should setenv fail, Qt makes its own choice, as it would without us.
  if (wayland && Set("DISPLAY")) (void)setenv("QT_QPA_PLATFORM", "xcb;wayland", 1);
}

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Zweiblick"));
  QApplication::setOrganizationName(QStringLiteral("Melkart Software"));
  // Window managers find the desktop entry, and so the icon, by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("zweiblick"));
  InitIconResources();
  QApplication::setWindowIcon(ProgramIcon());
  // The whole interface is German: so are Qt's buttons, dialogs and menus, and
  // the dates and sizes the folder dialog shows.
  QLocale german(QLocale::German, QLocale::Germany);
  QLocale::setDefault(german);
  auto* translator = new QTranslator(&app);
  if (!translator->load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;  // Qt's own texts then stay English
    return;
  }
  QCoreApplication::installTranslator(translator);
}

}  // namespace zweiblick
