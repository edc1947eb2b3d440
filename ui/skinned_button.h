#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QString>

class QSoundEffect;

namespace sonaflux {

/// Grey copy of a picture for the button at rest: every pixel but the
/// transparent colour becomes Y = 0.299 R + 0.587 G + 0.114 B, truncated.
QImage autoGreyPicture(const QImage& picture, QRgb transparent);

/// The picture with a one-bit mask: pixels of the transparent colour become
/// fully transparent black, every other pixel fully opaque. Null when the
/// picture cannot be converted.
QImage maskedPicture(const QImage& picture, QRgb transparent);

/// How setting a button's picture or cursor went; on failure the button
/// keeps none.
enum class PictureStatus { Set, Unreadable, MaskFailed };

/// A push button drawn entirely from pictures: coloured while hovered or
/// pressed, the "out" picture otherwise, with a hand cursor, a tooltip and a
/// click sound that plays to its end before the command runs.
class SkinnedButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class OutPicture { None, AutoGrey, Other };

  explicit SkinnedButton(QWidget* parent = nullptr);
  ~SkinnedButton() override;

  /// Loads the "in" picture and the "out" picture (another file, none, or a
  /// grey copy of the first).
  PictureStatus setPictures(const QString& inPicture, QRgb transparent, OutPicture out = OutPicture::AutoGrey,
                            const QString& outPicture = {}, QRgb outTransparent = 0);
  /// Draws over the parent's pixels instead of a solid face.
  void setDrawTransparent(bool on);
  /// A raised border while hovered, a sunken one while pressed.
  void setDrawBorder(bool on);
  void setPressedOffset(QPoint offset) { m_pressedOffset = offset; }
  void setTooltipText(const QString& text) { setToolTip(text); }
  /// The cursor shown over the button; an empty name removes it. Unreadable
  /// leaves the default cursor.
  PictureStatus setCursorPicture(const QString& picture, QPoint hotspot);
  /// The sound played on a click, before the command; empty removes it.
  void setClickSound(const QString& source);
  /// Resizes the button to its picture.
  void sizeToContent();

  bool isHovered() const { return m_hover; }
  /// The focus came from the keyboard and is shown by a ring.
  bool showsFocusRing() const { return m_keyboardFocus && hasFocus(); }
  bool hasClickSound() const { return m_clickSound != nullptr; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void setHover(bool hover);
  void onClicked();
  void playClickSoundToEnd();
  const QPixmap& currentPicture() const;

  QPixmap m_in;
  QPixmap m_out;
  bool m_hover = false;
  bool m_transparent = false;
  bool m_drawBorder = true;
  bool m_drawFlatFocus = false;
  bool m_keyboardFocus = false;
  QPoint m_pressedOffset{1, 1};
  QSoundEffect* m_clickSound = nullptr;
};

}  // namespace sonaflux
