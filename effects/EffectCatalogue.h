#pragma once

#include "platform/Random.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The geometry of the 22 transition effects, free of widgets: which one-pixel lines step t of an effect
// draws and which step is its last. The slide image control copies those lines from its source bitmap into
// its screen buffer; a hide runs the same lines over a source of nothing but the background colour.

constexpr int EffectCount = 22;

// The sizes an effect is laid out on, fixed when it starts.
struct TEffectGeometry {
    int ClientWidth = 0;  // CW
    int ClientHeight = 0; // CH
    int Left = 0;         // X0, the picture's left margin
    int Top = 0;          // Y0, the picture's top margin
    int Width = 0;        // W, the source bitmap's width: X0 plus the fitted width
    int Height = 0;       // H, the source bitmap's height: Y0 plus the fitted height
    int FitWidth = 0;     // w, for the bands of effects 18 to 21
    int FitHeight = 0;    // h
};

// A rectangle of pixels, right and bottom exclusive. A segment may lie partly or wholly outside the source
// bitmap; that part draws nothing.
struct TSegment {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TSegment&) const = default;
};

// Whether an effect moves columns across the picture or rows down it.
enum class TLineAxis : std::uint8_t { Column, Row };

// Where a line starts, along the axis of movement. For columns Origin is X0, Far is W and Centre is the
// control's centre column CW div 2; for rows they are Y0, H and CH div 2. Trailing is Far less the distance
// from Origin to Centre, the second line of effects 15 and 17. Shuffled takes the line number from the
// effect's shuffled list instead.
enum class TLineBase : std::uint8_t { Origin, Far, Centre, Trailing, Shuffled };

// Which part of the line is drawn, across the axis of movement: the whole picture, the part before or from
// the control's centre, or one of three bands (the last band taking what a division by three leaves over).
enum class TLineSpan : std::uint8_t { Picture, BeforeCentre, FromCentre, Band1, Band2, Band3 };

// The last step T, from the sizes along the axis of movement: Extent is Far - Origin (w or h), Centre is
// the centre itself, and so on; ListEnd is the shuffled list's count - 1.
enum class TLastStep : std::uint8_t {
    Extent,
    Centre,
    CentreFromOrigin,     // Centre - Origin
    FarFromCentrePlusOne, // Far - Centre + 1
    FarFromCentre,        // Far - Centre
    ListEnd
};

// One line that a step draws: at Base + Direction * t.
struct TLineRule {
    TLineBase Base = TLineBase::Origin;
    int Direction = +1;
    TLineSpan Span = TLineSpan::Picture;
};

struct TEffectRule {
    const char* Name;
    TLineAxis Axis;
    TLastStep Last;
    int LineCount;
    std::array<TLineRule, 3> Lines;
};

// Rule i is effect i; the names are those the settings dialog lists.
extern const std::array<TEffectRule, EffectCount> EffectCatalogue;

QString EffectName(int number);
bool IsCatalogueEffect(int number);

// The visiting order of effects 4 and 5: the numbers first ... limit, each inserted at an index drawn from
// 0 ... e - 1, e being the count already in the list. Every line up to the limit is visited, however large
// the screen. Empty when first is above limit.
std::vector<int> ShuffleLines(int first, int limit, TRandom& random);

// One run of one effect.
class TEffectPlan {
public:
    static constexpr int MaxSegments = 3;

    // Lays out effect number (0 ... EffectCount - 1) on the geometry; the random-line effects draw their
    // order from the generator here.
    void Start(int number, const TEffectGeometry& geometry, TRandom& random);

    int Number() const { return FNumber; }
    const TEffectRule& Rule() const { return EffectCatalogue[std::size_t(FNumber)]; }
    const TEffectGeometry& Geometry() const { return FGeometry; }
    // The last step T; -1 when the effect has no step at all (a random-line effect with an empty list).
    int LastStep() const { return FLastStep; }
    int StepCount() const { return FLastStep + 1; }
    const std::vector<int>& Lines() const { return FLines; }

    // The segments of step t (0 ... LastStep()) into out; returns how many. A line drawn twice in one step
    // is given once.
    int Segments(int t, std::span<TSegment, MaxSegments> out) const;

private:
    int Along(TLineBase base) const;
    void SpanOf(TLineSpan span, int& from, int& to) const;

    int FNumber = 0;
    TEffectGeometry FGeometry;
    int FLastStep = -1;
    std::vector<int> FLines;
};
