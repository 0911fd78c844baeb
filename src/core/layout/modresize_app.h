// SPDX-License-Identifier: GPL-3.0-or-later
// Moves and stretches the main window's controls with the window's size, always
// from the geometry they had at start-up.
#pragma once

#include <string>

namespace zweiblick {

// A control (or list column) whose geometry the layout reads and writes, in
// twips, with the text property `Tag` that keeps its recorded geometry.
class LayoutObject {
 public:
  virtual ~LayoutObject() = default;
  virtual float Left() const = 0;
  virtual float Top() const = 0;
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  virtual void SetLeft(float) = 0;
  virtual void SetTop(float) = 0;
  virtual void SetWidth(float) = 0;
  virtual void SetHeight(float) = 0;
  virtual std::string Tag() const = 0;
  virtual void SetTag(const std::string&) = 0;
};

// The participating objects of the main window.
enum class LayoutPart {
  kWindow,
  kListe,
  kFrame1,
  kFrame2,
  kFrame3,
  kFrame4,
  kBtn1,
  kColumn1,
  kColumn3
};

class LayoutForm {
 public:
  virtual ~LayoutForm() = default;
  virtual LayoutObject& Part(LayoutPart part) = 0;
};

// Mode of StoreControlGeometry for a list column: only left and width.
inline constexpr int kColumnMode = 100;

class ModresizeApp {
 public:
  // initialise: record the geometry; otherwise apply the window's size change.
  void ResizeFormControls(LayoutForm& form, bool initialise);

  static void StoreControlGeometry(LayoutObject& object, int mode);
  static float StoredLeft(const LayoutObject& o);
  static float StoredTop(const LayoutObject& o);
  static float StoredWidth(const LayoutObject& o);
  static float StoredHeight(const LayoutObject& o);

  void ShiftLeft(LayoutObject& o, float share) const;
  void ShiftTop(LayoutObject& o, float share) const;
  void StretchWidth(LayoutObject& o, float share) const;
  void StretchHeight(LayoutObject& o, float share) const;
  void ShiftControl(LayoutObject& o, float leftShare, float topShare) const;
  void StretchControl(LayoutObject& o, float widthShare, float heightShare) const;

  float DeltaWidth = 0;
  float DeltaHeight = 0;
  // Size changes before the recording (the window's first layout) change nothing.
  bool Recorded = false;
};

// Splits `text` at `delimiter` (a blank when empty) into at most index + 1
// pieces and returns piece `index` (from 1), or "" when there are fewer.
// binaryCompare: match the delimiter exactly; otherwise ignoring letter case.
std::string GetField(const std::string& text, int index, const std::string& delimiter,
                     bool binaryCompare = true);

}  // namespace zweiblick
