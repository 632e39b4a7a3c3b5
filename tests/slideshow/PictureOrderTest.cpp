#include "slideshow/PictureOrder.h"
#include "slideshow/FotoScan.h"
#include "tests/support/TestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList Names(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names.append(QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    }
    return names;
}

// One pass of the random order from its start, as indexes.
QList<int> Pass(quint32 seed, const QStringList& list) {
    QList<int> order;
    QString last;
    for (TNextPicture next = NextInShuffle(seed, last, list, true); order.size() <= list.size();
         next = NextInShuffle(seed, last, list, true)) {
        if (!order.isEmpty() && next.NewPass) {
            break;
        }
        order.append(next.Index);
        last = list[next.Index];
    }
    return order;
}

} // namespace

TEST(PictureOrder, NameOrderRules) {
    const struct {
        const char *A, *B;
        bool Less;
    } names[] = {
        {"a.jpg", "B.jpg", true}, {"B.jpg", "a.jpg", false}, {"IMG_0003", "img_0007", true},
        {"A.jpg", "a.jpg", true}, {"a.jpg", "a.jpg", false}, {"ab", "abc", true},
        {"Zeta", "Привет", true}, {"Ёлка", "ёлка", true},
    };
    for (const auto& row : names) {
        EXPECT_EQ(NameLess(QString::fromUtf8(row.A), QString::fromUtf8(row.B)), row.Less)
            << row.A << " " << row.B;
    }
    // Position after nFoto in a list of count, complete or still being listed.
    const struct {
        int NFoto;
        int Count;
        bool Complete;
        int Index;
        bool NewPass;
    } steps[] = {
        {1, 3, true, 2, false}, {2, 3, true, 0, true},    {57, 10, true, 0, true},    {-3, 10, true, 0, true},
        {0, 1, true, 0, true},  {2, 3, false, -1, false}, {57, 10, false, -1, false}, {0, 0, true, -1, false},
    };
    for (const auto& row : steps) {
        const TNextPicture next = NextInNameOrder(row.NFoto, row.Count, row.Complete);
        EXPECT_EQ(next.Index, row.Index) << row.NFoto << " of " << row.Count;
        EXPECT_EQ(next.NewPass, row.NewPass) << row.NFoto << " of " << row.Count;
    }
}

TEST(PictureOrder, ARandomPassShowsEachPictureOnceAndTheNextPassBeginsWithAnother) {
    const QStringList list = Names(20);
    quint32 seed = 12345;
    QString lastOfPass;
    QSet<QList<int>> orders;
    for (int pass = 0; pass < 50; ++pass) {
        const QList<int> order = Pass(seed, list);
        ASSERT_EQ(order.size(), 20);
        EXPECT_EQ(QSet<int>(order.begin(), order.end()).size(), 20);
        EXPECT_NE(list[order.first()], lastOfPass);
        orders.insert(order);
        lastOfPass = list[order.last()];
        const TNextPicture next = NextInShuffle(seed, lastOfPass, list, true);
        EXPECT_TRUE(next.NewPass);
        EXPECT_NE(next.Seed, seed);
        seed = next.Seed;
    }
    EXPECT_EQ(orders.size(), 50);
}

TEST(PictureOrder, APassGoesOnFromThePictureShownLastWhateverCameOrWent) {
    const QStringList list = Names(20);
    const QList<int> order = Pass(777, list);
    const QString seventh = list[order[6]];
    // The same list: the remaining thirteen, in the same order.
    QList<int> rest;
    for (QString last = seventh; rest.size() < 20;) {
        const TNextPicture next = NextInShuffle(777, last, list, true);
        if (next.NewPass) {
            break;
        }
        rest.append(next.Index);
        last = list[next.Index];
    }
    EXPECT_EQ(rest, order.mid(7));
    // A picture removed and one added: the others keep their places.
    QStringList changed = list;
    changed.removeAt(order[10]);
    changed.append(QStringLiteral("new.jpg"));
    QStringList before;
    QStringList after;
    for (int i = 7; i < 20; ++i) {
        if (i != 10) {
            before.append(list[order[i]]);
        }
    }
    for (QString last = seventh;;) {
        const TNextPicture next = NextInShuffle(777, last, changed, true);
        if (next.NewPass) {
            break;
        }
        last = changed[next.Index];
        if (last != QStringLiteral("new.jpg")) {
            after.append(last);
        }
    }
    EXPECT_EQ(after, before);
    // While the list is still being listed, its end is no end of the pass.
    EXPECT_EQ(NextInShuffle(777, list[order.last()], list, false).Index, -1);
}
