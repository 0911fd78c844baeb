// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include "settings/app_settings.h"
#include "ui/twips.h"

namespace zweiblick {
namespace {

QString Key(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

std::optional<std::string> QtSettingsStore::Read(const std::string& section,
                                                 const std::string& key) {
  QSettings settings(QString::fromUtf8(kSettingsApplication), QStringLiteral("Zweiblick"));
  QVariant v = settings.value(Key(section, key));
  if (!v.isValid()) return std::nullopt;
  return v.toString().toStdString();
}

void QtSettingsStore::Write(const std::string& section, const std::string& key,
                            const std::string& value) {
  QSettings settings(QString::fromUtf8(kSettingsApplication), QStringLiteral("Zweiblick"));
  settings.setValue(Key(section, key), QString::fromStdString(value));
}

// A maximised window keeps the place it goes back to; that is its position.
int WidgetPlacement::Left() const {
  if (w_->isMaximized())
    return Twips(w_->normalGeometry().x() - (w_->geometry().x() - w_->pos().x()));
  return Twips(w_->pos().x());
}
int WidgetPlacement::Top() const {
  if (w_->isMaximized())
    return Twips(w_->normalGeometry().y() - (w_->geometry().y() - w_->pos().y()));
  return Twips(w_->pos().y());
}
int WidgetPlacement::NormalWidth() const {
  return Twips(w_->isMaximized() ? w_->normalGeometry().width() : w_->width());
}
int WidgetPlacement::NormalHeight() const {
  return Twips(w_->isMaximized() ? w_->normalGeometry().height() : w_->height());
}
void WidgetPlacement::SetNormalSize(int width, int height) {
  w_->resize(Px(width), Px(height));
}
bool WidgetPlacement::Maximised() const {
  return w_->isMaximized();
}
// Before the window is shown: it then opens maximised, over the size it
// goes back to.
void WidgetPlacement::SetMaximised(bool maximised) {
  maximiseOnShow_ = maximised;
}
int WidgetPlacement::Width() const {
  return Twips(w_->frameGeometry().width());
}
int WidgetPlacement::Height() const {
  return Twips(w_->frameGeometry().height());
}
void WidgetPlacement::SetLeft(int twips) {
  w_->move(Px(twips), w_->pos().y());
}
void WidgetPlacement::SetTop(int twips) {
  w_->move(w_->pos().x(), Px(twips));
}

QFont DialogFont(QFont base) {
  base.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), base.family()});
  base.setPixelSize(11);
  return base;
}

ScreenSize PrimaryScreenTwips() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  QSize size = screen->geometry().size();
  return {Twips(size.width()), Twips(size.height())};
}

std::vector<ScreenArea> ScreensTwips() {
  std::vector<ScreenArea> areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  QList<QScreen*> screens = QGuiApplication::screens();
  if (primary) {
    screens.removeAll(primary);
    screens.prepend(primary);
  }
  for (QScreen* screen : screens) {
    QRect g = screen->geometry();
    areas.push_back({Twips(g.x()), Twips(g.y()), Twips(g.width()), Twips(g.height())});
  }
  return areas;
}

bool WindowsPlaceThemselves() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace zweiblick
