// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QUrl>

#include "mainwindow/captions.h"
#include "mainwindow/folder_entry.h"
#include "ui/list_model.h"
#include "ui/list_selection.h"
#include "ui/list_view.h"
#include "ui/text_compare_window.h"
#include "ui/twips.h"
#include "ui/wrap_check_box.h"

namespace zweiblick {
namespace {

inline constexpr int kClientWidthTwips = 8730;
inline constexpr int kClientHeightTwips = 6210;
inline constexpr int kSbarHeightTwips = 255;

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QPushButton* MakeButton(QWidget* parent, int index, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QStringLiteral("Btn%1").arg(index));
  b->setAutoDefault(false);
  return b;
}

// The keys that open a context menu from the keyboard.
bool IsMenuKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Menu ||
         (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  BuildControls();
  BuildPopupMenu();
  BuildFactColumns();
  SetKeyboardOrder();
  ShowSortIndicator();
  resize(Px(kClientWidthTwips), Px(kClientHeightTwips));
  layout_.Add(LayoutPart::kWindow, std::make_unique<WidgetLayoutObject>(this));
  layout_.Add(LayoutPart::kListe, std::make_unique<WidgetLayoutObject>(liste_));
  layout_.Add(LayoutPart::kFrame1, std::make_unique<WidgetLayoutObject>(frame1_));
  layout_.Add(LayoutPart::kFrame2, std::make_unique<WidgetLayoutObject>(frame2_));
  layout_.Add(LayoutPart::kFrame3, std::make_unique<WidgetLayoutObject>(frame3_));
  layout_.Add(LayoutPart::kFrame4, std::make_unique<WidgetLayoutObject>(frame4_));
  layout_.Add(LayoutPart::kBtn1, std::make_unique<WidgetLayoutObject>(btn_[kBtnRightFolder]));
  layout_.Add(LayoutPart::kColumn1,
              std::make_unique<ColumnLayoutObject>(liste_->horizontalHeader(), 0));
  layout_.Add(LayoutPart::kColumn3,
              std::make_unique<ColumnLayoutObject>(liste_->horizontalHeader(), 2));
}

Form1::~Form1() {
  // The core's list goes before the child widgets: the view must stop reading it.
  liste_->setModel(nullptr);
}

void Form1::BuildControls() {
  setFont(DialogFont(font()));

  frame1_ = new QGroupBox(QString::fromUtf8(kFrame1Caption), this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  Place(frame1_, 60, 60, 8595, 4395);

  // A flat table: a tree view lays out every row again whenever rows come or go,
  // which a list of a million rows cannot afford at every step of a long run.
  liste_ = new ListView(frame1_);
  liste_->setObjectName(QStringLiteral("Liste"));
  Place(liste_, 120, 240, 8355, 3555);
  model_ = new ListModel(core_.Liste(), this);
  liste_->setModel(model_);
  QItemSelectionModel* viewsOwn = liste_->selectionModel();
  liste_->setSelectionModel(new ListSelection(model_, core_.Liste(), liste_));
  delete viewsOwn;
  liste_->setShowGrid(false);
  liste_->setWordWrap(false);
  liste_->setCornerButtonEnabled(false);
  QHeaderView* rows = liste_->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(liste_->fontMetrics().height() + 4);
  liste_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  liste_->setSelectionBehavior(QAbstractItemView::SelectRows);
  liste_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  liste_->setTextElideMode(Qt::ElideNone);
  QHeaderView* header = liste_->horizontalHeader();
  header->setHighlightSections(false);
  // The header draws each column as selected or not and asks the selection for
  // that at every repaint; with all rows selected the answer walks every row.
  // No column is ever selected here, so it gets a selection of its own.
  header->setSelectionModel(new QItemSelectionModel(model_, header));
  header->setStretchLastSection(false);
  header->setSectionsClickable(true);
  header->setSectionsMovable(false);
  header->setMinimumSectionSize(0);
  for (int c = 0; c < kColumnCount; ++c) header->resizeSection(c, Px(kColumnWidthTwips[c]));
  liste_->setColumnHidden(kLeftStampColumn - 1, true);
  liste_->setColumnHidden(kRightStampColumn - 1, true);
  // A new folder in the list is shown from its left edge.
  connect(model_, &QAbstractItemModel::headerDataChanged, this,
          [this] { liste_->horizontalScrollBar()->setValue(0); });
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int section) { Handle([&] { core_.ColumnClick(section + 1); }); });
  liste_->viewport()->installEventFilter(this);
  liste_->setAcceptDrops(true);
  liste_->viewport()->setAcceptDrops(true);

