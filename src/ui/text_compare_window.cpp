// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/text_compare_window.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include "sync/failure_reason.h"
#include "textdiff/hunk_text.h"
#include "textdiff/pair_notes.h"
#include "textdiff/save_text_file.h"
#include "ui/diff_view.h"
#include "ui/form1.h"
#include "ui/message_box.h"
#include "ui/qt_platform.h"

namespace zweiblick {

namespace {

constexpr const char* kSettingsSection = "Textvergleich";
constexpr const char* kGeometryKey = "Geometrie";
constexpr const char* kComparing = "Vergleiche …";
constexpr const char* kStopped =
    "Vergleich abgebrochen (Esc). Ein Klick auf eine Ausnahme vergleicht neu.";

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string CannotRead(const std::string& path, int error) {
  return "Die Datei \"" + path + "\" kann nicht gelesen werden.\r" + FailureReason(error);
}

}  // namespace

TextCompareWindow::AskHook& TextCompareWindow::TestHook() {
  static AskHook hook;
  return hook;
}

TextCompareWindow::TextCompareWindow(TextPair pair, std::shared_ptr<TextFile> left,
                                     std::shared_ptr<TextFile> right, bool linesOnly)
    : QWidget(nullptr, Qt::Window),
      pair_(std::move(pair)),
      left_(std::move(left)),
      right_(std::move(right)),
      linesOnly_(linesOnly),
      trash_(true, [this](const std::string& folder) {
        return AskUser("Auf dem Datenträger von \"" + folder +
                           "\" gibt es keinen Papierkorb.\rDie alte Fassung endgültig ersetzen?",
                       Ask::kYesNo) == Answer::kYes;
      }) {
  setObjectName(QStringLiteral("TextCompareWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Q(TextComparisonCaption(pair_)));

  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  previous_ = new QPushButton(QStringLiteral("Vorheriger Unterschied"), this);
  previous_->setObjectName(QStringLiteral("PreviousDifference"));
  previous_->setToolTip(QStringLiteral("Vorheriger Unterschied (Umschalt+F7)"));
  next_ = new QPushButton(QStringLiteral("Nächster Unterschied"), this);
  next_->setObjectName(QStringLiteral("NextDifference"));
  next_->setToolTip(QStringLiteral("Nächster Unterschied (F7)"));
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("DifferenceCount"));
  whitespace_ = new QCheckBox(QStringLiteral("Leerraum ignorieren"), this);
  whitespace_->setObjectName(QStringLiteral("IgnoreWhitespace"));
  letterCase_ = new QCheckBox(QStringLiteral("Groß-/Kleinschreibung ignorieren"), this);
  letterCase_->setObjectName(QStringLiteral("IgnoreCase"));
  lineEnds_ = new QCheckBox(QStringLiteral("Zeilenenden ignorieren"), this);
  lineEnds_->setObjectName(QStringLiteral("IgnoreLineEnds"));
  save_ = new QPushButton(QStringLiteral("Speichern"), this);
  save_->setObjectName(QStringLiteral("Save"));
  save_->setToolTip(QStringLiteral(
      "Die geänderte Seite speichern (Strg+S); die alte Fassung kommt in den Papierkorb"));
  save_->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(previous_), static_cast<QWidget*>(next_),
                     static_cast<QWidget*>(count_)})
    bar->addWidget(w);
  bar->addStretch();
  bar->addWidget(save_);
  layout->addLayout(bar);
  // The options on a row of their own: the window stays narrow enough for a small screen.
  auto* options = new QHBoxLayout;
  for (QWidget* w : {whitespace_, letterCase_, lineEnds_}) options->addWidget(w);
  options->addStretch();
  layout->addLayout(options);

  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("Note"));
  note_->setWordWrap(true);
  QFont bold = note_->font();
  bold.setBold(true);
  note_->setFont(bold);
  layout->addWidget(note_);

  auto* headers = new QHBoxLayout;
  for (int side = 0; side < 2; ++side) {
    header_[side] = new QLabel(this);
    header_[side]->setObjectName(side == 0 ? QStringLiteral("LeftHeader")
                                           : QStringLiteral("RightHeader"));
    header_[side]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header_[side]->setWordWrap(true);
    headers->addWidget(header_[side], 1);
  }
  layout->addLayout(headers);

  view_ = new DiffView(this);
  layout->addWidget(view_, 1);
  hex_ = new QPlainTextEdit(this);
  hex_->setObjectName(QStringLiteral("HexView"));
  hex_->setReadOnly(true);
  hex_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  hex_->hide();
  layout->addWidget(hex_, 1);

  connect(previous_, &QPushButton::clicked, this, &TextCompareWindow::PreviousDifference);
  connect(next_, &QPushButton::clicked, this, &TextCompareWindow::NextDifference);
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  for (QCheckBox* c : {whitespace_, letterCase_, lineEnds_})
    connect(c, &QCheckBox::toggled, this, [this] { StartComparison(); });
  connect(view_, &DiffView::TakeBlockRequested, this, &TextCompareWindow::TakeBlock);
  connect(view_, &DiffView::CurrentBlockChanged, this, [this] { ShowCount(); });
  auto shortcut = [this](QKeySequence keys, auto slot) {
    auto* s = new QShortcut(keys, this);
    connect(s, &QShortcut::activated, this, slot);
  };
  shortcut(QKeySequence(Qt::Key_F7), [this] { NextDifference(); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7), [this] { PreviousDifference(); });
  shortcut(QKeySequence::Save, [this] { Save(); });
  // Escape stops a long comparison; with none running it closes the window.
  shortcut(QKeySequence(Qt::Key_Escape), [this] {
    if (diff_.Running()) {
      ++generation_;
      diff_.Cancel();
      note_->setText(Q(kStopped));
    } else {
      close();
    }
  });

  QtSettingsStore settings;
  std::optional<std::string> geometry = settings.Read(kSettingsSection, kGeometryKey);
  if (!geometry || !restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*geometry))))
    resize(1100, 720);

  ShowHeaders();
  if (left_->binary || right_->binary)
    ShowBinary();
  else
    StartComparison();
}

