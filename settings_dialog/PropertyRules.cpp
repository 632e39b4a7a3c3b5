#include "settings_dialog/PropertyRules.h"

#include "effects/EffectCatalogue.h"
#include "slideshow/EffectLists.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

namespace {

// Milliseconds of one step of the interval slider.
constexpr int MSecPerIntervalStep = 6;

QString TwoDigits(int n) {
    return n < 0 ? QLatin1Char('-') + TwoDigits(-n) : QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Rounds to the nearest integer, halves to even, saturating at the ends of the integer range.
int RoundToInt(double value) {
    const double rounded = std::nearbyint(value);
    if (rounded >= double(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (rounded <= double(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return int(rounded);
}

} // namespace

QString MSecToText(int milliseconds, bool verbose) {
    const int s = milliseconds / 1000;
    const int m = s / 60;
    const int r = s - 60 * m;
    if (verbose) {
        return QCoreApplication::translate("TFProperty", "%1 Мин  и  %2 Сек").arg(TwoDigits(m), TwoDigits(r));
    }
    return TwoDigits(m) + QLatin1Char(':') + TwoDigits(r);
}

int IntervalToPosition(int seconds) {
    return RoundToInt(double(seconds) * 1000.0 / MSecPerIntervalStep);
}

int PositionToInterval(int position) {
    return RoundToInt(double(position) * MSecPerIntervalStep / 1000.0);
}

int HoldTimeAt(int position) {
    return MSecPerIntervalStep * position;
}

QString IntervalText(int position) {
    return MSecToText(PositionToInterval(position) * 1000, true);
}

QString SpeedText(int position) {
    return QCoreApplication::translate("TFProperty", "%n МиллиСек", nullptr, position);
}

QStringList EffectNames() {
    QStringList names;
    for (int number = 0; number < EffectCount; ++number) {
        names.append(EffectName(number));
    }
    return names;
}

void SetEffectEnabled(QStringList& list, int effect, bool enabled) {
    const QString text = QString::number(effect);
    if (enabled) {
        list.append(text);
    } else if (const int found = FindEffectText(list, text); found >= 0) {
        list.removeAt(found);
    }
    SortEffectList(list);
}

bool EffectEnabled(const QStringList& sorted, int effect) {
    return FindEffectText(sorted, QString::number(effect)) >= 0;
}

QString NoPicturesAtStartText() {
    return QCoreApplication::translate("TFProperty", "В этой папке изображения отсутствуют!!!!");
}

QString NoPicturesAfterChoiceText() {
    return QCoreApplication::translate("TFProperty", "В этой папке изображения отсутствуют");
}
