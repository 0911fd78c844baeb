// SPDX-License-Identifier: GPL-3.0-or-later
// Times the steps a user takes on a big pair of folders, once through the real
// window (shown, painted, yielding to its event loop) and once headless, so the
// cost of the window itself shows as the ratio of the two.
//   bench_window window|headless LEFT RIGHT STEP...
// Prints each step's seconds and processor seconds. Steps, run in the order given: fill (both
// columns), left and right (one column each, as two folders dropped one after the other), binary,
// age, sort (each visible column, then the last one reversed), select (all rows), skip (the popup
// action "][" on the selection), sync, differ (every tenth row marked "<>"), hide and show ("Nur
// Unterschiede zeigen" checked and unchecked). In the window, gap_STEP is the longest time in
// milliseconds between two ticks of a 2 ms timer during the step: the longest the window was not
// served. text (window only): the text comparison of the list's first row opened as Enter opens it,
// until its changes are shown and painted; text_mb is how much more memory the process then holds
// at its peak than before the step.
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "comparison/compare_files.h"
#include "mainwindow/main_window.h"
#include "platform/report_port.h"
#include "reading/fill_column.h"
#include "sync/synchronize_folders.h"
#include "ui/form1.h"
#include "ui/text_compare_window.h"

namespace zweiblick {
namespace {

class CountingWindow : public ReportPort {
 public:
  MsgAnswer ShowMessage(const std::string&, MsgIcon, MsgButtons buttons) override {
    return buttons == MsgButtons::kAbortRetryIgnore ? MsgAnswer::kIgnore : MsgAnswer::kOk;
  }
  void SetClipboardText(const std::string&) override {}
  void YieldToEventLoop() override { ++yields; }
  long yields = 0;
};

// The window's side of each step: what it does after a command returns.
struct Front {
  MainWindow* core;
  Form1* form = nullptr;
  void Settle() {
    if (!form) return;
    form->Flush();
    QCoreApplication::processEvents();
  }
  void SelectAll() {
    if (form) {
      form->Liste()->selectAll();
    } else {
      for (int i = 1; i <= core->Liste().Count(); ++i) core->Liste().SetSelected(i, true);
    }
  }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the process, user and system: on a busy machine it shows
// what the window costs better than the clock does.
double CpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  return 0;
}

}  // namespace
}  // namespace zweiblick

int main(int argc, char** argv) {
  using namespace zweiblick;
  if (argc < 5) {
    std::fprintf(stderr, "usage: bench_window window|headless LEFT RIGHT STEP...\n");
    return 2;
  }
  bool window = std::string(argv[1]) == "window";
  std::unique_ptr<QApplication> app;
  std::unique_ptr<Form1> form;
  CountingWindow quiet;
  std::unique_ptr<MainWindow> headless;
  Front f{};
  if (window) {
    app = std::make_unique<QApplication>(argc, argv);
    form = std::make_unique<Form1>();
    form->Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
      return MsgAnswer::kOk;
    };
    form->Core().Load("");
    f = {&form->Core(), form.get()};
  } else {
    headless = std::make_unique<MainWindow>(quiet);
    f = {headless.get(), nullptr};
  }
  f.Settle();
  MainWindow& w = *f.core;
  QElapsedTimer sinceTick;
  qint64 longest = 0;
  QTimer ticks;
  if (window) {
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    ticks.start(2);
  }
  for (int a = 4; a < argc; ++a) {
    std::string step = argv[a];
    auto t0 = std::chrono::steady_clock::now();
    double cpu0 = CpuSeconds();
    sinceTick.start();
    longest = 0;
    if (step == "fill") {
      w.FillColumn(argv[2], true);
      f.Settle();
      w.FillColumn(argv[3], false);
    } else if (step == "left" || step == "right") {
      // One column, as the user drops one folder: the first, then the second.
      w.FillColumn(argv[step == "left" ? 2 : 3], step == "left");
    } else if (step.rfind("rows", 0) == 0) {
      // rowsN: N rows straight into the list, names on both sides, no disk.
      ComparisonList& list = w.Liste();
      int n = std::stoi(step.substr(4));
      for (int i = 1; i <= n; ++i) {
        std::string name = "ordner" + std::to_string(i % 101) + "/f_" + std::to_string(i) + ".txt";
        list.Add(list.Count() + 1, name);
        list.SetText(list.Count(), kMarkerColumn, "=");
        list.SetText(list.Count(), kRightNameColumn, name);
      }
    } else if (step == "binary" || step == "age") {
      w.SelectCompMode(step == "age" ? 1 : 0);
      w.CompareFiles(step == "binary");
    } else if (step == "sort") {
      for (int column : {kLeftNameColumn, kMarkerColumn, kRightNameColumn, kRightNameColumn}) {
        w.ColumnClick(column);
        f.Settle();
      }
    } else if (step == "select") {
      f.SelectAll();
    } else if (step == "differ") {
      // Every tenth row differs, as after a comparison of two near copies.
      for (int i = 10; i <= w.Liste().Count(); i += 10) w.Liste().SetText(i, kMarkerColumn, "<>");
    } else if (step == "hide" || step == "show") {
      if (!f.form) {
        w.DiffOnlyCheckClick(step == "hide");
      } else if (auto* box = f.form->findChild<QCheckBox*>("DiffOnlyCheck");
                 box->isChecked() != (step == "hide")) {
        box->click();  // as the user does
      }
    } else if (step == "skip") {
      w.PopupItemClick(8);
    } else if (step == "sync") {
      w.SynchronizeFolders();
    } else if (step == "text" && f.form) {
      // The peak so far starts again from what is held now (Linux 4.0 on).
      if (!(std::ofstream("/proc/self/clear_refs") << "5"))
        std::fprintf(stderr, "the peak memory could not be reset\n");
      const double before = StatusMb("VmRSS");
      TextCompareWindow* text = OpenTextComparison(*f.form, 1);
      if (!text) {
        std::fprintf(stderr, "no text comparison for row 1\n");
        return 1;
      }
      bool shown = false;
      QObject::connect(text, &TextCompareWindow::Compared, [&] { shown = true; });
      while (!shown) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      text->repaint();
      f.Settle();
      std::printf("text_mb=%.1f ", StatusMb("VmHWM") - before);
    } else {
      std::fprintf(stderr, "unknown step %s\n", step.c_str());
      return 2;
    }
    f.Settle();
    std::printf("%s=%.3f cpu_%s=%.3f ", step.c_str(), Seconds(t0), step.c_str(),
                CpuSeconds() - cpu0);
    if (window) std::printf("gap_%s=%lld ", step.c_str(), static_cast<long long>(longest));
    std::fflush(stdout);
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("rows=%d peak_mb=%.1f\n", w.Liste().Count(), ru.ru_maxrss / 1024.0);
  return 0;
}