TextCompareWindow::~TextCompareWindow() {
  diff_.Cancel();
}

TextCompareWindow::Answer TextCompareWindow::AskUser(const std::string& text, Ask ask) {
  if (TestHook()) return TestHook()(text, ask);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Zweiblick"), DisplayLines(text),
                  QMessageBox::NoButton, this);
  switch (ask) {
    case Ask::kOk:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Ask::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::No);
      break;
    case Ask::kSaveDiscardCancel:
      box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Save);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    case QMessageBox::Save:
      return Answer::kSave;
    case QMessageBox::Discard:
      return Answer::kDiscard;
    case QMessageBox::Ok:
      return Answer::kOk;
    default:
      return Answer::kCancel;
  }
}

IgnoreOptions TextCompareWindow::Options() const {
  return {whitespace_->isChecked(), letterCase_->isChecked(), lineEnds_->isChecked()};
}

void TextCompareWindow::ShowHeaders() {
  header_[0]->setText(QStringLiteral("Links: ") + Q(FileHeader(*left_)));
  header_[1]->setText(QStringLiteral("Rechts: ") + Q(FileHeader(*right_)));
}

void TextCompareWindow::StartComparison() {
  if (left_->binary || right_->binary) return;
  const int generation = ++generation_;
  note_->setText(Q(kComparing));
  QPointer<TextCompareWindow> self(this);
  diff_.Start(left_, right_, Options(),
              [self, generation](std::vector<Hunk> hunks, bool cancelled) {
                // On the comparison's thread: the result goes to the window's, where a
                // window closed since, or a comparison started since, drops it.
                if (cancelled) return;
                QMetaObject::invokeMethod(
                    self.data(),
                    [self, generation, hunks = std::move(hunks)]() mutable {
                      if (self && self->generation_ == generation)
                        self->ShowHunks(std::move(hunks));
                    },
                    Qt::QueuedConnection);
              });
}

void TextCompareWindow::ShowHunks(std::vector<Hunk> hunks) {
  hunks_ = std::move(hunks);
  const int keep = view_->CurrentBlock();
  view_->SetContent(left_, right_,
                    AlignRows(int(left_->lines.size()), int(right_->lines.size()), hunks_),
                    Options(), !linesOnly_);
  std::string note = LookAlikeNote(*left_, *right_);
  if (hunks_.empty())
    note = note.empty() ? kNoDifferences : std::string(kNoDifferences) + ". " + note;
  if (linesOnly_)
    note += std::string(note.empty() ? "" : " ") + "Große Datei: nur zeilenweise verglichen.";
  note_->setText(Q(note));
  const int blocks = int(view_->Rows().blocks.size());
  if (blocks > 0) view_->ShowBlock(std::clamp(keep, 0, blocks - 1));
  ShowCount();
  emit Compared();
}

