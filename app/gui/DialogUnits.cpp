#include "DialogUnits.h"

#include <QFontMetrics>

namespace orvan::gui {

QRect DialogRect(const QFont& font, int x, int y, int width, int height) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    const auto across = [baseX](int units) { return (units * baseX + 2) / 4; };
    const auto down = [baseY](int units) { return (units * baseY + 4) / 8; };
    return QRect(across(x), down(y), across(width), down(height));
}

}  // namespace orvan::gui
