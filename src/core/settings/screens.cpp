// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/screens.h"

#include <algorithm>

namespace zweiblick {
namespace {

long long Right(const ScreenArea& a) {
  return static_cast<long long>(a.left) + a.width;
}
long long Bottom(const ScreenArea& a) {
  return static_cast<long long>(a.top) + a.height;
}

}  // namespace

bool OnAScreen(long long left, long long top, const std::vector<ScreenArea>& screens) {
  return std::any_of(screens.begin(), screens.end(), [&](const ScreenArea& s) {
    return left >= s.left && left < Right(s) && top >= s.top && top < Bottom(s);
  });
}

bool MostlyOnScreens(const ScreenArea& window, const std::vector<ScreenArea>& screens) {
  // The screens' edges cut the window into cells; each cell lies either wholly
  // on some screen or on none. A desktop has a handful of screens.
  std::vector<long long> xs{window.left, Right(window)}, ys{window.top, Bottom(window)};
  for (const ScreenArea& s : screens) {
    for (long long x : {static_cast<long long>(s.left), Right(s)})
      if (x > window.left && x < Right(window)) xs.push_back(x);
    for (long long y : {static_cast<long long>(s.top), Bottom(s)})
      if (y > window.top && y < Bottom(window)) ys.push_back(y);
  }
  std::sort(xs.begin(), xs.end());
  std::sort(ys.begin(), ys.end());
  long long shown = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
      if (!OnAScreen(xs[i], ys[j], screens)) continue;
      shown += (xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]);
    }
  }
  long long area = static_cast<long long>(window.width) * window.height;
  return area > 0 && 2 * shown >= area;
}

}  // namespace zweiblick
