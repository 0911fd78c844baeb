// SPDX-License-Identifier: GPL-3.0-or-later
// The window "Zweiblick – Textvergleich: NAME": the two files of a row side
// by side, their blocks taken across and saved. Not modal: the main window
// goes on meanwhile, and several may be open.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "mainwindow/text_pair.h"
#include "sync/trash.h"
#include "textdiff/aligned_rows.h"
#include "textdiff/background_diff.h"
#include "textdiff/text_file.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zweiblick {

class DiffView;
class Form1;

class TextCompareWindow : public QWidget {
  Q_OBJECT
 public:
  // What the window asks; tests answer instead of a box.
  enum class Ask { kOk, kYesNo, kSaveDiscardCancel };
  enum class Answer { kOk, kYes, kNo, kSave, kDiscard, kCancel };
  using AskHook = std::function<Answer(const std::string& text, Ask ask)>;
  static AskHook& TestHook();

  TextCompareWindow(TextPair pair, std::shared_ptr<TextFile> left, std::shared_ptr<TextFile> right,
                    bool linesOnly);
  ~TextCompareWindow() override;

  DiffView* Panes() const { return view_; }
  bool Comparing() const { return diff_.Running(); }
  bool Unsaved() const { return dirty_[0] || dirty_[1]; }
  const TextFile& Side(bool left) const { return left ? *left_ : *right_; }

  void NextDifference();
  void PreviousDifference();
  void TakeBlock(int block, bool toRight);
  // Writes the changed sides; false when one could not be written.
  bool Save();

 signals:
  // A side was written: the row's marker is to be found anew.
  void Saved(const TextPair& pair);
  // A comparison ended (for whoever waits for it).
  void Compared();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Answer AskUser(const std::string& text, Ask ask);
  void StartComparison();
  void ShowHunks(std::vector<Hunk> hunks);
  void ShowBinary();
  void ShowCount();
  void ShowHeaders();
  bool Reload();
  IgnoreOptions Options() const;

  TextPair pair_;
  std::shared_ptr<TextFile> left_, right_;
  bool linesOnly_;
  bool dirty_[2] = {false, false};
  int generation_ = 0;
  std::vector<Hunk> hunks_;
  DiffView* view_ = nullptr;
  QPlainTextEdit* hex_ = nullptr;
  QLabel* header_[2] = {nullptr, nullptr};
  QLabel* note_ = nullptr;
  QLabel* count_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* save_ = nullptr;
  QCheckBox* whitespace_ = nullptr;
  QCheckBox* letterCase_ = nullptr;
  QCheckBox* lineEnds_ = nullptr;
  Trash trash_;
  BackgroundDiff diff_;  // last: its thread ends before anything it reports to
};

// Double-click or Enter on row `position` of the main window: opens the
// comparison of its two files, or says why not. Returns the window (null when
// none opened).
TextCompareWindow* OpenTextComparison(Form1& form, int position);

}  // namespace zweiblick
