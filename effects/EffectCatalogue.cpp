#include "effects/EffectCatalogue.h"

#include <algorithm>

namespace {

using enum TLineBase;
using enum TLineSpan;
using Axis = TLineAxis;
using Last = TLastStep;

constexpr TLineRule Line(TLineBase base, int direction, TLineSpan span = Picture) {
    return TLineRule{base, direction, span};
}

} // namespace

// Columns move across the picture, rows down it; each step draws the listed lines at Base + Direction * t.
const std::array<TEffectRule, EffectCount> EffectCatalogue = {{
    {"00-LeftToRight", Axis::Column, Last::Extent, 1, {Line(Origin, +1)}},
    {"01-RightToLeft", Axis::Column, Last::Extent, 1, {Line(Far, -1)}},
    {"02-UpToDown", Axis::Row, Last::Extent, 1, {Line(Origin, +1)}},
    {"03-DownToUp", Axis::Row, Last::Extent, 1, {Line(Far, -1)}},
    {"04-RandomHorizontalLine", Axis::Row, Last::ListEnd, 1, {Line(Shuffled, 0)}},
    {"05-RandomVerticalLine", Axis::Column, Last::ListEnd, 1, {Line(Shuffled, 0)}},
    {"06-OpenHorizontalCurtain", Axis::Column, Last::Centre, 2, {Line(Centre, +1), Line(Centre, -1)}},
    {"07-CloseHorizontalCurtain", Axis::Column, Last::CentreFromOrigin, 2, {Line(Origin, +1), Line(Far, -1)}},
    {"08-OpenVerticalCurtain",
     Axis::Row,
     Last::FarFromCentrePlusOne,
     2,
     {Line(Centre, +1), Line(Centre, -1)}},
    {"09-CloseVerticalCurtain", Axis::Row, Last::CentreFromOrigin, 2, {Line(Origin, +1), Line(Far, -1)}},
    {"10-LeftToRightAndRightToLeft",
     Axis::Column,
     Last::Extent,
     2,
     {Line(Origin, +1, BeforeCentre), Line(Far, -1, FromCentre)}},
    {"11-RightToLeftAndLeftToRight",
     Axis::Column,
     Last::Extent,
     2,
     {Line(Far, -1, BeforeCentre), Line(Origin, +1, FromCentre)}},
    {"12-UpToDownAndDownToUp",
     Axis::Row,
     Last::Extent,
     2,
     {Line(Origin, +1, BeforeCentre), Line(Far, -1, FromCentre)}},
    {"13-DownToUpAndUpToDown",
     Axis::Row,
     Last::Extent,
     2,
     {Line(Far, -1, BeforeCentre), Line(Origin, +1, FromCentre)}},
    {"14-UpAndCenterToDown", Axis::Row, Last::CentreFromOrigin, 2, {Line(Origin, +1), Line(Centre, +1)}},
    {"15-DownAndCenterToUp", Axis::Row, Last::FarFromCentre, 2, {Line(Far, -1), Line(Trailing, -1)}},
    {"16-LeftAndCenterToRight",
     Axis::Column,
     Last::CentreFromOrigin,
     2,
     {Line(Origin, +1), Line(Centre, +1)}},
    {"17-RightAndCenterToLeft", Axis::Column, Last::FarFromCentre, 2, {Line(Far, -1), Line(Trailing, -1)}},
    {"18-DobleLeftToRightAndRightToLeft",
     Axis::Column,
     Last::Extent,
     3,
     {Line(Origin, +1, Band1), Line(Far, -1, Band2), Line(Origin, +1, Band3)}},
    {"19-DobleRightToLeftAndLeftToRight",
     Axis::Column,
     Last::Extent,
     3,
     {Line(Far, -1, Band1), Line(Origin, +1, Band2), Line(Far, -1, Band3)}},
    {"20-DobleUpToDownAndDownToUp",
     Axis::Row,
     Last::Extent,
     3,
     {Line(Origin, +1, Band1), Line(Far, -1, Band2), Line(Origin, +1, Band3)}},
    {"21-DobleDownToUpAndUpToDown",
     Axis::Row,
     Last::Extent,
     3,
     {Line(Far, -1, Band1), Line(Origin, +1, Band2), Line(Far, -1, Band3)}},
}};