void TextCompareWindow::ShowCount() {
  const int blocks = int(view_->Rows().blocks.size());
  count_->setText(Q(BlockCountText(view_->CurrentBlock(), blocks)));
  previous_->setEnabled(blocks > 0 && view_->CurrentBlock() != 0);
  next_->setEnabled(blocks > 0 && view_->CurrentBlock() < blocks - 1);
}

void TextCompareWindow::ShowBinary() {
  view_->hide();
  hex_->show();
  for (QWidget* w :
       std::initializer_list<QWidget*>{previous_, next_, whitespace_, letterCase_, lineEnds_})
    w->setEnabled(false);
  const std::string l = FileBytes(*left_), r = FileBytes(*right_);
  const std::int64_t at = FirstDifferentByte(l, r);
  std::string text;
  if (at < 0) {
    note_->setText(Q(std::string(kBinaryFile) + ": " + kNoDifferences));
    count_->setText(Q(BlockCountText(-1, 0)));
    return;
  }
  char offset[64];
  std::snprintf(offset, sizeof offset, "%lld (0x%llx)", static_cast<long long>(at),
                static_cast<unsigned long long>(at));
  note_->setText(Q(std::string(kBinaryFile) + ": erstes abweichendes Byte bei " + offset));
  count_->setText(QString());
  text += "Links:\n";
  for (const std::string& row : HexRows(l, at)) text += row + "\n";
  text += "\nRechts:\n";
  for (const std::string& row : HexRows(r, at)) text += row + "\n";
  hex_->setPlainText(Q(text));
}

void TextCompareWindow::NextDifference() {
  const DiffView& v = *view_;
  int b = NextBlock(v.Rows(), v.CurrentBlock(), v.TopRow());
  if (b >= 0) view_->ShowBlock(b);
  ShowCount();
}

void TextCompareWindow::PreviousDifference() {
  const DiffView& v = *view_;
  int b = PreviousBlock(v.Rows(), v.CurrentBlock(), v.TopRow());
  if (b >= 0) view_->ShowBlock(b);
  ShowCount();
}

void TextCompareWindow::TakeBlock(int block, bool toRight) {
  if (diff_.Running() || block < 0 || block >= int(view_->Rows().blocks.size())) return;
  const Hunk hunk = view_->Rows().blocks[block].hunk;
  const TextFile& from = toRight ? *left_ : *right_;
  auto changed = std::make_shared<TextFile>(toRight ? *right_ : *left_);
  if (!zweiblick::TakeBlock(from, *changed, hunk, toRight)) {
    AskUser("Der Block enthält Zeichen, die es in " + std::string(EncodingName(changed->encoding)) +
                " nicht gibt; er wird nicht übernommen.",
            Ask::kOk);
    return;
  }
  (toRight ? right_ : left_) = std::move(changed);
  dirty_[toRight ? 1 : 0] = true;
  save_->setEnabled(true);
  setWindowTitle(Q(TextComparisonCaption(pair_)) + QStringLiteral(" *"));
  StartComparison();
}

bool TextCompareWindow::Save() {
  bool all = true;
  for (int side = 0; side < 2; ++side) {
    if (!dirty_[side]) continue;
    std::shared_ptr<TextFile>& file = side == 0 ? left_ : right_;
    auto written = std::make_shared<TextFile>(*file);
    int error = 0;
    SaveResult result = SaveTextFile(*written, trash_, error);
    if (result == SaveResult::kSaved) {
      file = std::move(written);
      dirty_[side] = false;
      continue;
    }
    all = false;
    if (result == SaveResult::kChangedOnDisk) {
      if (AskUser("Die Datei \"" + file->path +
                      "\" wurde seit dem Öffnen von einem anderen Programm verändert und wird "
                      "nicht überschrieben.\rNeu laden? Die Änderungen in diesem Fenster gehen "
                      "dabei verloren.",
                  Ask::kYesNo) == Answer::kYes)
        Reload();
      return false;
    }
    AskUser("Die Datei \"" + file->path + "\" konnte nicht gespeichert werden.\r" +
                FailureReason(error),
            Ask::kOk);
  }
  save_->setEnabled(Unsaved());
  if (!Unsaved()) setWindowTitle(Q(TextComparisonCaption(pair_)));
  ShowHeaders();
  emit Saved(pair_);
  return all;
}

