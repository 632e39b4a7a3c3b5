#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Which picture of PictureList follows the one shown last: in name order, or in a random pass.
//
// A random pass shows the pictures in the order of a key that a seed gives each name, so the order is the
// same whenever the seed is, and the place of a picture in it does not depend on which other pictures
// there are. A show ended in mid-pass therefore goes on from the picture shown last with nothing shown
// twice, even when pictures have come or gone meanwhile: those whose place lies ahead join the pass, the
// others wait for the next one. Each pass takes a new seed, chosen so that it does not begin with the
// picture that ended the last one.

struct TNextPicture {
    // Its index in the list; -1 when the list, still being listed, does not hold it yet.
    int Index = -1;
    // It begins a new pass.
    bool NewPass = false;
    // A random order's seed for the pass it belongs to.
    quint32 Seed = 0;
};

// The entry after nFoto, wrapping after the last; a position outside the list starts at the first. While
// the list is incomplete, its end is not yet the end of the pass.
TNextPicture NextInNameOrder(int nFoto, qsizetype count, bool complete);

// The key of a name in the pass of seed; the pass goes by increasing key, names with equal keys in their
// own order.
quint64 ShuffleKey(quint32 seed, const QString& name);
// The entry after last (a name; empty before the pass's first picture) in the pass of seed. After the
// pass's last picture a new pass begins, unless the list is incomplete.
TNextPicture NextInShuffle(quint32 seed, const QString& last, const QStringList& list, bool complete);
// The first picture of the pass after the pass of seed, which ended with last.
TNextPicture FirstOfNextShuffle(quint32 seed, const QString& last, const QStringList& list);
