// SPDX-License-Identifier: GPL-3.0-or-later
// The name keys: any bytes, valid UTF-8 or not, give a key without a fault,
// and names that differ only in letter case share theirs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "names/name_key.h"

using namespace zweiblick;
using zweiblick::fuzz::Check;

namespace {

int Sign(int v) {
  return (v > 0) - (v < 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string key = MatchKey(text);
  std::string reused = "left over from the name before";
  MatchKeyInto(text, reused);
  Check(reused == key, "MatchKeyInto gives the key of MatchKey");
  Check(HasMatchKey(text, key), "a name has its own key");
  const bool valid = IsValidUtf8(text);
  Check(IsValidUtf8(key) == valid, "a key is UTF-8 exactly when its name is");
  if (!valid) Check(key == text, "bytes that are no UTF-8 are their own key");
  if (IsAscii(text)) {
    Check(valid, "ASCII is UTF-8");
    std::string lower = fuzz::SwapAsciiCase(text);
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] >= 'a' && text[i] <= 'z') lower[i] = text[i];
    Check(key == lower, "an ASCII name's key is the name in lower case");
  }
  if (valid) {
    for (bool upper : {true, false}) {
      const std::string variant = fuzz::CaseVariant(text, upper);
      Check(MatchKey(variant) == key, "a name and its case variant share one key");
      Check(HasMatchKey(variant, key), "a case variant has the name's key");
    }
    Check(MatchKey(fuzz::SwapAsciiCase(text)) == key, "ASCII letter case does not count");
    Check(MatchKey(key) == key, "a key, taken as a name, is its own key");
  }

  const std::string shown = DisplayText(text);
  Check(IsValidUtf8(shown), "what is shown is UTF-8");
  if (valid) Check(shown == text, "valid UTF-8 is shown as it is");

  std::string sortKey, swappedSortKey;
  AppendCollationKey(text, sortKey);
  AppendCollationKey(fuzz::SwapAsciiCase(text), swappedSortKey);
  Check(!sortKey.empty() && sortKey.back() == '\0', "a sort key ends with its zero byte");
  Check(sortKey == swappedSortKey, "letter case does not count in the order");

  // Two ASCII names, split at the first line end: the cheap key orders them as
  // the collator does.
  const size_t split = text.find('\n');
  if (split != std::string_view::npos && IsAscii(text)) {
    const std::string_view a = text.substr(0, split), b = text.substr(split + 1);
    std::string fullA, fullB, cheapA, cheapB;
    AppendCollationKey(a, fullA);
    AppendCollationKey(b, fullB);
    AppendAsciiCollationKey(a, cheapA);
    AppendAsciiCollationKey(b, cheapB);
    Check(Sign(fullA.compare(fullB)) == Sign(cheapA.compare(cheapB)),
          "the ASCII sort key orders as the collator");
  }
  return 0;
}
