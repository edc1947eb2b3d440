#pragma once

#include <QColor>
#include <QLabel>

#include "ui/coloured_font.h"

namespace sonaflux {

/// A label with its own text colour, background colour and font.
class ColouredLabel : public WithOwnFont<QLabel> {
  Q_OBJECT

 public:
  explicit ColouredLabel(QWidget* parent = nullptr);
  explicit ColouredLabel(const QString& text, QWidget* parent = nullptr);

  void setTextColour(const QColor& colour);
  void setBackgroundColour(const QColor& colour);
};

}  // namespace sonaflux