  frame2_ = new QWidget(frame1_);
  frame2_->setObjectName(QStringLiteral("Frame2"));
  Place(frame2_, 120, 3900, 6855, 435);
  QIcon folder = style()->standardIcon(QStyle::SP_DirOpenIcon);
  btn_[kBtnLeftFolder] = MakeButton(frame2_, kBtnLeftFolder, QString());
  Place(btn_[kBtnLeftFolder], 0, 0, 640, 375);
  // Beside the left folder button, in the frame that moves with the window's
  // bottom edge: reads the pair again (F5).
  btnReload_ = new QPushButton(frame2_);
  btnReload_->setObjectName(QStringLiteral("BtnReload"));
  btnReload_->setAutoDefault(false);
  btnReload_->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
  btnReload_->setIconSize(QSize(16, 16));
  Place(btnReload_, 680, 0, 360, 375);
  compModeOpt_[0] = new QRadioButton(QString::fromUtf8(kCompModeBinaryCaption), frame2_);
  compModeOpt_[0]->setObjectName(QStringLiteral("CompModeOpt0"));
  Place(compModeOpt_[0], 1080, 0, 1335, 375);
  compModeOpt_[1] = new QRadioButton(QString::fromUtf8(kCompModeAgeCaption), frame2_);
  compModeOpt_[1]->setObjectName(QStringLiteral("CompModeOpt1"));
  Place(compModeOpt_[1], 2430, 0, 1395, 375);
  compModeOpt_[2] = new QRadioButton(QString::fromUtf8(kCompModeChangesCaption), frame2_);
  compModeOpt_[2]->setObjectName(QStringLiteral("CompModeOpt2"));
  Place(compModeOpt_[2], 3840, 0, 2220, 375);
  pbar_ = new QProgressBar(frame2_);
  pbar_->setObjectName(QStringLiteral("Pbar"));
  pbar_->setRange(0, 1000);
  pbar_->setValue(0);
  pbar_->setTextVisible(false);
  Place(pbar_, 6090, 0, 375, 375);
  // After the progress bar, in the same frame: undoes the last run (Ctrl+Z),
  // shown only while the chosen pair has one to undo.
  btnUndo_ = new QPushButton(frame2_);
  btnUndo_->setObjectName(QStringLiteral("BtnUndo"));
  btnUndo_->setAutoDefault(false);
  btnUndo_->setIcon(
      QIcon::fromTheme(QStringLiteral("edit-undo"), style()->standardIcon(QStyle::SP_ArrowBack)));
  btnUndo_->setIconSize(QSize(16, 16));
  Place(btnUndo_, 6495, 0, 360, 375);
  btnUndo_->setVisible(false);

  // The right folder button belongs to the window and lies over Frame1.
  btn_[kBtnRightFolder] = MakeButton(this, kBtnRightFolder, QString());
  Place(btn_[kBtnRightFolder], 7140, 3960, 1395, 375);
  for (int i : {kBtnLeftFolder, kBtnRightFolder}) {
    btn_[i]->setIcon(folder);
    btn_[i]->setIconSize(QSize(18, 18));
  }

