// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

#include "names/name_key.h"
#include "platform/fd.h"

namespace zweiblick {
namespace {

std::string_view Unquoted(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

std::string CutToProfileBuffer(std::string value) {
  // Cut after kMaxIniValueChars characters, never inside one.
  size_t chars = 0, i = 0;
  while (i < value.size() && chars < kMaxIniValueChars) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    i += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    ++chars;
  }
  value.resize(std::min(i, value.size()));
  return value;
}

size_t CharCount(std::string_view text) {
  size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return chars;
}

std::string ShownInMessage(std::string_view text) {
  std::string shown;
  for (char c : text) {
    if (c == '\0')
      shown += "\\0";
    else
      shown += c;
  }
  return shown;
}

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

// Calls `entry` (key, value, both trimmed, and which section of the name it is
// in, from 0) for each entry of the sections named `section`, in file order,
// until it returns false; with `allSections` false only the first such section
// is read. Returns how many sections of the name were seen.
template <typename Entry>
int ForEachEntry(std::string_view content, std::string_view section, bool allSections,
                 Entry entry) {
  std::string converted;
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  if (!IsValidUtf8(content)) {
    converted = FromWindows1252(content);
    content = converted;
  }
  const std::string wantedSection = MatchKey(TrimBlanks(section));
  int sections = 0;
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
      inSection =
          MatchKey(TrimBlanks(line.substr(
              1, close == std::string_view::npos ? line.npos : close - 1))) == wantedSection;
      if (inSection && ++sections > 1 && !allSections) break;
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!entry(TrimBlanks(line.substr(0, eq)), Unquoted(TrimBlanks(line.substr(eq + 1))),
               sections - 1))
      break;
  }
  return sections;
}

}  // namespace

std::optional<std::string> IniValue(std::string_view content, std::string_view section,
                                    std::string_view key) {
  const std::string wantedKey = MatchKey(TrimBlanks(key));
  std::optional<std::string> value;
  ForEachEntry(content, section, false, [&](std::string_view k, std::string_view v, int) {
    if (MatchKey(k) != wantedKey) return true;
    value = std::string(v);
    return false;
  });
  return value;
}

std::vector<IniEntry> IniEntries(std::string_view content, std::string_view section,
                                 int& sections) {
  std::vector<IniEntry> entries;
  sections =
      ForEachEntry(content, section, true, [&](std::string_view k, std::string_view v, int in) {
        entries.push_back({std::string(k), std::string(v), in});
        return true;
      });
  return entries;
}

WholeFile ReadWholeFile(const std::string& path) {
  WholeFile file;
  auto failed = [&](int error) {
    file.text.clear();
    file.fault = WholeFile::Fault::kSystem;
    file.error = error;
    return file;
  };
  // Non-blocking, so that a FIFO named as control file cannot hang the program.
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.ok()) return failed(errno);
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) return failed(errno);
  if (!S_ISREG(st.st_mode)) {
    file.fault = WholeFile::Fault::kNotAFile;
    return file;
  }
  // To the end of the file, not to the size seen: a file still being written
  // may have grown since.
  for (size_t size = static_cast<size_t>(st.st_size);; size = file.text.size()) {
    if (size > kMaxIniFileSize) {
      file.text.clear();
      file.fault = WholeFile::Fault::kTooLarge;
      return file;
    }
    char chunk[1 << 16];
    ssize_t n = read(fd.get(), chunk, sizeof chunk);
    int error = n < 0 ? errno : 0;
    if (error == EINTR) continue;
    if (n < 0) return failed(error);
    if (n == 0) return file;
    file.text.append(chunk, static_cast<size_t>(n));
  }
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
