#include "ui/skinned_button.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QAudioDevice>
#include <QEnterEvent>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QPainter>
#include <QSoundEffect>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QUrl>

namespace sonaflux {

namespace {

// The click sounds last under a second; a sound that hangs must not hold
// the command back for longer than this.
constexpr int kSoundLoadLimitMs = 1000;
constexpr int kSoundPlayLimitMs = 1500;

// The skin's cyan, as on the title picture, over a line of its navy so that
// the ring shows on light and dark backgrounds alike.
constexpr QRgb kFocusRing = qRgb(64, 200, 255);
constexpr QRgb kFocusRingShadow = qRgb(12, 22, 50);
constexpr qreal kFocusRingCorner = 6;

QUrl soundUrl(const QString& source) {
  if (source.startsWith(QLatin1String(":/"))) return QUrl(QLatin1String("qrc") + source);
  return QUrl::fromLocalFile(source);
}

}  // namespace

QImage autoGreyPicture(const QImage& picture, QRgb transparent) {
  QImage grey = picture.convertToFormat(QImage::Format_RGB32);
  const QRgb key = transparent | 0xFF000000u;
  for (int y = 0; y < grey.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) {
      if (line[x] == key) continue;
      // In thousandths so that the truncation is exact: white stays 255.
      const int level = (299 * qRed(line[x]) + 587 * qGreen(line[x]) + 114 * qBlue(line[x])) / 1000;
      line[x] = qRgb(level, level, level);
    }
  }
  return grey;
}

QImage maskedPicture(const QImage& picture, QRgb transparent) {
  QImage masked = picture.convertToFormat(QImage::Format_ARGB32);
  if (masked.isNull()) return masked;
  const QRgb key = transparent & 0x00FFFFFFu;
  for (int y = 0; y < masked.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
    for (int x = 0; x < masked.width(); ++x) {
      line[x] = (line[x] & 0x00FFFFFFu) == key ? 0x00000000u : (line[x] | 0xFF000000u);
    }
  }
  return masked;
}

SkinnedButton::SkinnedButton(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
  // Connected first, so the sound has ended before the parent's command runs.
  connect(this, &QAbstractButton::clicked, this, &SkinnedButton::onClicked);
}

SkinnedButton::~SkinnedButton() = default;

PictureStatus SkinnedButton::setPictures(const QString& inPicture, QRgb transparent, OutPicture out,
                                         const QString& outPicture, QRgb outTransparent) {
  m_in = QPixmap();
  m_out = QPixmap();
  QImage in(inPicture);
  QImage other;
  if (in.isNull()) return PictureStatus::Unreadable;
  if (out == OutPicture::Other) {
    other = QImage(outPicture);
    if (other.isNull()) return PictureStatus::Unreadable;
  }

  QImage maskedIn = maskedPicture(in, transparent);
  QImage maskedOut;
  if (out == OutPicture::AutoGrey) maskedOut = maskedPicture(autoGreyPicture(in, transparent), transparent);
  if (out == OutPicture::Other) maskedOut = maskedPicture(other, outTransparent);
  if (maskedIn.isNull() || (out != OutPicture::None && maskedOut.isNull())) return PictureStatus::MaskFailed;

  m_in = QPixmap::fromImage(maskedIn);
  if (!maskedOut.isNull()) m_out = QPixmap::fromImage(maskedOut);
  updateGeometry();
  update();
  return PictureStatus::Set;
}

void SkinnedButton::setDrawTransparent(bool on) {
  m_transparent = on;
  setAttribute(Qt::WA_OpaquePaintEvent, !on);
  update();
}

void SkinnedButton::setDrawBorder(bool on) {
  m_drawBorder = on;
  update();
}

PictureStatus SkinnedButton::setCursorPicture(const QString& picture, QPoint hotspot) {
  unsetCursor();
  if (picture.isEmpty()) return PictureStatus::Set;
  QPixmap pixmap(picture);
  if (pixmap.isNull()) return PictureStatus::Unreadable;
  setCursor(QCursor(pixmap, hotspot.x(), hotspot.y()));
  return PictureStatus::Set;
}

void SkinnedButton::setClickSound(const QString& source) {
  delete m_clickSound;
  m_clickSound = nullptr;
  if (source.isEmpty() || !QFile::exists(source)) return;
  m_clickSound = new QSoundEffect(this);
  m_clickSound->setSource(soundUrl(source));
}

