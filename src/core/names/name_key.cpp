// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/name_key.h"

#include <unicode/coll.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

namespace zweiblick {
namespace {

const icu::Normalizer2* Nfc() {
  static const icu::Normalizer2* nfc = [] {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
  }();
  return nfc;
}

icu::Collator* GermanCollator() {
  static std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("de"), status));
    if (U_FAILURE(status)) {
      status = U_ZERO_ERROR;
      c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    // Secondary strength: accents count, letter case does not.
    if (c) c->setStrength(icu::Collator::SECONDARY);
    return c;
  }();
  return collator.get();
}

// The collator's order of the ASCII characters: 0 for those it ignores, else a
// rank from 1 up, equal for characters it holds equal (a letter and its capital).
const std::array<uint8_t, 128>& AsciiRanks() {
  static const std::array<uint8_t, 128> ranks = [] {
    std::array<uint8_t, 128> r{};
    std::unique_ptr<icu::Collator> primary(GermanCollator() ? GermanCollator()->clone() : nullptr);
    if (!primary) {
      for (int c = 1; c < 128; ++c) r[c] = static_cast<uint8_t>(std::tolower(c));
      return r;
    }
    primary->setStrength(icu::Collator::PRIMARY);
    std::array<std::string, 128> keys;
    for (int c = 0; c < 128; ++c) {
      UChar u = static_cast<UChar>(c);
      uint8_t buffer[64];
      int32_t n = primary->getSortKey(icu::UnicodeString(u), buffer, sizeof buffer);
      keys[c].assign(reinterpret_cast<char*>(buffer), std::min<int32_t>(n, sizeof buffer));
    }
    std::array<int, 128> order;
    for (int c = 0; c < 128; ++c) order[c] = c;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
    const std::string& ignorable = keys[0];  // NUL has no weight at all
    uint8_t rank = 0;
    for (int i = 0; i < 128; ++i) {
      int c = order[i];
      if (keys[c] == ignorable) continue;
      if (i == 0 || keys[c] != keys[order[i - 1]] || rank == 0) ++rank;
      r[c] = rank;
    }
    return r;
  }();
  return ranks;
}

}  // namespace

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

void AppendAsciiCollationKey(std::string_view ascii, std::string& out) {
  const std::array<uint8_t, 128>& ranks = AsciiRanks();
  for (unsigned char c : ascii)
    if (uint8_t rank = ranks[c & 0x7f]) out += static_cast<char>(rank);
  out += '\0';
}

bool IsValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string DisplayText(std::string_view bytes) {
  if (IsAscii(bytes) || IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), static_cast<int32_t>(bytes.size())))
      .toUTF8String(out);
  return out;
}

std::string MatchKey(std::string_view name) {
  std::string key;
  MatchKeyInto(name, key);
  return key;
}

namespace {
char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

void MatchKeyInto(std::string_view name, std::string& key) {
  if (IsAscii(name)) {
    key.assign(name);
    for (char& c : key) c = LowerAscii(c);
    return;
  }
  key.clear();
  if (!IsValidUtf8(name)) {
    key.assign(name);
    return;
  }
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString normal = Nfc() ? Nfc()->normalize(text, status) : text;
  if (U_FAILURE(status)) normal = text;
  icu::UnicodeString folded;
  for (int32_t i = 0; i < normal.length();) {
    UChar32 c = normal.char32At(i);
    folded.append(u_foldCase(c, U_FOLD_CASE_DEFAULT));
    i += U16_LENGTH(c);
  }
  // Folding can undo what NFC could not compose: "T" + U+0308 stays apart (no
  // capital T with diaeresis exists) and folds to "t" + U+0308, which NFC
  // composes to U+1E97, the key of the small letter.
  if (Nfc()) {
    status = U_ZERO_ERROR;
    if (!Nfc()->isNormalized(folded, status) && U_SUCCESS(status)) {
      icu::UnicodeString composed = Nfc()->normalize(folded, status);
      if (U_SUCCESS(status)) folded = composed;
    }
  }
  folded.toUTF8String(key);
}

bool HasMatchKey(std::string_view name, std::string_view key) {
  // An ASCII name's key is the name in lower case: no key needs building. A
  // name with other characters can still have an ASCII key (the Kelvin sign
  // is "K" once normalised), so that shortcut is for ASCII names only.
  if (!IsAscii(name)) return MatchKey(name) == key;
  if (name.size() != key.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (LowerAscii(name[i]) != key[i]) return false;
  return true;
}

void AppendCollationKey(std::string_view text, std::string& out) {
  icu::Collator* collator = GermanCollator();
  if (!collator) {  // no collation data: fall back to the folded bytes
    out += MatchKey(text);
    return;
  }
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  size_t start = out.size();
  int32_t room = static_cast<int32_t>(text.size()) * 4 + 16;
  for (;;) {
    out.resize(start + room);
    int32_t need = collator->getSortKey(u, reinterpret_cast<uint8_t*>(&out[start]), room);
    if (need <= room) {
      out.resize(start + need);  // includes the terminating zero byte
      return;
    }
    room = need;
  }
}

}  // namespace zweiblick
