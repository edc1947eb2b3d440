#pragma once

#include <QFont>

class QWidget;

namespace sonaflux {

class ColouredLabel;

/// Pixels for a length in dialog units: 1.5 across, 1.625 down.
int dialogUnitsX(int units);
int dialogUnitsY(int units);

/// The small windows' face: the platform's sans font at 8 point.
QFont dialogFont();

/// A window title in a coloured label: Arial (or its metric twin), 16
/// pixels, bold.
ColouredLabel* makeWindowTitle(const QString& text, QWidget* parent);

/// Makes a captionless dialog of the given size in dialog units, in the
/// dialog font. Its paintEvent should call paintThinBorder.
void shapeCaptionlessDialog(QWidget& dialog, int widthUnits, int heightUnits);

/// Draws the one-pixel frame a captionless dialog has instead of a caption.
void paintThinBorder(QWidget& dialog);

}  // namespace sonaflux
