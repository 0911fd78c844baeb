#include "batch/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <set>

#include "names/name_key.h"
#include "platform/fd.h"

namespace zweiblick {
namespace {

std::string CutValue(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  // Cut after kMaxIniValueChars characters, never inside one.
  size_t chars = 0, i = 0;
  while (i < v.size() && chars < kMaxIniValueChars) {
    unsigned char c = static_cast<unsigned char>(v[i]);
    i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    ++chars;
  }
  return std::string(v.substr(0, std::min(i, v.size())));
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string FromWindows1252(std::string_view bytes) {
  // 0x80-0x9F differ from Latin-1; the five unassigned codes pass as their C1 controls.
  static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char c : bytes) {
    char32_t u = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

namespace {

// Calls `entry` (key, value, both trimmed) for each entry of the first section
// named `section`, in file order, until it returns false.
template <typename Entry>
void ForEachEntry(std::string_view content, std::string_view section, Entry entry) {
  std::string converted;
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  if (!IsValidUtf8(content)) {
    converted = FromWindows1252(content);
    content = converted;
  }
  const std::string wantedSection = MatchKey(TrimBlanks(section));
  std::set<std::string> seenSections;
  bool inSection = false;
  while (!content.empty()) {
    size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      size_t close = line.find(']');
      std::string name = MatchKey(
          TrimBlanks(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
      // Only the first section of a name counts.
      inSection = name == wantedSection && seenSections.insert(name).second;
      if (name != wantedSection) seenSections.insert(name);
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!entry(TrimBlanks(line.substr(0, eq)), TrimBlanks(line.substr(eq + 1)))) return;
  }
}

}  // namespace

std::optional<std::string> IniValue(std::string_view content, std::string_view section,
                                    std::string_view key) {
  const std::string wantedKey = MatchKey(TrimBlanks(key));
  std::optional<std::string> value;
  ForEachEntry(content, section, [&](std::string_view k, std::string_view v) {
    if (MatchKey(k) != wantedKey) return true;
    value = CutValue(v);
    return false;
  });
  return value;
}

std::vector<std::string> IniKeys(std::string_view content, std::string_view section) {
  std::vector<std::string> keys;
  ForEachEntry(content, section, [&](std::string_view k, std::string_view) {
    keys.emplace_back(k);
    return true;
  });
  return keys;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  // Non-blocking, so that a FIFO named as control file cannot hang the program.
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.ok()) return std::nullopt;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::string content(std::min<size_t>(static_cast<size_t>(st.st_size), kMaxIniFileSize), '\0');
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = read(fd.get(), content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  content.resize(done);
  return content;
}

double LeadingNumber(std::string_view value) {
  size_t i = value.find_first_not_of(" \t");
  if (i == std::string_view::npos) return 0;
  std::string number;
  auto digits = [&] {
    bool any = false;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') number += value[i++], any = true;
    return any;
  };
  if (value[i] == '+' || value[i] == '-') number += value[i++];
  bool mantissa = digits();
  if (i < value.size() && value[i] == '.') {
    number += value[i++];
    mantissa = digits() || mantissa;
  }
  if (!mantissa) return 0;
  if (i < value.size() && (value[i] == 'e' || value[i] == 'E')) {
    std::string withExponent = number + 'e';
    size_t j = i + 1;
    if (j < value.size() && (value[j] == '+' || value[j] == '-')) withExponent += value[j++];
    size_t k = j;
    while (k < value.size() && value[k] >= '0' && value[k] <= '9') withExponent += value[k++];
    if (k > j) number = withExponent;
  }
  // from_chars, not strtod: the window's locale may write decimals with a comma.
  double result = 0;
  const char* begin = number.data() + (number[0] == '+' ? 1 : 0);
  std::from_chars(begin, number.data() + number.size(), result);
  return result;
}

}  // namespace zweiblick
