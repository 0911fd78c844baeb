#include "ui/form1.h"

#include <utility>

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <QWindow>
#include <cstdio>

#include "mainwindow/captions.h"
#include "mainwindow/folder_entry.h"
#include "names/name_key.h"
#include "ui/folder_dialog.h"
#include "ui/info_form_freeware.h"
#include "ui/list_model.h"
#include "ui/message_box.h"
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

Form1::Form1(QWidget* parent) : QWidget(parent), core_(*this) {
  setObjectName(QStringLiteral("Form1"));
  endProcess = [this] {
    // The core ends only once no operation runs: leave through the event loop,
    // without closing the window (no unload handling), so that the application
    // shuts down in order and hands the clipboard to the desktop's clipboard
    // manager where there is one.
    hide();
    QCoreApplication::exit(0);
  };
  BuildControls();
  BuildPopupMenu();
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
  liste_ = new QTableView(frame1_);
  liste_->setObjectName(QStringLiteral("Liste"));
  Place(liste_, 120, 240, 8355, 3555);
  model_ = new ListModel(core_.Liste(), this);
  liste_->setModel(model_);
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
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int section) { Handle([&] { core_.ColumnClick(section + 1); }); });
  liste_->viewport()->installEventFilter(this);
  liste_->setAcceptDrops(true);
  liste_->viewport()->setAcceptDrops(true);
  connect(liste_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            SelectionChanged(selected, deselected);
          });
  connect(model_, &ListModel::RowsReset, this, [this] { RestoreSelection(); });

  frame2_ = new QWidget(frame1_);
  frame2_->setObjectName(QStringLiteral("Frame2"));
  Place(frame2_, 120, 3900, 6255, 435);
  QIcon folder = style()->standardIcon(QStyle::SP_DirOpenIcon);
  btn_[kBtnLeftFolder] = MakeButton(frame2_, kBtnLeftFolder, QString());
  Place(btn_[kBtnLeftFolder], 0, 0, 1395, 375);
  compModeOpt_[0] = new QRadioButton(QString::fromUtf8(kCompModeBinaryCaption), frame2_);
  compModeOpt_[0]->setObjectName(QStringLiteral("CompModeOpt0"));
  Place(compModeOpt_[0], 1620, 0, 1335, 375);
  compModeOpt_[1] = new QRadioButton(QString::fromUtf8(kCompModeAgeCaption), frame2_);
  compModeOpt_[1]->setObjectName(QStringLiteral("CompModeOpt1"));
  Place(compModeOpt_[1], 3000, 0, 1395, 375);
  pbar_ = new QProgressBar(frame2_);
  pbar_->setObjectName(QStringLiteral("Pbar"));
  pbar_->setRange(0, 1000);
  pbar_->setValue(0);
  pbar_->setTextVisible(false);
  Place(pbar_, 4560, 0, 1575, 375);

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
  for (int i = 0; i < 2; ++i) {
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
  QWidget* order[] = {liste_,          btn_[kBtnLeftFolder], btn_[kBtnRightFolder],
                      compModeOpt_[0], compModeOpt_[1],      btn_[kBtnCompare],
                      btn_[kBtnSync],  btn_[kBtnClipboard],  btn_[kBtnHelp],
                      btn_[kBtnInfo],  btn_[kBtnEnd],        sofortStartCheck_,
                      myTopMostChk_,   toolTipCheck_,        speedCheck_};
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
  // The core already dropped the flags of the rows it removed; the view's
  // notices about them would name rows that have moved up since.
  bool restoring = std::exchange(restoringSelection_, true);
  model_->Flush();
  restoringSelection_ = restoring;
  // Filling and batch runs sort too, not only header clicks.
  ShowSortIndicator();
  pbar_->setValue(progress_);
  sinceFlush_.start();
}

// Only the rows the view reports as changed are written: a click in a list of a
// million rows must not walk all of them.
void Form1::SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (restoringSelection_) return;
  ComparisonList& list = core_.Liste();
  auto apply = [&](const QItemSelection& ranges, bool on) {
    for (const QItemSelectionRange& range : ranges)
      for (int r = range.top(); r <= range.bottom() && r < list.Count(); ++r)
        list.SetSelected(r + 1, on);
  };
  apply(deselected, false);
  apply(selected, true);
}

