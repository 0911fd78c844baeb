// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/pair_notes.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace zweiblick {

namespace {

// Whether the lines are the same once `same` says two of them are.
template <class Same>
bool LinesAlike(const TextFile& left, const TextFile& right, Same same) {
  if (left.lines.size() != right.lines.size()) return false;
  for (std::size_t i = 0; i < left.lines.size(); ++i)
    if (!same(left.lines[i], right.lines[i])) return false;
  return true;
}

std::string Sides(const char* what, const char* left, const char* right) {
  return std::string("Nur ") + what + " unterscheiden sich: links " + left + ", rechts " + right;
}

std::string Thousands(std::uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string LookAlikeNote(const TextFile& left, const TextFile& right) {
  if (left.binary || right.binary) return {};
  const bool sameEncoding = left.encoding == right.encoding;
  const bool sameBytes = sameEncoding && left.lines == right.lines;
  if (sameBytes && left.bom != right.bom)
    return Sides("die Byte-Reihenfolge-Marken", left.bom ? "mit BOM" : "ohne BOM",
                 right.bom ? "mit BOM" : "ohne BOM");
  if (sameBytes) return {};
  if (sameEncoding && left.ends != right.ends &&
      LinesAlike(left, right, [](const std::string& a, const std::string& b) {
        return WithoutLineEnd(a) == WithoutLineEnd(b);
      }))
    return Sides("die Zeilenenden", LineEndsName(left.ends), LineEndsName(right.ends));
  if (!sameEncoding && LinesAlike(left, right, [&](const std::string& a, const std::string& b) {
        return ToUtf8(a, left.encoding) == ToUtf8(b, right.encoding);
      }))
    return Sides("die Kodierungen", EncodingName(left.encoding), EncodingName(right.encoding));
  return {};
}

std::int64_t FirstDifferentByte(const std::string& left, const std::string& right) {
  auto [a, b] = std::mismatch(left.begin(), left.end(), right.begin(), right.end());
  if (a == left.end() && b == right.end()) return -1;
  return a - left.begin();
}

std::vector<std::string> HexRows(const std::string& bytes, std::int64_t offset, int rows) {
  std::vector<std::string> out;
  std::int64_t first = std::max<std::int64_t>(0, offset / 16 - rows / 2) * 16;
  for (int r = 0; r < rows; ++r) {
    std::int64_t at = first + std::int64_t(r) * 16;
    if (at >= std::int64_t(bytes.size()) && !(at == 0 && bytes.empty())) break;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08llx ", static_cast<unsigned long long>(at));
    std::string row = buffer, text;
    for (int k = 0; k < 16; ++k) {
      std::int64_t i = at + k;
      if (i < std::int64_t(bytes.size())) {
        auto c = static_cast<unsigned char>(bytes[i]);
        std::snprintf(buffer, sizeof buffer, " %02x", c);
        row += buffer;
        text += c >= 0x20 && c < 0x7F ? char(c) : '.';
      } else {
        row += "   ";
      }
    }
    out.push_back(row + "  |" + text + "|");
  }
  return out;
}

std::string FileHeader(const TextFile& file) {
  std::string out = file.path + " · " + Thousands(file.size) + " Bytes";
  std::tm local{};
  time_t seconds = file.mtime.tv_sec;
  if (localtime_r(&seconds, &local)) {
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M:%S", &local);
    out += std::string(" · ") + buffer;
  }
  if (file.binary) return out + " · " + kBinaryFile;
  out += std::string(" · ") + EncodingName(file.encoding);
  out += file.bom ? " mit BOM" : " ohne BOM";
  out += std::string(" · Zeilenenden ") + LineEndsName(file.ends);
  return out;
}

}  // namespace zweiblick
