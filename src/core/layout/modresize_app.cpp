// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/modresize_app.h"

#include <charconv>
#include <cmath>

#include "names/name_key.h"

namespace zweiblick {
namespace {

// A field that holds no number counts as 0.
float Field(const LayoutObject& o, int index) {
  std::string f = GetField(o.Tag(), index, ":");
  float value = 0;
  std::from_chars(f.data(), f.data() + f.size(), value);
  return value;
}

std::string Number(float v) {
  if (v == std::floor(v) && std::fabs(v) < 1e9f) return std::to_string(static_cast<long>(v));
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return std::string(text, end);
}

float Part(float delta, float share) {
  return share == 0 ? delta : delta * share;
}

}  // namespace

std::string GetField(const std::string& text, int index, const std::string& delimiter,
                     bool binaryCompare) {
  if (index < 1 || text.empty()) return {};
  std::string delim = delimiter.empty() ? " " : delimiter;
  std::string haystack = binaryCompare ? text : MatchKey(text);
  std::string needle = binaryCompare ? delim : MatchKey(delim);
  if (!binaryCompare &&
      haystack.size() != text.size()) {  // folding changed lengths: fall back to exact
    haystack = text;
    needle = delim;
  }
  size_t start = 0;
  for (int piece = 1; piece < index; ++piece) {
    size_t at = haystack.find(needle, start);
    if (at == std::string::npos) return {};
    start = at + needle.size();
  }
  // The last of index + 1 pieces holds the rest; piece `index` ends at the next delimiter.
  size_t end = haystack.find(needle, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void ModresizeApp::StoreControlGeometry(LayoutObject& o, int mode) {
  float left = o.Left(), top = 0, width = o.Width(), height = 0;
  if (mode != kColumnMode) {
    top = o.Top();
    height = o.Height();
  }
  o.SetTag(Number(left) + ":" + Number(top) + ":" + Number(width) + ":" + Number(height));
}

float ModresizeApp::StoredLeft(const LayoutObject& o) {
  return Field(o, 1);
}
float ModresizeApp::StoredTop(const LayoutObject& o) {
  return Field(o, 2);
}
float ModresizeApp::StoredWidth(const LayoutObject& o) {
  return Field(o, 3);
}
float ModresizeApp::StoredHeight(const LayoutObject& o) {
  return Field(o, 4);
}

void ModresizeApp::ShiftLeft(LayoutObject& o, float share) const {
  o.SetLeft(StoredLeft(o) + Part(DeltaWidth, share));
}
void ModresizeApp::ShiftTop(LayoutObject& o, float share) const {
  o.SetTop(StoredTop(o) + Part(DeltaHeight, share));
}
void ModresizeApp::StretchWidth(LayoutObject& o, float share) const {
  o.SetWidth(StoredWidth(o) + Part(DeltaWidth, share));
}
void ModresizeApp::StretchHeight(LayoutObject& o, float share) const {
  o.SetHeight(StoredHeight(o) + Part(DeltaHeight, share));
}
void ModresizeApp::ShiftControl(LayoutObject& o, float leftShare, float topShare) const {
  ShiftLeft(o, leftShare);
  ShiftTop(o, topShare);
}
void ModresizeApp::StretchControl(LayoutObject& o, float widthShare, float heightShare) const {
  StretchWidth(o, widthShare);
  StretchHeight(o, heightShare);
}

void ModresizeApp::ResizeFormControls(LayoutForm& form, bool initialise) {
  using P = LayoutPart;
  if (initialise) {
    for (P p : {P::kWindow, P::kListe, P::kFrame1, P::kFrame2, P::kFrame3, P::kFrame4, P::kBtn1})
      StoreControlGeometry(form.Part(p), 0);
    StoreControlGeometry(form.Part(P::kColumn1), kColumnMode);
    StoreControlGeometry(form.Part(P::kColumn3), kColumnMode);
    Recorded = true;
    return;
  }
  if (!Recorded) return;
  LayoutObject& window = form.Part(P::kWindow);
  DeltaWidth = window.Width() - StoredWidth(window);
  DeltaHeight = window.Height() - StoredHeight(window);
  // The window never gets smaller than it started.
  if (DeltaWidth < 0) {
    DeltaWidth = 0;
    window.SetWidth(StoredWidth(window));
  }
  if (DeltaHeight < 0) {
    DeltaHeight = 0;
    window.SetHeight(StoredHeight(window));
  }
  StretchControl(form.Part(P::kListe), 0, 0);
  StretchControl(form.Part(P::kFrame1), 0, 0);
  ShiftTop(form.Part(P::kFrame2), 0);
  StretchWidth(form.Part(P::kFrame3), 0);
  ShiftTop(form.Part(P::kFrame3), 0);
  ShiftControl(form.Part(P::kBtn1), 0, 0);
  ShiftLeft(form.Part(P::kFrame4), 0);
  StretchWidth(form.Part(P::kColumn1), 0.5f);
  StretchWidth(form.Part(P::kColumn3), 0.5f);
}

}  // namespace zweiblick
