// SPDX-License-Identifier: GPL-3.0-or-later
// The control file: any bytes are read without a fault, the readers of its
// values agree with each other, and the check tells every problem in one
// message that shows whole. The check runs on a file that starts with a part
// it always refuses, so that no input can start a synchronisation here.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "batch/filter_section.h"
#include "batch/ini_file.h"
#include "batch/start_batch_mode.h"
#include "check.h"
#include "fake_window.h"
#include "mainwindow/main_window.h"
#include "names/name_key.h"

using namespace zweiblick;
using zweiblick::fuzz::Check;

namespace {

// A folder of its own for the control file, removed at the end.
const std::string& ControlFile() {
  static const std::string path = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zweiblick-fuzz-XXXXXX").string();
    Check(mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made");
    static const std::string folder = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    });
    return pattern + "/steuer.ini";
  }();
  return path;
}

void WriteFile(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Check(fd >= 0, "the control file can be written");
  Check(write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
        "the control file is written whole");
  Check(close(fd) == 0, "the control file is closed");
}

// The problems are lines " * ...\r"; the message shows only up to a NUL.
void CheckErrorLines(std::string_view errors) {
  Check(errors.find('\0') == std::string_view::npos, "no NUL cuts the message short");
  if (errors.empty()) return;
  Check(errors.substr(0, 3) == " * ", "a problem starts with \" * \"");
  Check(errors.back() == '\r', "a problem ends with a line end");
}

// The sections and keys the program reads, as the file may spell them.
constexpr const char* kKeys[][2] = {
    {"Pfade", "Links"},         {"Pfade", "Rechts"},         {"AutoStart", "Binärvergleich"},
    {"AutoStart", "Abgleich"},  {"AutoStart", "Papierkorb"}, {"Filter", "Ausnahmen"},
    {"filter", "PUNKTDATEIEN"}, {"AUTOSTART", "vorschläge"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);

  for (const auto& [section, key] : kKeys) {
    const std::optional<std::string> value = IniValue(content, section, key);
    int sections = 0;
    const std::vector<IniEntry> entries = IniEntries(content, section, sections);
    // IniValue reads the first section of the name, and there the first key.
    std::optional<std::string> first;
    for (const IniEntry& e : entries) {
      Check(e.section >= 0 && e.section < sections, "an entry lies in a section counted");
      Check(IsValidUtf8(e.key) && IsValidUtf8(e.value), "keys and values are read as UTF-8");
      if (e.section == 0 && !first && MatchKey(e.key) == MatchKey(key)) first = e.value;
    }
    Check(value == first, "IniValue is the first entry of the key in the first section");
    if (!value) continue;
    const std::string cut = ReadIniString(content, section, key, "default");
    Check(value->compare(0, cut.size(), cut) == 0, "the profile buffer holds the value's start");
    Check(CharCount(cut) == std::min(CharCount(*value), kMaxIniValueChars),
          "the profile buffer holds as many characters as fit");
    Check(IsValidUtf8(cut), "the profile buffer cuts between characters");
    const double number = LeadingNumber(*value);
    Check(number == number, "a switch reads as a number");
  }

  NameFilter filter;
  CheckErrorLines(CheckFilterSection(content, filter));

  // The whole check, on a file whose first sections refuse it either for a
  // missing folder or for a synchronisation without a kind of comparison;
  // the section after them keeps the input's first lines out of theirs.
  const bool missingFolder = size > 0 && (data[0] & 1);
  const std::string refused =
      missingFolder ? "[Pfade]\nLinks=/nonexistent/zweiblick-fuzz/\n" : "[AutoStart]\nAbgleich=1\n";
  WriteFile(ControlFile(), refused + "[Fuzz]\n" + std::string(content));
  testing::FakeWindow port;
  MainWindow w(static_cast<ReportPort&>(port));
  const BatchOutcome outcome = StartBatchMode(w, ControlFile());
  Check(outcome == BatchOutcome::kRejected, "the file is refused");
  Check(port.messages.size() == 1, "every problem is told in one message");
  const std::string& message = port.messages[0].text;
  Check(IsValidUtf8(message), "the message is UTF-8");
  const std::string head = "Dabei kam es zu folgendem Fehler:\r\r";
  const std::string tail = "\rDer Batch-Modus wird daher unterbrochen.";
  const size_t begin = message.find(head), end = message.rfind(tail);
  Check(begin != std::string::npos && end != std::string::npos && end >= begin + head.size(),
        "the message has its head and tail");
  CheckErrorLines(std::string_view(message).substr(begin + head.size(), end - begin - head.size()));
  return 0;
}
