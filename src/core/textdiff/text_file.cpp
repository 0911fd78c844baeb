// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "names/name_key.h"
#include "platform/descriptors.h"
#include "platform/fd.h"

namespace zweiblick {

namespace {

// 0x80 to 0x9F of Windows-1252; the five unassigned bytes stand for the C1
// controls of the same number, so every byte reads as something and writes
// back as itself.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at s[i], 0 when it is none.
std::size_t Utf8Length(std::string_view s, std::size_t i, char32_t* value = nullptr) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) {
    if (value) *value = c;
    return 1;
  }
  std::size_t n;
  char32_t v, min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, v = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, v = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, v = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b(i + k) & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  if (value) *value = v;
  return n;
}

}  // namespace

bool TextFile::StillAsRead(const struct stat& now) const {
  return S_ISREG(now.st_mode) && now.st_dev == device && now.st_ino == inode &&
         std::uint64_t(now.st_size) == size && now.st_mtim.tv_sec == mtime.tv_sec &&
         now.st_mtim.tv_nsec == mtime.tv_nsec;
}

std::string ToUtf8(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::kUtf8) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else if (c < 0xA0)
      AppendUtf8(kHigh1252[c - 0x80], out);
    else
      AppendUtf8(c, out);
  }
  return out;
}

bool FromUtf8(std::string_view text, TextEncoding encoding, std::string& out) {
  out.clear();
  if (encoding == TextEncoding::kUtf8) {
    out = text;
    return IsValidUtf8(text);
  }
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    std::size_t n = Utf8Length(text, i, &c);
    if (n == 0) return false;
    i += n;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += char(c);
      continue;
    }
    int found = -1;
    for (int k = 0; k < 32; ++k)
      if (kHigh1252[k] == c) found = k;
    if (found < 0) return false;
    out += char(0x80 + found);
  }
  return true;
}

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kWindows1252:
      return "Windows-1252";
  }
  return "";
}

const char* LineEndsName(LineEnds ends) {
  switch (ends) {
    case LineEnds::kNone:
      return "keine";
    case LineEnds::kLf:
      return "LF";
    case LineEnds::kCrLf:
      return "CRLF";
    case LineEnds::kMixed:
      return "gemischt";
  }
  return "";
}

std::string FileBytes(const TextFile& file) {
  if (file.binary) return file.bytes;
  std::string out = file.bom ? "\xEF\xBB\xBF" : "";
  for (const std::string& line : file.lines) out += line;
  return out;
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void SplitText(std::string_view bytes, TextFile& file) {
  file.lines.clear();
  file.bytes.clear();
  file.bom = false;
  file.encoding = TextEncoding::kUtf8;
  file.ends = LineEnds::kNone;
  file.binary = std::memchr(bytes.data(), 0, std::min(bytes.size(), kBinaryProbe)) != nullptr;
  if (file.binary) {
    file.bytes = bytes;
    return;
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    file.bom = true;
    bytes.remove_prefix(3);
  }
  if (!IsValidUtf8(bytes)) file.encoding = TextEncoding::kWindows1252;
  std::size_t lf = 0, crlf = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    const void* at = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    std::size_t end = at ? static_cast<const char*>(at) - bytes.data() + 1 : bytes.size();
    if (at) {
      if (end >= 2 && bytes[end - 2] == '\r')
        ++crlf;
      else
        ++lf;
    }
    file.lines.emplace_back(bytes.substr(i, end - i));
    i = end;
  }
  if (lf && crlf)
    file.ends = LineEnds::kMixed;
  else if (crlf)
    file.ends = LineEnds::kCrLf;
  else if (lf)
    file.ends = LineEnds::kLf;
}

ReadResult ReadTextFile(const std::string& path, bool large, TextFile& file, int& error) {
  file = TextFile{};
  file.path = path;
  Fd fd(OpenWaiting([&] { return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
  if (!fd.ok()) {
    error = errno;
    return ReadResult::kFailed;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    error = errno;
    return ReadResult::kFailed;
  }
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return ReadResult::kFailed;
  }
  file.size = static_cast<std::uint64_t>(st.st_size);
  if (file.size > kLargeBytes && !large) return ReadResult::kTooLarge;
  std::string bytes;
  bytes.resize(file.size);
  std::size_t got = 0;
  // A file that grows while it is read is read as far as it was long.
  while (got < bytes.size()) {
    ssize_t n = read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  file.device = st.st_dev;
  file.inode = st.st_ino;
  file.mode = st.st_mode;
  file.owner = st.st_uid;
  file.group = st.st_gid;
  file.mtime = st.st_mtim;
  file.ctime = st.st_ctim;
  SplitText(bytes, file);
  return ReadResult::kOk;
}

}  // namespace zweiblick
