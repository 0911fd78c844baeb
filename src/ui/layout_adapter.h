// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls as the layout module sees them: geometry in twips
// and a `Tag` text kept as a dynamic property.
#pragma once

#include <QPointer>
#include <map>
#include <memory>

#include "layout/modresize_app.h"

class QWidget;
class QHeaderView;

namespace zweiblick {

class WidgetLayoutObject : public LayoutObject {
 public:
  explicit WidgetLayoutObject(QWidget* w) : w_(w) {}
  float Left() const override;
  float Top() const override;
  float Width() const override;
  float Height() const override;
  void SetLeft(float) override;
  void SetTop(float) override;
  void SetWidth(float) override;
  void SetHeight(float) override;
  std::string Tag() const override;
  void SetTag(const std::string&) override;

 private:
  QWidget* w_;
};

// A list column: left and width only; its Tag lives on the header.
class ColumnLayoutObject : public LayoutObject {
 public:
  ColumnLayoutObject(QHeaderView* header, int section) : header_(header), section_(section) {}
  float Left() const override;
  float Top() const override { return 0; }
  float Width() const override;
  float Height() const override { return 0; }
  void SetLeft(float) override {}
  void SetTop(float) override {}
  void SetWidth(float) override;
  void SetHeight(float) override {}
  std::string Tag() const override;
  void SetTag(const std::string&) override;

 private:
  QHeaderView* header_;
  int section_;
};

class WidgetLayoutForm : public LayoutForm {
 public:
  void Add(LayoutPart part, std::unique_ptr<LayoutObject> object) {
    parts_[part] = std::move(object);
  }
  LayoutObject& Part(LayoutPart part) override { return *parts_.at(part); }

 private:
  std::map<LayoutPart, std::unique_ptr<LayoutObject>> parts_;
};

}  // namespace zweiblick