void SkinnedButton::sizeToContent() {
  if (!m_in.isNull()) resize(m_in.size());
}

QSize SkinnedButton::sizeHint() const {
  if (!m_in.isNull()) return m_in.size();
  return fontMetrics().size(Qt::TextShowMnemonic, text()) + QSize(16, 8);
}

const QPixmap& SkinnedButton::currentPicture() const {
  if (isDown() || m_hover || m_out.isNull()) return m_in;
  return m_out;
}

void SkinnedButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool pressed = isDown();
  if (!m_transparent) painter.fillRect(rect(), palette().button());
  if (m_drawBorder && (pressed || m_hover)) qDrawShadePanel(&painter, rect(), palette(), pressed, 1);

  const QPixmap& picture = currentPicture();
  const QPoint offset = pressed ? m_pressedOffset : QPoint(0, 0);
  if (!picture.isNull()) {
    const QPoint topLeft((width() - picture.width()) / 2, (height() - picture.height()) / 2);
    if (isEnabled()) {
      painter.drawPixmap(topLeft + offset, picture);
    } else {
      QStyleOption option;
      option.initFrom(this);
      painter.drawPixmap(topLeft, style()->generatedIconPixmap(QIcon::Disabled, picture, &option));
    }
  }
  if (!text().isEmpty()) {
    painter.setPen(palette().buttonText().color());
    painter.drawText(rect().translated(offset), Qt::AlignCenter | Qt::TextShowMnemonic, text());
  }
  if (showsFocusRing()) {
    painter.setRenderHint(QPainter::Antialiasing);
    // Round buttons get a round ring, the others follow the pictures' corners.
    const qreal corner = width() == height() ? width() / 2.0 : kFocusRingCorner;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(kFocusRingShadow), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), corner - 2, corner - 2);
    painter.setPen(QPen(QColor(kFocusRing), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), corner - 1, corner - 1);
  } else if (hasFocus() && m_drawFlatFocus) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void SkinnedButton::setHover(bool hover) {
  if (m_hover == hover) return;
  m_hover = hover;
  update();
}

void SkinnedButton::enterEvent(QEnterEvent* event) {
  // A drag that started elsewhere does not light the button up.
  if (!(QApplication::mouseButtons() & Qt::LeftButton)) setHover(true);
  QAbstractButton::enterEvent(event);
}

void SkinnedButton::leaveEvent(QEvent* event) {
  setHover(false);
  QAbstractButton::leaveEvent(event);
}

void SkinnedButton::mouseMoveEvent(QMouseEvent* event) {
  if (!m_hover && !(event->buttons() & Qt::LeftButton) && rect().contains(event->position().toPoint())) {
    setHover(true);
  }
  QAbstractButton::mouseMoveEvent(event);
}

void SkinnedButton::focusInEvent(QFocusEvent* event) {
  // A click takes the focus too; only Tab, Shift+Tab and a shortcut show it.
  const Qt::FocusReason reason = event->reason();
  m_keyboardFocus =
      reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
  update();
  QAbstractButton::focusInEvent(event);
}

void SkinnedButton::focusOutEvent(QFocusEvent* event) {
  m_keyboardFocus = false;
  update();
  setHover(false);
  QAbstractButton::focusOutEvent(event);
}

void SkinnedButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) setHover(false);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) setHover(false);
  QAbstractButton::changeEvent(event);
}

void SkinnedButton::onClicked() {
  setFocus(Qt::MouseFocusReason);
  playClickSoundToEnd();
}

void SkinnedButton::playClickSoundToEnd() {
  if (!m_clickSound || QMediaDevices::audioOutputs().isEmpty()) return;

  // User input waits while the sound plays, so no second command can start.
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

  if (m_clickSound->status() == QSoundEffect::Loading || m_clickSound->status() == QSoundEffect::Null) {
    QMetaObject::Connection loaded = connect(m_clickSound, &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
    limit.start(kSoundLoadLimitMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    disconnect(loaded);
  }
  if (m_clickSound->status() != QSoundEffect::Ready) return;

  QMetaObject::Connection ended = connect(m_clickSound, &QSoundEffect::playingChanged, &loop, [this, &loop] {
    if (!m_clickSound->isPlaying()) loop.quit();
  });
  m_clickSound->play();
  limit.start(kSoundPlayLimitMs);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  disconnect(ended);
  m_clickSound->stop();
}

}  // namespace sonaflux
