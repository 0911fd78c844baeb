// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/info_form_freeware.h"

#include <QBitmap>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "help/info_dialog.h"
#include "platform/window_port.h"
#include "ui/message_box.h"
#include "ui/qt_platform.h"
#include "ui/twips.h"

namespace zweiblick {
namespace {

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

}  // namespace

QPixmap MakerArtwork(QSize size) {
  QPixmap pixmap(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(18, 52, 96));
  sky.setColorAt(1, QColor(94, 148, 196));
  p.fillRect(pixmap.rect(), sky);
  // Two eyes, one above the other: the two views of a comparison.
  int w = size.width();
  for (int i = 0; i < 2; ++i) {
    QRectF eye(w * 0.12, size.height() * (0.18 + i * 0.22), w * 0.76, w * 0.5);
    p.setPen(QPen(QColor(240, 240, 230), 2));
    p.setBrush(QColor(250, 250, 245));
    QPainterPath lid;
    lid.moveTo(eye.left(), eye.center().y());
    lid.quadTo(eye.center().x(), eye.top() - eye.height() * 0.3, eye.right(), eye.center().y());
    lid.quadTo(eye.center().x(), eye.bottom() + eye.height() * 0.3, eye.left(), eye.center().y());
    p.drawPath(lid);
    p.setBrush(i == 0 ? QColor(40, 120, 60) : QColor(170, 90, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(eye.center(), eye.height() * 0.32, eye.height() * 0.32);
    p.setBrush(Qt::black);
    p.drawEllipse(eye.center(), eye.height() * 0.14, eye.height() * 0.14);
  }
  // Two rows of little files that meet in the middle.
  p.setPen(QPen(QColor(230, 230, 230), 1));
  for (int row = 0; row < 6; ++row) {
    double y = size.height() * 0.55 + row * size.height() * 0.05;
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(QRectF(w * 0.12, y, w * 0.28, size.height() * 0.035));
    p.drawRect(QRectF(w * 0.60, y, w * 0.28, size.height() * 0.035));
    p.drawLine(QPointF(w * 0.42, y + 6), QPointF(w * 0.58, y + 6));
  }
  p.setPen(QColor(255, 255, 255));
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(std::max(8, w / 6));
  p.setFont(f);
  p.save();
  p.translate(w * 0.5, size.height() * 0.97);
  p.rotate(-90);
  p.drawText(QPointF(0, f.pixelSize() * 0.35), QStringLiteral("Melkart"));
  p.restore();
  return pixmap;
}

QCursor MouseCursor() {
  // Drawn as a bitmap and its mask: black lines on a white body.
  QBitmap shape(32, 32), mask(32, 32);
  shape.fill(Qt::color0);
  mask.fill(Qt::color0);
  QPainter s(&shape), m(&mask);
  QPainterPath body;
  body.addRoundedRect(QRectF(9, 11, 16, 20), 7, 7);
  QPainterPath cable;
  cable.moveTo(17, 11);
  cable.cubicTo(17, 5, 8, 7, 6, 1);
  m.setPen(QPen(Qt::color1, 3));
  m.setBrush(Qt::color1);
  m.drawPath(body);
  m.setBrush(Qt::NoBrush);
  m.drawPath(cable);
  s.setPen(QPen(Qt::color1, 1));
  s.setBrush(Qt::NoBrush);
  s.drawPath(body);
  s.drawPath(cable);
  s.drawLine(QPointF(9, 19), QPointF(25, 19));   // the buttons' edge
  s.drawLine(QPointF(17, 11), QPointF(17, 19));  // between the two buttons
  s.end();
  m.end();
  return QCursor(shape, mask, 6, 1);
}

InfoFormFreeware::InfoFormFreeware(WindowPort& port) : QDialog(nullptr), port_(port) {
  setObjectName(QStringLiteral("InfoFormFreeware"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setFont(DialogFont(font()));
  setFixedSize(Px(9390), Px(6360));
  setWindowTitle(QString::fromUtf8(kInfoTitle));

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  Place(image, 90, 120, 915, 6135);
  image->setPixmap(MakerArtwork(image->size()));
  image->setToolTip(QString::fromUtf8(kInfoImageToolTip));
  image->setCursor(MouseCursor());
  image->installEventFilter(this);
  image_ = image;

  auto* label = new QLabel(this);
  label->setObjectName(QStringLiteral("Label0"));
  Place(label, 1140, 120, 8115, 5415);
  QFont arial;
  arial.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  arial.setPointSizeF(9.75);
  label->setFont(arial);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  label->setText(DisplayLines(InfoText(QDate::currentDate().year())));

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Line1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(Px(1140), Px(5580) - 1, Px(9300) - Px(1140), 2);

  QPushButton* update = Button(this, kInfoUpdateCaption, "BtnUpdate");
  Place(update, 1140, 5700, 2655, 555);
  QPushButton* mail = Button(this, kInfoMailCaption, "BtnMail");
  Place(mail, 6480, 5700, 1575, 555);
  QPushButton* close = Button(this, kInfoCloseCaption, "BtnClose");
  Place(close, 8190, 5700, 1125, 555);
  // The captions break onto two lines at the blank nearest their middle.
  for (QPushButton* b : {update, mail, close}) {
    QString caption = b->text();
    int best = -1;
    for (int i = 0; i < caption.size(); ++i)
      if (caption[i] == QLatin1Char(' ') &&
          (best < 0 || std::abs(i - caption.size() / 2) < std::abs(best - caption.size() / 2)))
        best = i;
    if (best >= 0) caption[best] = QLatin1Char('\n');
    b->setText(caption);
  }
  setTabOrder(update, mail);
  setTabOrder(mail, close);
  connect(update, &QPushButton::clicked, this, [this] { UpdateButtonClick(port_); });
  connect(mail, &QPushButton::clicked, this, [this] { MailButtonClick(port_); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  update->setFocus();

  WidgetPlacement placement(this);
  PlaceInfoDialog(placement, PrimaryScreenTwips());
}

void InfoFormFreeware::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool InfoFormFreeware::eventFilter(QObject* watched, QEvent* event) {
  if (watched == image_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
    PictureClick(port_);
  return QDialog::eventFilter(watched, event);
}

}  // namespace zweiblick