  frame3_ = new QGroupBox(QString::fromUtf8(kFrame3Caption), this);
  frame3_->setObjectName(QStringLiteral("Frame3"));
  Place(frame3_, 60, 4560, 8595, 1335);
  myTopMostChk_ = new WrapCheckBox(QString::fromUtf8(kTopMostCaption), frame3_);
  myTopMostChk_->setObjectName(QStringLiteral("MyTopMostChk"));
  Place(myTopMostChk_, 3480, 240, 1755, 435);
  frame4_ = new QWidget(frame3_);
  frame4_->setObjectName(QStringLiteral("Frame4"));
  Place(frame4_, 5460, 240, 3075, 1035);
  struct ButtonSpec {
    int index;
    const char* caption;
    int left, top, width, height;
  };
  const ButtonSpec frame4Buttons[] = {
      {kBtnClipboard, kBtnClipboardCaption, 2040, 0, 975, 555},
      {kBtnHelp, kBtnHelpCaption, 0, 600, 975, 375},
      {kBtnSync, kBtnSyncCaption, 1020, 0, 975, 555},
      {kBtnCompare, kBtnCompareCaption, 0, 0, 975, 555},
      {kBtnEnd, kBtnEndCaption, 2040, 600, 975, 375},
      {kBtnInfo, kBtnInfoCaption, 1020, 600, 975, 375},
  };
  for (const ButtonSpec& b : frame4Buttons) {
    btn_[b.index] = MakeButton(frame4_, b.index, WrappedCaption(b.caption));
    Place(btn_[b.index], b.left, b.top, b.width, b.height);
  }
  btn_[kBtnLoadParams] = MakeButton(frame3_, kBtnLoadParams, WrappedCaption(kBtnLoadParamsCaption));
  Place(btn_[kBtnLoadParams], 1140, 600, 975, 555);
  btn_[kBtnSaveParams] = MakeButton(frame3_, kBtnSaveParams, WrappedCaption(kBtnSaveParamsCaption));
  Place(btn_[kBtnSaveParams], 1500, 780, 975, 555);
  btn_[kBtnLoadParams]->setVisible(false);
  btn_[kBtnSaveParams]->setVisible(false);
  sofortStartCheck_ = new WrapCheckBox(QString::fromUtf8(kSofortStartCaption), frame3_);
  sofortStartCheck_->setObjectName(QStringLiteral("SofortStartCheck"));
  Place(sofortStartCheck_, 120, 240, 3225, 435);
  toolTipCheck_ = new WrapCheckBox(QString::fromUtf8(kToolTipCaption), frame3_);
  toolTipCheck_->setObjectName(QStringLiteral("ToolTipCheck"));
  Place(toolTipCheck_, 120, 930, 1635, 255);
  speedCheck_ = new WrapCheckBox(QString::fromUtf8(kSpeedCaption), frame3_);
  speedCheck_->setObjectName(QStringLiteral("SpeedCheck"));
  Place(speedCheck_, 3480, 900, 1755, 315);
  // In the room between the two columns of check boxes, moving with the frame.
  diffOnlyCheck_ = new WrapCheckBox(QString::fromUtf8(kDiffOnlyCaption), frame3_);
  diffOnlyCheck_->setObjectName(QStringLiteral("DiffOnlyCheck"));
  Place(diffOnlyCheck_, 1830, 840, 1620, 435);

  sbar_ = new QWidget(this);
  sbar_->setObjectName(QStringLiteral("Sbar"));
  panel1_ = new QLabel(sbar_);
  panel2_ = new QLabel(sbar_);
  for (QLabel* p : {panel1_, panel2_}) {
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setTextFormat(Qt::PlainText);
  }
  panel1_->setObjectName(QStringLiteral("SbarPanel1"));
  panel2_->setObjectName(QStringLiteral("SbarPanel2"));

  frame1_->lower();
  btn_[kBtnRightFolder]->raise();

  for (int i = 0; i < int(btn_.size()); ++i) {
    if (!btn_[i]) continue;
    connect(btn_[i], &QPushButton::clicked, this,
            [this, i] { Handle([&] { core_.BtnClick(i); }); });
  }
  for (int i = 0; i < int(compModeOpt_.size()); ++i) {
    connect(compModeOpt_[i], &QRadioButton::clicked, this,
            [this, i] { Handle([&] { core_.CompModeOptClick(i); }); });
  }
  connect(toolTipCheck_, &QCheckBox::clicked, this,
          [this](bool on) { Handle([&] { core_.ToolTipCheckClick(on); }); });
  connect(myTopMostChk_, &QCheckBox::clicked, this,
          [this](bool on) { Handle([&] { core_.MyTopMostChkClick(on); }); });
  connect(sofortStartCheck_, &QCheckBox::toggled, this,
          [this](bool on) { core_.SetSofortStart(on); });
  connect(speedCheck_, &QCheckBox::toggled, this, [this](bool on) { core_.SetSpeed(on); });
  connect(diffOnlyCheck_, &QCheckBox::clicked, this,
          [this](bool on) { Handle([&] { core_.DiffOnlyCheckClick(on); }); });
  // Heard at a yield of a running operation; a message box open meanwhile
  // keeps Escape for itself.
  // A double-click or Enter on a row opens its two files side by side.
  connect(liste_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    OpenTextComparison(*this, model_->CoreRow(index.row()));
  });
  connect(btnReload_, &QPushButton::clicked, this,
          [this] { Handle([&] { core_.ReadPairAgain(); }); });
  auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
  reload->setObjectName(QStringLiteral("ReloadShortcut"));
  connect(reload, &QShortcut::activated, this, [this] { Handle([&] { core_.ReadPairAgain(); }); });
  connect(btnUndo_, &QPushButton::clicked, this, [this] { Handle([&] { core_.UndoLastRun(); }); });
  auto* undo = new QShortcut(QKeySequence::Undo, this);
  undo->setObjectName(QStringLiteral("UndoShortcut"));
  connect(undo, &QShortcut::activated, this, [this] { Handle([&] { core_.UndoLastRun(); }); });
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  stop->setObjectName(QStringLiteral("StopShortcut"));
  connect(stop, &QShortcut::activated, this, [this] { core_.StopOperation(); });
}

