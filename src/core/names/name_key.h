// SPDX-License-Identifier: GPL-3.0-or-later
// Keys for comparing and ordering file names without regard to letter case.
#pragma once

#include <string>
#include <string_view>

namespace zweiblick {

// The key under which two names match when letter case is ignored: Unicode NFC
// normalisation followed by simple case folding, so "a.txt"/"A.TXT", "ä"/"Ä" and a
// decomposed "u" + U+0308 / composed "ü" share one key. Bytes that are not valid
// UTF-8 are their own key: such a name matches only itself.
std::string MatchKey(std::string_view name);
// The same key into `key`, whose storage is reused: a list of a million names
// computes one for every name it takes in.
void MatchKeyInto(std::string_view name, std::string& key);
// Whether `name` has the match key `key`, without building a key for an ASCII name.
bool HasMatchKey(std::string_view name, std::string_view key);

bool IsValidUtf8(std::string_view text);

// The text as valid UTF-8, every invalid byte shown as U+FFFD. Only for display:
// names on their way to the disk stay bytes.
std::string DisplayText(std::string_view bytes);

// Appends the collation sort key of `text` (German alphabetical order, letter case
// ignored) to `out`. Two keys compare with memcmp in the order of their texts.
// The first call builds the collator; it is then reused.
void AppendCollationKey(std::string_view text, std::string& out);
// The same order for texts that are all ASCII, one byte per character and far
// cheaper: at secondary strength ASCII characters differ in their primary weight
// only. Keys of the two kinds must not be compared with each other.
void AppendAsciiCollationKey(std::string_view ascii, std::string& out);
bool IsAscii(std::string_view text);

}  // namespace zweiblick
