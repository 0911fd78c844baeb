// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/layout_adapter.h"

#include <QHeaderView>
#include <QVariant>
#include <QWidget>

#include "ui/twips.h"

namespace zweiblick {
namespace {

int ToPx(float twips) {
  return qRound(twips / kTwipsPerPixel);
}
const char* ColumnTagName(int section) {
  return section == 0 ? "Tag_column1" : "Tag_column3";
}

}  // namespace

// The window itself is measured by its client area, like the design sizes.
float WidgetLayoutObject::Left() const {
  return float(Twips(w_->x()));
}
float WidgetLayoutObject::Top() const {
  return float(Twips(w_->y()));
}
float WidgetLayoutObject::Width() const {
  return float(Twips(w_->width()));
}
float WidgetLayoutObject::Height() const {
  return float(Twips(w_->height()));
}
void WidgetLayoutObject::SetLeft(float v) {
  w_->move(ToPx(v), w_->y());
}
void WidgetLayoutObject::SetTop(float v) {
  w_->move(w_->x(), ToPx(v));
}
void WidgetLayoutObject::SetWidth(float v) {
  w_->resize(ToPx(v), w_->height());
}
void WidgetLayoutObject::SetHeight(float v) {
  w_->resize(w_->width(), ToPx(v));
}
std::string WidgetLayoutObject::Tag() const {
  return w_->property("Tag").toString().toStdString();
}
void WidgetLayoutObject::SetTag(const std::string& t) {
  w_->setProperty("Tag", QString::fromStdString(t));
}

float ColumnLayoutObject::Left() const {
  return float(Twips(header_->sectionPosition(section_)));
}
float ColumnLayoutObject::Width() const {
  return float(Twips(header_->sectionSize(section_)));
}
void ColumnLayoutObject::SetWidth(float v) {
  header_->resizeSection(section_, ToPx(v));
}
std::string ColumnLayoutObject::Tag() const {
  return header_->property(ColumnTagName(section_)).toString().toStdString();
}
void ColumnLayoutObject::SetTag(const std::string& t) {
  header_->setProperty(ColumnTagName(section_), QString::fromStdString(t));
}

}  // namespace zweiblick