// The size and time columns come before the empty column 4, which reaches far
// to the right; they keep their numbers after the six. Hidden at start.
void Form1::BuildFactColumns() {
  QHeaderView* header = liste_->horizontalHeader();
  columnMenu_ = new QMenu(this);
  columnMenu_->setObjectName(QStringLiteral("ColumnMenu"));
  for (int c = kColumnCount + 1; c <= kFactColumnCount; ++c) {
    header->resizeSection(c - 1, Px(kFactColumnWidthTwips[c - kColumnCount - 1]));
    header->moveSection(header->visualIndex(c - 1), header->visualIndex(kEmptyColumn - 1));
    liste_->setColumnHidden(c - 1, true);
    QAction* a = columnMenu_->addAction(QString::fromUtf8(core_.Liste().Header(c).c_str()));
    a->setObjectName(QStringLiteral("Column%1").arg(c));
    a->setCheckable(true);
    connect(a, &QAction::toggled, this,
            [this, c](bool on) { liste_->setColumnHidden(c - 1, !on); });
  }
  // After the fact columns; the core shows it while the last comparison was by changes.
  header->resizeSection(kChangeColumn - 1, Px(kChangeColumnWidthTwips));
  header->moveSection(header->visualIndex(kChangeColumn - 1),
                      header->visualIndex(kEmptyColumn - 1));
  liste_->setColumnHidden(kChangeColumn - 1, true);
  // After it the reasons of failed rows; shown while a row has one.
  header->resizeSection(kFailureColumn - 1, Px(kFailureColumnWidthTwips));
  header->moveSection(header->visualIndex(kFailureColumn - 1),
                      header->visualIndex(kEmptyColumn - 1));
  liste_->setColumnHidden(kFailureColumn - 1, true);
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(header, &QWidget::customContextMenuRequested, this,
          [this, header](const QPoint& at) { columnMenu_->exec(header->mapToGlobal(at)); });
}

void Form1::BuildPopupMenu() {
  pum_ = new QMenu(this);
  pum_->setObjectName(QStringLiteral("pum"));
  for (int i = 1; i <= 10; ++i) {
    QString caption = QString::fromUtf8(kPopupCaptions[i - 1]);
    QAction* a = caption == QLatin1String("-") ? pum_->addSeparator() : pum_->addAction(caption);
    a->setObjectName(QStringLiteral("pumXXX%1").arg(i));
    a->setData(i);
  }
  QAction* cancel = pum_->actions().at(9);
  QFont bold = cancel->font();
  bold.setBold(true);
  cancel->setFont(bold);
  pum_->setDefaultAction(cancel);
}

