#include "ui/coloured_label.h"

namespace sonaflux {

ColouredLabel::ColouredLabel(QWidget* parent) : ColouredLabel(QString(), parent) {}

ColouredLabel::ColouredLabel(const QString& text, QWidget* parent) : WithOwnFont<QLabel>(text, parent) {
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
}

void ColouredLabel::setTextColour(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, colour);
  colours.setColor(QPalette::Text, colour);
  setPalette(colours);
}

void ColouredLabel::setBackgroundColour(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colour);
  setPalette(colours);
}

}  // namespace sonaflux
