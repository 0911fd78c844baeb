// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zweiblick {

// Positions and sizes come in twips; the screen shows 15 twips per pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int Px(int twips) {
  return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}
inline constexpr int Twips(int pixels) {
  return pixels * kTwipsPerPixel;
}

}  // namespace zweiblick
