// What the program keeps between runs: the recent files list and the
// window places fitted onto the screens present now.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "data/RecentFiles.h"
#include "data/ScreenFit.h"

namespace {
QString Abs(const QString& name) { return QDir::cleanPath(QDir::current().absoluteFilePath(name)); }
}  // namespace

TEST(RecentFiles, NewestFirstEachFileOnceAtMostEight)
{
    TRecentFiles r;
    for (int i = 1; i <= 10; ++i) r.Add(QStringLiteral("f%1.txt").arg(i));
    ASSERT_EQ(r.Paths().size(), TRecentFiles::MaxCount);
    EXPECT_EQ(r.Paths().front(), Abs("f10.txt"));
    EXPECT_EQ(r.Paths().back(), Abs("f3.txt"));  // f1 and f2 fell off

    // The same file under another spelling moves to the front, once.
    r.Add(QStringLiteral("./sub/../f5.txt"));
    EXPECT_EQ(r.Paths().size(), TRecentFiles::MaxCount);
    EXPECT_EQ(r.Paths().front(), Abs("f5.txt"));
    EXPECT_EQ(r.Paths().count(Abs("f5.txt")), 1);
    EXPECT_EQ(r.Paths()[1], Abs("f10.txt"));

    EXPECT_TRUE(r.Remove(Abs("f5.txt")));
    EXPECT_FALSE(r.Remove(Abs("f5.txt")));
    EXPECT_EQ(r.Paths().size(), TRecentFiles::MaxCount - 1);
    r.Add(QString());  // nothing to remember
    EXPECT_EQ(r.Paths().size(), TRecentFiles::MaxCount - 1);
}

TEST(RecentFiles, KeptBetweenRunsAndTidiedWhenEditedByHand)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    TRecentFiles first;
    first.Add("/data/a.txt");
    first.Add("/data/b.xlsx");
    {
        QSettings s(ini, QSettings::IniFormat);
        first.Save(s);
    }
    TRecentFiles second;
    {
        const QSettings s(ini, QSettings::IniFormat);
        second.Load(s);
    }
    EXPECT_EQ(second.Paths(), first.Paths());
    EXPECT_EQ(second.Paths().front(), QStringLiteral("/data/b.xlsx"));

    // Duplicates, empty entries and too many entries from a hand-edited file.
    {
        QSettings s(ini, QSettings::IniFormat);
        QStringList edited{"/x/1", "", "/x/2", "/x/1"};
        for (int i = 3; i <= 12; ++i) edited << QStringLiteral("/x/%1").arg(i);
        s.setValue("RecentFiles/Paths", edited);
    }
    const QSettings s(ini, QSettings::IniFormat);
    second.Load(s);
    EXPECT_EQ(second.Paths(),
              (QStringList{"/x/1", "/x/2", "/x/3", "/x/4", "/x/5", "/x/6", "/x/7", "/x/8"}));
}

TEST(ScreenFit, APlaceOnAPresentScreenStaysAsItWas)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1024)};
    const QMargins frame(2, 24, 2, 2);
    EXPECT_EQ(FitOnScreens(QRect(100, 100, 800, 600), frame, screens, 0),
              QRect(100, 100, 800, 600));
    // On the second screen.
    EXPECT_EQ(FitOnScreens(QRect(2000, 50, 900, 700), frame, screens, 0),
              QRect(2000, 50, 900, 700));
}

TEST(ScreenFit, AScreenThatWentAwayOrShrankBringsTheWindowBack)
{
    const QMargins frame(2, 24, 2, 2);
    // The second screen is gone: the window comes to the primary screen, whole.
    const QList<QRect> one{QRect(0, 0, 1920, 1050)};
    const QRect back = FitOnScreens(QRect(2000, 50, 900, 700), frame, one, 0);
    EXPECT_EQ(back.size(), QSize(900, 700));
    EXPECT_TRUE(one[0].contains(back.marginsAdded(frame))) << back.x() << "," << back.y();

    // Smaller resolution: the window shrinks to the screen, title bar in view.
    const QList<QRect> small{QRect(0, 30, 1024, 738)};  // a panel above
    const QRect fitted = FitOnScreens(QRect(300, 0, 1200, 1000), frame, small, 0);
    EXPECT_TRUE(small[0].contains(fitted.marginsAdded(frame)));
    EXPECT_EQ(fitted.width(), 1024 - 4);
    EXPECT_EQ(fitted.height(), 738 - 26);

    // Partly off the left edge of the only screen: moved in, size kept.
    const QRect moved = FitOnScreens(QRect(-300, 200, 640, 480), frame, one, 0);
    EXPECT_EQ(moved, QRect(2, 200, 640, 480));

    // Overlapping two screens: goes onto the one that showed more of it.
    const QList<QRect> two{QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1024)};
    const QRect split = FitOnScreens(QRect(1700, 100, 800, 600), frame, two, 0);
    EXPECT_TRUE(two[1].contains(split.marginsAdded(frame)));

    // Wholly off every screen: the primary one (here the second).
    const QRect lost = FitOnScreens(QRect(-5000, -5000, 400, 300), frame, two, 1);
    EXPECT_TRUE(two[1].contains(lost.marginsAdded(frame)));
}
