// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a property that fails stops the run with the
// input that broke it, as a crash would.
#pragma once

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace zweiblick::fuzz {

inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

// The text with the case of its ASCII letters turned round.
inline std::string SwapAsciiCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The valid UTF-8 `text` with each character in the other case where both
// fold alike, which is where the pairing ignores the difference (not, say, the
// dotless i); `upper` chooses capitals or small letters.
inline std::string CaseVariant(std::string_view text, bool upper) {
  std::string out;
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    UChar32 v = upper ? u_toupper(c) : u_tolower(c);
    if (u_foldCase(v, U_FOLD_CASE_DEFAULT) != u_foldCase(c, U_FOLD_CASE_DEFAULT)) v = c;
    char buffer[U8_MAX_LENGTH];
    int32_t n = 0;
    U8_APPEND_UNSAFE(buffer, n, v);
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace zweiblick::fuzz