QString EffectName(int number) {
    return IsCatalogueEffect(number) ? QString::fromLatin1(EffectCatalogue[std::size_t(number)].Name)
                                     : QString();
}

bool IsCatalogueEffect(int number) {
    return number >= 0 && number < EffectCount;
}

std::vector<int> ShuffleLines(int first, int limit, TRandom& random) {
    std::vector<int> lines;
    if (first > limit) {
        return lines;
    }
    // Counted in 64 bits, so a limit of INT_MAX cannot overflow the loop.
    const std::int64_t count = std::int64_t(limit) - first + 1;
    lines.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const int index = random.Next(int(lines.size()));
        lines.insert(lines.begin() + index, int(first + i));
    }
    return lines;
}

void TEffectPlan::Start(int number, const TEffectGeometry& geometry, TRandom& random) {
    FNumber = std::clamp(number, 0, EffectCount - 1);
    FGeometry = geometry;
    FLines.clear();
    const TEffectRule& rule = Rule();
    const bool columns = rule.Axis == TLineAxis::Column;
    const int origin = Along(Origin);
    const int far = Along(Far);
    const int centre = Along(Centre);
    int last = 0;
    switch (rule.Last) {
    case TLastStep::Extent:
        last = far - origin;
        break;
    case TLastStep::Centre:
        last = centre;
        break;
    case TLastStep::CentreFromOrigin:
        last = centre - origin;
        break;
    case TLastStep::FarFromCentrePlusOne:
        last = far - centre + 1;
        break;
    case TLastStep::FarFromCentre:
        last = far - centre;
        break;
    case TLastStep::ListEnd:
        FLines = ShuffleLines(origin, columns ? geometry.ClientWidth : geometry.ClientHeight, random);
        FLastStep = int(FLines.size()) - 1;
        return;
    }
    // The end test follows the first step, so every other effect takes at least one.
    FLastStep = std::max(last, 0);
}

int TEffectPlan::Along(TLineBase base) const {
    const bool columns = Rule().Axis == TLineAxis::Column;
    const int origin = columns ? FGeometry.Left : FGeometry.Top;
    const int far = columns ? FGeometry.Width : FGeometry.Height;
    const int centre = (columns ? FGeometry.ClientWidth : FGeometry.ClientHeight) / 2;
    switch (base) {
    case Origin:
        return origin;
    case Far:
        return far;
    case Centre:
        return centre;
    case Trailing:
        return far - (centre - origin);
    case Shuffled:
        break;
    }
    return 0;
}

void TEffectPlan::SpanOf(TLineSpan span, int& from, int& to) const {
    // Across the movement: a column spans rows, a row spans columns.
    const bool columns = Rule().Axis == TLineAxis::Column;
    const int origin = columns ? FGeometry.Top : FGeometry.Left;
    const int far = columns ? FGeometry.Height : FGeometry.Width;
    const int centre = (columns ? FGeometry.ClientHeight : FGeometry.ClientWidth) / 2;
    const int band = (columns ? FGeometry.FitHeight : FGeometry.FitWidth) / 3;
    switch (span) {
    case Picture:
        from = origin;
        to = far;
        return;
    case BeforeCentre:
        from = origin;
        to = centre;
        return;
    case FromCentre:
        from = centre;
        to = far;
        return;
    case Band1:
        from = origin;
        to = origin + band;
        return;
    case Band2:
        from = origin + band;
        to = origin + 2 * band;
        return;
    case Band3:
        from = origin + 2 * band;
        to = far;
        return;
    }
}

int TEffectPlan::Segments(int t, std::span<TSegment, MaxSegments> out) const {
    if (t < 0 || t > FLastStep) {
        return 0;
    }
    const TEffectRule& rule = Rule();
    int count = 0;
    for (int i = 0; i < rule.LineCount; ++i) {
        const TLineRule& line = rule.Lines[std::size_t(i)];
        const int at = line.Base == Shuffled ? FLines[std::size_t(t)] : Along(line.Base) + line.Direction * t;
        int from = 0;
        int to = 0;
        SpanOf(line.Span, from, to);
        const TSegment segment =
            rule.Axis == TLineAxis::Column ? TSegment{at, from, at + 1, to} : TSegment{from, at, to, at + 1};
        if (std::find(out.begin(), out.begin() + count, segment) == out.begin() + count) {
            out[std::size_t(count++)] = segment;
        }
    }
    return count;
}
