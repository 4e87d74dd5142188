#pragma once

#include <QFont>
#include <QRect>

namespace orvan::gui {

// Dialog layouts are given in dialog units: a quarter of the font's average
// character width across, an eighth of its height down.
QRect DialogRect(const QFont& font, int x, int y, int width, int height);

}  // namespace orvan::gui