void Form1::RestoreSelection() {
  ComparisonList& list = core_.Liste();
  QItemSelection selection;
  int n = list.Count();
  for (int r = 1; r <= n; ++r) {
    if (!list.Selected(r)) continue;
    int first = r;
    while (r < n && list.Selected(r + 1)) ++r;
    selection.select(model_->index(first - 1, 0), model_->index(r - 1, kColumnCount - 1));
  }
  bool restoring = std::exchange(restoringSelection_, true);
  liste_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  restoringSelection_ = restoring;
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
      int button = me->button() == Qt::LeftButton     ? 1
                   : me->button() == Qt::RightButton  ? 2
                   : me->button() == Qt::MiddleButton ? 4
                                                      : 0;
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
  panel1_->setGeometry(0, 0, p1, h);
  panel2_->setGeometry(p1, 0, width() - p1, h);
}

void Form1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Restoring a minimised window lays it out again.
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) core_.Resize(false);
}

MsgAnswer Form1::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
  Flush();
  if (messageBoxHook) return messageBoxHook(text, icon, buttons);
  std::unique_ptr<QMessageBox> box = MakeMessageBox(this, text, icon, buttons);
  box->exec();
  return AnswerOf(*box, buttons);
}

void Form1::YieldToEventLoop() {
  if (!sinceFlush_.isValid() || sinceFlush_.elapsed() >= kFlushIntervalMs) Flush();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::ShowStatusPanel(int panel, const std::string& text) {
  StatusPanel(panel)->setText(QString::fromStdString(text));
}

// Shown at the next flush: the bar repaints at once when its value changes, and
// the loops set it for every row.
void Form1::ShowProgress(float value) {
  progress_ = static_cast<int>(value * 10.0f);
}

void Form1::EnableButton(int index, bool enabled) {
  if (index >= 0 && index < int(btn_.size()) && btn_[index]) btn_[index]->setEnabled(enabled);
}

// The window's own pointer: message boxes and the information dialog keep theirs.
void Form1::ShowBusyPointer(bool busy) {
  if (busy)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void Form1::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void Form1::ShowOption(Option option, bool checked) {
  QAbstractButton* b = OptionButton(option);
  QSignalBlocker block(b);
  b->setChecked(checked);
}

void Form1::EnableOption(Option option, bool enabled) {
  OptionButton(option)->setEnabled(enabled);
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
  }
  return b;
}

void Form1::ShowWindow() {
  show();
  Flush();
}

void Form1::ShowPopupMenu() {
  Flush();
  QAction* chosen = execPopup ? execPopup(pum_) : pum_->exec(popupAt_.value_or(QCursor::pos()));
  if (chosen) core_.PopupItemClick(chosen->data().toInt());
  Flush();
}

std::string Form1::BrowseForFolder(const std::string& prompt) {
  FolderDialog dialog(this, DisplayLines(prompt));
  dialog.exec();
  return QFile::encodeName(dialog.Folder()).toStdString();
}

void Form1::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(DisplayText(text)),
                                        QClipboard::Clipboard);
}

void Form1::EndProcess() {
  endProcess();
}

void Form1::OpenWithDesktop(const std::string& target, bool maximised) {
  // The desktop decides how its browser shows a page; a maximised window is
  // the browser's own choice there.
  (void)maximised;
  QString t = QString::fromStdString(target);
  QUrl url = t.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(QFile::decodeName(target.c_str()))
                                            : QUrl(t, QUrl::TolerantMode);
  if (openUrl)
    openUrl(url);
  else
    QDesktopServices::openUrl(url);
}

void Form1::ShowInfoDialog() {
  if (!info_) {
    info_ = new InfoFormFreeware(*this);
    info_->show();
  }
  info_->raise();
  info_->activateWindow();
}

void Form1::SetToolTip(const std::string& control, const std::string& text) {
  QWidget* w = findChild<QWidget*>(QString::fromStdString(control));
  if (w) w->setToolTip(QString::fromStdString(text));
}

void Form1::SetAccessibleText(const std::string& control, const std::string& name,
                              const std::string& description) {
  QWidget* w = findChild<QWidget*>(QString::fromStdString(control));
  if (!w) return;
  if (!name.empty()) w->setAccessibleName(QString::fromStdString(name));
  w->setAccessibleDescription(QString::fromStdString(description));
}

void Form1::SetTopMost(bool onTop) {
  // Through the window handle only the window manager's stacking hint changes;
  // the window is neither re-created nor moved.
  if (QWindow* handle = windowHandle())
    handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
  else
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

}  // namespace zweiblick
