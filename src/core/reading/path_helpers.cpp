// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/path_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <vector>

namespace zweiblick {

std::string WithTrailingBackslash(const std::string& path) {
  return path + ChooseText(std::string(1, kSep), path.empty() || path.back() != kSep, "");
}

std::string ProgramFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return WithTrailingBackslash(".");
    if (static_cast<size_t>(n) < buffer.size()) {
      std::string exe(buffer.data(), static_cast<size_t>(n));
      size_t slash = exe.rfind(kSep);
      return WithTrailingBackslash(slash == std::string::npos ? "." : exe.substr(0, slash));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string_view StampText(int64_t seconds, StampChars& text) {
  time_t t = static_cast<time_t>(seconds);
  tm local{};
  if (!localtime_r(&t, &local)) return {};
  int year = local.tm_year + 1900;
  if (year < 0 || year > 9999) {
    std::snprintf(text.data(), text.size(), "%04d%02d%02d%02d:%02d:%02d", year, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text.data();
  }
  // Written by hand: a list takes in a stamp for every file, and snprintf
  // was a good part of what taking in a million files cost.
  char* at = text.data();
  auto put = [&at](int value, int digits) {
    for (int d = digits - 1; d >= 0; --d, value /= 10) at[d] = static_cast<char>('0' + value % 10);
    at += digits;
  };
  put(year, 4);
  put(local.tm_mon + 1, 2);
  put(local.tm_mday, 2);
  put(local.tm_hour, 2);
  *at++ = ':';
  put(local.tm_min, 2);
  *at++ = ':';
  put(local.tm_sec, 2);
  return std::string_view(text.data(), static_cast<size_t>(at - text.data()));
}

std::string StampText(int64_t seconds) {
  StampChars text;
  return std::string(StampText(seconds, text));
}

std::string FileStamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return StampText(st.st_mtim.tv_sec);
}

}  // namespace zweiblick
