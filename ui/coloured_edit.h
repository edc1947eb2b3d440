#pragma once

#include <QColor>
#include <QLineEdit>

#include "ui/coloured_font.h"

namespace sonaflux {

/// An edit box with its own background and font. The text colour shows only
/// while the box is read-only or disabled; an editable box keeps the
/// platform's text colour.
class ColouredEdit : public WithOwnFont<QLineEdit> {
  Q_OBJECT

 public:
  explicit ColouredEdit(QWidget* parent = nullptr);

  void setTextColour(const QColor& colour);
  void setBackgroundColour(const QColor& colour);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void applyColours();

  QColor m_textColour;
  QColor m_platformText;
  QColor m_background;
};

}  // namespace sonaflux
