#pragma once

#include <QFont>
#include <QFrame>
#include <QLineEdit>
#include <QWidget>

class QLabel;
class QString;

// Small pieces of the dialogs' forms that the widget set has no exact match for.

enum class TEdgeCut { None, Lowered, Raised };

// A panel: a button-face area inside an outer and an inner one-pixel bevel.
class TPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent, TEdgeCut outer = TEdgeCut::Raised, TEdgeCut inner = TEdgeCut::None);
    TEdgeCut BevelOuter() const { return FOuter; }
    TEdgeCut BevelInner() const { return FInner; }
    // The width that both bevels take from each side.
    int BevelWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TEdgeCut FOuter;
    TEdgeCut FInner;
};

// A separator line of two pixels, lowered (shadow, then highlight) or raised, along one side of its area.
enum class TBevelShape { BottomLine, LeftLine };

class TBevelLine : public QWidget {
    Q_OBJECT
public:
    TBevelLine(QWidget* parent, TBevelShape shape, TEdgeCut cut);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelShape FShape;
    TEdgeCut FCut;
};

// A one-line edit without a frame of its own, drawn on a sunken two-pixel tile.
class TBevelEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TBevelEdit(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The platform's sans-serif font with characters of that many pixels.
QFont SansFont(int pixelHeight);
// A label with its own size at (x, y) of its parent, in that font.
QLabel* PlaceLabel(QWidget* parent, const QString& text, int x, int y);
