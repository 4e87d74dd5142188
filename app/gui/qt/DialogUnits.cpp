#include "DialogUnits.h"

#include <QFontMetrics>

namespace orvan::gui {
namespace {

struct BaseUnits {
    int x;
    int y;
};

BaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2, metrics.height()};
}

}  // namespace

int DialogUnitsAcross(const QFont& font, int units) { return (units * BaseUnitsOf(font).x + 2) / 4; }

int DialogUnitsDown(const QFont& font, int units) { return (units * BaseUnitsOf(font).y + 4) / 8; }

QRect DialogRect(const QFont& font, int x, int y, int width, int height) {
    return QRect(DialogUnitsAcross(font, x), DialogUnitsDown(font, y), DialogUnitsAcross(font, width),
                 DialogUnitsDown(font, height));
}

QRect DialogRect(const QFont& font, const facts::DialogPlace& place) {
    return DialogRect(font, place.x, place.y, place.width, place.height);
}

QRect FitToText(const QWidget& control, QRect rect) {
    rect.setSize(rect.size().expandedTo(control.sizeHint()));
    return rect;
}

}  // namespace orvan::gui
