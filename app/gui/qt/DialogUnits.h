#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include "platform/ProgramFacts.h"

namespace orvan::gui {

// Dialog layouts are given in dialog units: a quarter of the font's average
// character width across, an eighth of its height down.
QRect DialogRect(const QFont& font, int x, int y, int width, int height);
QRect DialogRect(const QFont& font, const facts::DialogPlace& place);
int DialogUnitsAcross(const QFont& font, int units);
int DialogUnitsDown(const QFont& font, int units);

// `rect` (from dialog units) grown to the right and down until `control` has
// the size its text needs (its size hint): the dialog units are the starting
// point, and a font wider or taller than the one they were made for grows the
// control instead of cutting its text.
QRect FitToText(const QWidget& control, QRect rect);

}  // namespace orvan::gui
