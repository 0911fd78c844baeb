// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/facts_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "list/comparison_list.h"

namespace zweiblick {
namespace {

std::string SideText(const FileFacts& f) {
  if (!f.Known()) return "—";
  return SizeText(f.size) + ", " + TimeText(f.mtimeSec);
}

}  // namespace

std::string SizeText(int64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  // Rounded as it is shown: 1023.96 KB is "1,0 MB", not "1024 KB".
  auto shown = [](double v) { return v < 99.95 ? v : static_cast<double>(std::llround(v)); };
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (unit + 1 < std::size(kUnits) && shown(value) >= 1024) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (value < 99.95) {
    long tenths = static_cast<long>(value * 10 + 0.5);
    std::snprintf(text, sizeof text, "%ld,%ld %s", tenths / 10, tenths % 10, kUnits[unit]);
  } else {
    std::snprintf(text, sizeof text, "%lld %s", std::llround(value), kUnits[unit]);
  }
  return text;
}

std::string TimeText(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return text;
}

std::string FactsToolTip(const ComparisonList& list, int position) {
  std::string tip = "Links: " + SideText(list.Facts(position, true)) +
                    "\rRechts: " + SideText(list.Facts(position, false));
  std::string_view change = RowChangeText(list.Change(position));
  if (!change.empty()) tip += std::string("\r") + kHeaderChange + ": " + std::string(change);
  std::string_view failure = list.Failure(position);
  if (!failure.empty()) tip += std::string("\r") + kHeaderFailure + ": " + std::string(failure);
  return tip;
}

std::string FactsColumnText(const ComparisonList& list, int position, int column) {
  if (column == kChangeColumn) return std::string(RowChangeText(list.Change(position)));
  if (column == kFailureColumn) return std::string(list.Failure(position));
  bool left = column == kLeftSizeColumn || column == kLeftTimeColumn;
  const FileFacts& f = list.Facts(position, left);
  if (!f.Known()) return {};
  bool size = column == kLeftSizeColumn || column == kRightSizeColumn;
  return size ? SizeText(f.size) : TimeText(f.mtimeSec);
}

}  // namespace zweiblick
