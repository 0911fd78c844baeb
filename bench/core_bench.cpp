// Times the core's operations on real folders, through the same code the
// window runs, with a port that shows nothing and yields to no real window.
//   bench_core fill LEFT RIGHT         fill both columns
//   bench_core binary LEFT RIGHT       fill both columns, then the binary comparison
//   bench_core age LEFT RIGHT          fill both columns, then time the age comparison
//   bench_core sync SOURCE TARGET      fill, mark every row "-->", time the synchronisation
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "comparison/compare_files.h"
#include "mainwindow/main_window.h"
#include "platform/report_port.h"
#include "reading/fill_column.h"
#include "sync/markers.h"
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

}  // namespace
}  // namespace zweiblick

int main(int argc, char** argv) {
  using namespace zweiblick;
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_core fill|binary|age|sync LEFT RIGHT\n");
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
    t0 = std::chrono::steady_clock::now();
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
