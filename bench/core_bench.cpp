// SPDX-License-Identifier: GPL-3.0-or-later
// Times the core's operations on real folders, through the same code the
// window runs, with a port that shows nothing and yields to no real window.
//   bench_core fill LEFT RIGHT         fill both columns
//   bench_core binary LEFT RIGHT       fill both columns, then the binary comparison
//   bench_core age LEFT RIGHT          fill both columns, then time the age comparison
//   bench_core sync SOURCE TARGET      fill, mark every row "-->", time the synchronisation
//   bench_core walk TREE               the walk without and with 10 exclusion patterns
//   bench_core record FILES DATABASE   writes a record of FILES files, then loads it
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "comparison/compare_files.h"
#include "list/markers.h"
#include "mainwindow/main_window.h"
#include "platform/report_port.h"
#include "reading/fill_column.h"
#include "reading/name_filter.h"
#include "reading/path_helpers.h"
#include "reading/walk_folder_tree.h"
#include "record/pair_record.h"
#include "sync/synchronize_folders.h"

namespace zweiblick {
namespace {

class CountingWindow : public ReportPort {
 public:
  MsgAnswer ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override {
    if (buttons != MsgButtons::kAbortRetryIgnore) return MsgAnswer::kOk;
    ++failures;
    return MsgAnswer::kIgnore;
  }
  void SetClipboardText(const std::string&) override {}
  void YieldToEventLoop() override {
    ++yields;
    Served();
  }
  void HandleEventsWhileWaiting() override { Served(); }
  // The longest time the window's thread went without handling events.
  void Served() {
    auto now = std::chrono::steady_clock::now();
    maxGap = std::max(maxGap, std::chrono::duration<double>(now - last).count());
    last = now;
  }
  long yields = 0;
  long failures = 0;
  double maxGap = 0;
  std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Ten patterns as a project would write them, none of which matches in the
// benchmark trees: the walk does the same work and pays for the patterns alone.
// Two are anchored with "**", so every entry goes through the path matcher.
constexpr const char* kTenPatterns =
    "node_modules/; build/; *.tmp; *.bak; *~; ?.swp; /dist; **/target/; doc/**/alt; .cache/";

// Walks TREE alternately without and with the patterns (the order swapped every
// round) and prints the medians and their ratio, then what the patterns cost
// per entry when only they are timed.
int WalkBench(const std::string& tree) {
  CountingWindow port;
  MainWindow w(port);
  std::vector<PatternProblem> problems;
  NameFilter none, ten = NameFilter::Compile(kTenPatterns, false, problems);
  if (!problems.empty()) return 2;
  const char* env = std::getenv("ENGINE_ROUNDS");
  int rounds = env ? std::max(1, std::atoi(env)) : 7;
  std::vector<FoundFile> found;
  auto walk = [&](const NameFilter& filter) {
    found.assign(1, FoundFile{});
    auto t0 = std::chrono::steady_clock::now();
    WalkFolderTree(found, w.Run(), tree, filter);
    return Seconds(t0);
  };
  walk(none);  // warms the cache
  size_t files = found.size() - 1;
  std::vector<double> without, with;
  for (int r = 0; r < rounds; ++r) {
    if (r % 2 == 0) without.push_back(walk(none));
    with.push_back(walk(ten));
    if (r % 2 == 1) without.push_back(walk(none));
    if (found.size() - 1 != files) return 1;  // the patterns must leave nothing out
  }
  // The paths side by side, as the walk has each one at hand in its cache.
  size_t start = WithTrailingBackslash(tree).size();
  std::string paths;
  std::vector<std::pair<size_t, size_t>> at;
  for (size_t i = 1; i < found.size(); ++i) {
    at.emplace_back(paths.size(), found[i].path.size() - start);
    paths += std::string_view(found[i].path).substr(start);
  }
  auto t0 = std::chrono::steady_clock::now();
  size_t kept = 0;
  for (int r = 0; r < 10; ++r)
    for (auto [offset, length] : at)
      kept +=
          ten.Check(std::string_view(paths).substr(offset, length)) == NameFilter::Verdict::kKeep;
  double match = Seconds(t0) / 10;
  double a = Median(without), b = Median(with);
  std::printf(
      "files=%zu rounds=%d without=%.3f with10=%.3f ratio=%.3f matcher_ms=%.2f "
      "ns_per_entry=%.0f kept=%zu\n",
      files, rounds, a, b, b / a, match * 1000, match * 1e9 / std::max<size_t>(files, 1),
      kept / 10);
  return 0;
}

// Writes a record of `files` files for one pair into a new database at
// `path`, then reads it back as a comparison by changes does, three times.
int RecordBench(long files, const std::string& path) {
  std::remove(path.c_str());
  RecordStore store(path);
  std::vector<RecordChange> changes;
  changes.reserve(files);
  for (long i = 0; i < files; ++i) {
    RecordedFile f;
    f.leftName = f.rightName =
        "Ordner " + std::to_string(i / 100) + "/Foto " + std::to_string(i) + ".jpg";
    f.left.size = f.right.size = 100000 + i;
    f.left.mtimeSec = f.right.mtimeSec = 1700000000 + i;
    f.left.mtimeNsec = f.right.mtimeNsec = 123456789;
    f.left.inode = 1000 + i;
    changes.emplace_back(
        "ordner " + std::to_string(i / 100) + "/foto " + std::to_string(i) + ".jpg", std::move(f));
  }
  std::string problem;
  auto t0 = std::chrono::steady_clock::now();
  if (!store.Write("bench pair", changes, true, problem)) {
    std::fprintf(stderr, "record: %s\n", problem.c_str());
    return 1;
  }
  double write = Seconds(t0);
  changes.clear();
  std::vector<double> loads;
  size_t loaded = 0;
  for (int r = 0; r < 3; ++r) {
    t0 = std::chrono::steady_clock::now();
    LoadedRecord rec = store.Load("bench pair");
    loads.push_back(Seconds(t0));
    loaded = rec.files.size();
  }
  std::sort(loads.begin(), loads.end());
  struct stat st {};
  stat(path.c_str(), &st);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("files=%zu write=%.3f load=%.3f db_mb=%.1f peak_mb=%.1f\n", loaded, write, loads[1],
              st.st_size / 1048576.0, ru.ru_maxrss / 1024.0);
  return loaded == static_cast<size_t>(files) ? 0 : 1;
}

}  // namespace
}  // namespace zweiblick

int main(int argc, char** argv) {
  using namespace zweiblick;
  if (argc == 3 && std::strcmp(argv[1], "walk") == 0) return WalkBench(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "record") == 0)
    return RecordBench(std::atol(argv[2]), argv[3]);
  if (argc != 4) {
    std::fprintf(
        stderr,
        "usage: bench_core fill|binary|age|sync LEFT RIGHT | walk TREE | record FILES DATABASE\n");
    return 2;
  }
  std::string mode = argv[1];
  CountingWindow port;
  MainWindow w(port);
  auto t0 = std::chrono::steady_clock::now();
  w.FillColumn(argv[2], true);
  w.FillColumn(argv[3], false);
  double fill = Seconds(t0);
  double step = 0;
  if (mode == "binary" || mode == "age") {
    t0 = port.last = std::chrono::steady_clock::now();
    port.maxGap = 0;
    w.CompareFiles(mode == "binary");
    step = Seconds(t0);
  } else if (mode == "sync") {
    for (int i = 1; i <= w.Liste().Count(); ++i)
      w.Liste().SetText(i, kMarkerColumn, kMarkCopyRight);
    t0 = port.last = std::chrono::steady_clock::now();
    port.maxGap = 0;  // the synchronisation's own pauses, not the filling's
    w.SynchronizeFolders();
    step = Seconds(t0);
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("rows=%d fill=%.3f", w.Liste().Count(), fill);
  if (mode != "fill") std::printf(" %s=%.3f", mode.c_str(), step);
  port.Served();  // until the end of the last step
  std::printf(" yields=%ld failures=%ld max_gap_ms=%.1f peak_mb=%.1f\n", port.yields, port.failures,
              port.maxGap * 1000, ru.ru_maxrss / 1024.0);
  return port.failures == 0 ? 0 : 1;
}