// Tab follows the window in reading order; the work starts in the list, where
// the menu key opens the popup.
void Form1::SetKeyboardOrder() {
  liste_->setTabKeyNavigation(false);  // Tab leaves the list for the next control
  liste_->installEventFilter(this);
  QWidget* order[] = {liste_,
                      btn_[kBtnLeftFolder],
                      btn_[kBtnRightFolder],
                      btnReload_,
                      compModeOpt_[0],
                      compModeOpt_[1],
                      compModeOpt_[2],
                      btnUndo_,
                      btn_[kBtnCompare],
                      btn_[kBtnSync],
                      btn_[kBtnClipboard],
                      btn_[kBtnHelp],
                      btn_[kBtnInfo],
                      btn_[kBtnEnd],
                      sofortStartCheck_,
                      myTopMostChk_,
                      toolTipCheck_,
                      diffOnlyCheck_,
                      speedCheck_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  liste_->setFocus(Qt::OtherFocusReason);
}

// The header shows the column and direction the core keeps the rows in.
void Form1::ShowSortIndicator() {
  const ComparisonList& list = core_.Liste();
  liste_->horizontalHeader()->setSortIndicatorShown(true);
  liste_->horizontalHeader()->setSortIndicator(
      list.Sorted() ? list.SortKey() : -1,
      list.SortOrder() == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void Form1::Flush() {
  model_->ShowRowToolTips(core_.ToolTips());
  model_->Flush();
  core_.ShowShownCount();
  // Filling and batch runs sort too, not only header clicks.
  ShowSortIndicator();
  pbar_->setValue(progress_);
  sinceFlush_.start();
}

void Form1::FlushNowAndThen() {
  if (!sinceFlush_.isValid() || sinceFlush_.elapsed() >= kFlushIntervalMs) Flush();
}

QPoint Form1::PopupPosition() const {
  return popupAt_.value_or(QCursor::pos());
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // A click or a key on the list acts on the rows as they are now, not as the
  // view last heard of them.
  if ((watched == liste_ && event->type() == QEvent::KeyPress) ||
      (watched == liste_->viewport() && event->type() == QEvent::MouseButtonPress))
    Flush();
  if (watched == liste_) {
    if (event->type() == QEvent::KeyPress && IsMenuKey(static_cast<QKeyEvent*>(event))) {
      // At the current row, not at the mouse, which may be anywhere.
      QModelIndex current = liste_->currentIndex();
      QRect row = current.isValid() ? liste_->visualRect(current) : QRect();
      QPoint at =
          liste_->viewport()->rect().contains(row.center()) ? row.bottomLeft() : QPoint(0, 0);
      popupAt_ = liste_->viewport()->mapToGlobal(at);
      Handle([&] { core_.ListMenuKey(); });
      popupAt_.reset();
      return true;
    }
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if ((key == Qt::Key_Return || key == Qt::Key_Enter) && liste_->currentIndex().isValid()) {
        OpenTextComparison(*this, model_->CoreRow(liste_->currentIndex().row()));
        return true;
      }
    }
    // Where the platform also turns the menu key into a context-menu event, the
    // key press above has opened the menu already.
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
      return true;
  }
  if (watched == liste_->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* de = static_cast<QDropEvent*>(event);
      if (de->mimeData()->hasUrls()) de->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* de = static_cast<QDropEvent*>(event);
      std::vector<std::string> names;
      for (const QUrl& url : de->mimeData()->urls())
        if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
      de->acceptProposedAction();
      QHeaderView* header = liste_->horizontalHeader();
      int x = de->position().toPoint().x() - header->sectionViewportPosition(0);
      int width = header->sectionSize(0);
      // Filling may take long; let the file manager finish its drag first.
      QMetaObject::invokeMethod(
          this, [this, names, x, width] { Handle([&] { DropOnList(core_, names, x, width); }); },
          Qt::QueuedConnection);
      return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
      auto* me = static_cast<QMouseEvent*>(event);
      MouseButton button = me->button() == Qt::LeftButton     ? MouseButton::kLeft
                           : me->button() == Qt::RightButton  ? MouseButton::kRight
                           : me->button() == Qt::MiddleButton ? MouseButton::kMiddle
                                                              : MouseButton::kNone;
      core_.ListMouseDown(button);
    } else if (event->type() == QEvent::MouseButtonRelease) {
      // After the view has handled the release (and its selection), as a click.
      QMetaObject::invokeMethod(
          this, [this] { Handle([&] { core_.ListClick(); }); }, Qt::QueuedConnection);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  // Closed during a batch run, before the event loop ran: the program ends
  // when the running step returns (the core starts no further step).
  core_.Unload();
  event->accept();
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceStatusBar();
  core_.Resize(isMinimized());
  Flush();
}

void Form1::PlaceStatusBar() {
  int h = Px(kSbarHeightTwips);
  sbar_->setGeometry(0, height() - h, width(), h);
  int p1 = std::min(width() / 4, Px(1800));
  // The plan and the account are longer than a row count; the status keeps
  // the room its own text needs, up to half the bar.
  int margin = panel1_->fontMetrics().averageCharWidth();
  int text = panel1_->sizeHint().width() + margin;
  int status = std::min(panel2_->sizeHint().width() + margin, width() / 2);
  p1 = std::max(p1, std::min(text, width() - status));
  panel1_->setGeometry(0, 0, p1, h);
  panel2_->setGeometry(p1, 0, width() - p1, h);
}

void Form1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Restoring a minimised window lays it out again.
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) core_.Resize(false);
}

QAbstractButton* Form1::OptionButton(Option option) const {
  QAbstractButton* b = nullptr;
  switch (option) {
    case Option::kSofortStart:
      b = sofortStartCheck_;
      break;
    case Option::kToolTips:
      b = toolTipCheck_;
      break;
    case Option::kTopMost:
      b = myTopMostChk_;
      break;
    case Option::kSpeed:
      b = speedCheck_;
      break;
    case Option::kCompModeBinary:
      b = compModeOpt_[0];
      break;
    case Option::kCompModeAge:
      b = compModeOpt_[1];
      break;
    case Option::kCompModeChanges:
      b = compModeOpt_[2];
      break;
  }
  return b;
}

}  // namespace zweiblick