bool TextCompareWindow::Reload() {
  auto left = std::make_shared<TextFile>(), right = std::make_shared<TextFile>();
  int error = 0;
  for (int side = 0; side < 2; ++side) {
    const std::string& path = side == 0 ? pair_.left : pair_.right;
    if (ReadTextFile(path, true, side == 0 ? *left : *right, error) != ReadResult::kOk) {
      AskUser(CannotRead(path, error), Ask::kOk);
      return false;
    }
  }
  left_ = left, right_ = right;
  dirty_[0] = dirty_[1] = false;
  save_->setEnabled(false);
  setWindowTitle(Q(TextComparisonCaption(pair_)));
  ShowHeaders();
  if (left_->binary || right_->binary)
    ShowBinary();
  else
    StartComparison();
  return true;
}

void TextCompareWindow::closeEvent(QCloseEvent* event) {
  if (Unsaved()) {
    Answer a = AskUser(
        "Die Änderungen an \"" + pair_.name + "\" sind nicht gespeichert.\rJetzt speichern?",
        Ask::kSaveDiscardCancel);
    if (a == Answer::kCancel || (a == Answer::kSave && !Save())) {
      event->ignore();
      return;
    }
  }
  diff_.Cancel();
  QtSettingsStore().Write(kSettingsSection, kGeometryKey, saveGeometry().toBase64().toStdString());
  event->accept();
}

TextCompareWindow* OpenTextComparison(Form1& form, int position) {
  TextPair pair;
  if (!TextPairOfRow(form.Core(), position, pair)) return nullptr;
  auto ask = [&](const std::string& text, TextCompareWindow::Ask kind) {
    if (TextCompareWindow::TestHook()) return TextCompareWindow::TestHook()(text, kind);
    std::unique_ptr<QMessageBox> box = MakeMessageBox(
        &form, text, kind == TextCompareWindow::Ask::kOk ? MsgIcon::kExclamation : MsgIcon::kNone,
        kind == TextCompareWindow::Ask::kOk ? MsgButtons::kOk : MsgButtons::kYesNo);
    box->exec();
    return AnswerOf(*box,
                    kind == TextCompareWindow::Ask::kOk ? MsgButtons::kOk : MsgButtons::kYesNo) ==
                   MsgAnswer::kYes
               ? TextCompareWindow::Answer::kYes
               : TextCompareWindow::Answer::kNo;
  };
  auto left = std::make_shared<TextFile>(), right = std::make_shared<TextFile>();
  bool large = false;
  for (int side = 0; side < 2; ++side) {
    const std::string& path = side == 0 ? pair.left : pair.right;
    TextFile& file = side == 0 ? *left : *right;
    int error = 0;
    ReadResult r = ReadTextFile(path, large, file, error);
    if (r == ReadResult::kTooLarge || (r == ReadResult::kOk && file.Large() && !large)) {
      if (ask("\"" + path +
                  "\" ist größer als 64 MB oder hat mehr als 1.000.000 Zeilen.\r"
                  "Trotzdem vergleichen? Dann nur zeilenweise, ohne markierte Wörter.",
              TextCompareWindow::Ask::kYesNo) != TextCompareWindow::Answer::kYes)
        return nullptr;
      large = true;
      if (r == ReadResult::kTooLarge) r = ReadTextFile(path, true, file, error);
    }
    if (r != ReadResult::kOk) {
      ask(CannotRead(path, error), TextCompareWindow::Ask::kOk);
      return nullptr;
    }
  }
  auto* window = new TextCompareWindow(pair, left, right, large);
  QObject::connect(window, &TextCompareWindow::Saved, &form, [&form](const TextPair& saved) {
    RecomputeRowMarker(form.Core(), saved);
    form.Flush();
  });
  window->show();
  return window;
}

}  // namespace zweiblick
