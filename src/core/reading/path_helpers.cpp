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

std::string StampText(int64_t seconds) {
  time_t t = static_cast<time_t>(seconds);
  tm local{};
  if (!localtime_r(&t, &local)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string FileStamp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {};
  return StampText(st.st_mtim.tv_sec);
}

}  // namespace zweiblick
