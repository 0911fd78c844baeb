// SPDX-License-Identifier: GPL-3.0-or-later
// Adds 1,000,000 rows with distinct names to the comparison list, sorts them and
// looks every name up once in another letter case. Prints times and peak memory.
//   bench_list [ROWS [EVERY]]: every EVERY-th name has an umlaut (0, the default: none)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "list/comparison_list.h"

using Clock = std::chrono::steady_clock;

static double Since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

int main(int argc, char** argv) {
  int n = argc > 1 ? std::stoi(argv[1]) : 1000000;
  int every = argc > 2 ? std::stoi(argv[2]) : 0;
  // Names are made on the fly, so that only the list's own memory is measured.
  auto name = [every](int i, bool upper) {
    unsigned k = static_cast<unsigned>(i) * 2654435761u;
    std::string s = upper ? "PROJEKTE/ORDNER" : "Projekte/Ordner";
    const char* file = upper ? "/DATEI_" : "/Datei_";
    if (every > 0 && i % every == 0)
      file = upper ? "/GR\xC3\x96\xC3\x9F"
                     "E_"
                   : "/Gr\xC3\xB6\xC3\x9F"
                     "e_";
    s += std::to_string(k % 997) + file + std::to_string(k) + ".txt";
    return s;
  };
  zweiblick::ComparisonList list;
  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) {
    int r = list.Add(list.Count() + 1, name(i, false));
    list.SetText(r, zweiblick::kLeftStampColumn, "2026120621:51:41");
  }
  double add = Since(t0);
  t0 = Clock::now();
  list.SetSorted(true);
  double sort = Since(t0);
  t0 = Clock::now();
  long found = 0;
  for (int i = 0; i < n; ++i) found += list.Find(name(i, true)) > 0;
  double find = Since(t0);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("rows %d  add %.3f s  sort %.3f s  find %.3f s (%ld found)  total %.3f s\n", n, add,
              sort, find, found, add + sort + find);
  std::printf("peak memory %.1f MB\n", ru.ru_maxrss / 1024.0);
  return found == n ? 0 : 1;
}
