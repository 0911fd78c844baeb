// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/text_rules.h"

#include <sys/utsname.h>

#include <cmath>
#include <cstdio>

namespace zweiblick {

std::string VersionText(int32_t mode, ProgramVersion v) {
  std::string revision;
  if (mode & 0x100) {
    if (v.revision >= 100)
      revision = std::string(1, static_cast<char>(96 + std::lrint(v.revision / 100.0)));
  } else {
    revision = "." + std::to_string(v.revision);
  }
  std::string version = std::to_string(v.major) + "." + std::to_string(v.minor) + revision;
  switch (mode & 0xFF) {
    case 0:
      return " (V" + version + ")";
    case 1:
      return version;
    default:
      return {};
  }
}

int32_t PackSystemVersion(uint32_t major, uint32_t minor, uint32_t build, uint32_t platformId) {
  if (platformId == 1) return static_cast<int32_t>(build);
  return static_cast<int32_t>(((major & 255u) << 24) | ((minor & 255u) << 16) | (build & 65535u));
}

int32_t WindowsVersionNumber() {
  utsname u{};
  unsigned major = 0, minor = 0, patch = 0;
  if (uname(&u) == 0) std::sscanf(u.release, "%u.%u.%u", &major, &minor, &patch);
  return PackSystemVersion(major, minor, patch);
}

std::string VersionNumberText(int32_t number) {
  uint32_t n = static_cast<uint32_t>(number);
  return std::to_string(n >> 24) + "." + std::to_string((n >> 16) & 255u) + "." +
         std::to_string(n & 65535u);
}

std::string WindowsVersionText() {
  return VersionNumberText(WindowsVersionNumber());
}

namespace {

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

std::string FormatPlaceholders(const std::string& text, const std::string (&args)[10]) {
  std::string result = text;
  ReplaceAll(result, "%10", args[9]);
  for (int n = 1; n <= 9; ++n) ReplaceAll(result, "%" + std::to_string(n), args[n - 1]);
  return result;
}

std::string ExpandEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) break;  // a trailing backslash is dropped
    switch (text[i]) {
      case 't':
      case 'T':
        out += '\t';
        break;
      case 'n':
      case 'N':
        out += '\r';
        break;
      case 'l':
      case 'L':
        out += '\n';
        break;
      case 'h':
      case 'H':
        out += '"';
        break;
      default:
        out += text[i];
    }
  }
  return out;
}

std::string FormatText(const std::string& text, const std::string (&args)[10]) {
  return ExpandEscapes(FormatPlaceholders(text, args));
}

}  // namespace zweiblick
