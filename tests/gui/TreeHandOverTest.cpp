// "Grafic" in the tree results window: the selected tree of a seeded run in
// the tree graphic window, and the results window unchanged afterwards.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "app/Mainform.h"
#include "data/StringGrid.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/TreeGrafik.h"
#include "graphics/TreeSpezial.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "tests/gui/ParsimonyApp.h"

namespace {
const QString Example = QStringLiteral(VARNO_SOURCE_DIR "/examples/state-trees.txt");

// Job > Parsimony and a seeded run of the example.
struct TApp : TParsimonyApp {
    TApp() : TParsimonyApp(Example) {}
    bool Run(std::uint64_t seed) { return ChooseAndRun(seed); }
};

}  // namespace

class TreeHandOverTest : public QObject {
    Q_OBJECT
private slots:
    void GraficShowsTheSelectedTreeAndLeavesTheResultsAlone()
    {
        TApp app;
        QVERIFY(app.Run(5));
        Find<TStringGrid>(app.Results, "SgOpt")->setCurrentCell(3, 1);
        QCOMPARE(app.Results.SelectedSlot(), 3);
        const TTree& tree = app.Results.Population()->Tree(3);
        const auto& names = app.Results.Population()->CharField().Names;
        const int t = tree.TipCount();
        const auto listBefore = Find<TStringGrid>(app.Results, "SgOpt")->Rows();
        const auto tableBefore = Find<TStringGrid>(app.Results, "SgTree")->Rows();

        const bool shown =
            WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
                QVERIFY(w.isModal());
                QCOMPARE(w.windowTitle(), QString("Tree"));
                QCOMPARE(w.Page().Title, QString());
                TscTreeNodes* nodes = w.Nodes();
                QVERIFY(nodes);
                QCOMPARE(nodes->Count(), 2 * t - 1);
                for (int i = 1; i <= t; ++i) {
                    QCOMPARE(nodes->Item(i - 1)->Ident, names[tree.Tips[i].Objects[0]]);
                    QCOMPARE(nodes->Item(i - 1)->Length, tree.Tips[i].Fit);
                }
                QCOMPARE(nodes->Root, nodes->Item(t + tree.Root() - 1));
                QCOMPARE(nodes->Root->Ident, QString("Root"));
                QCOMPARE(w.Panel().ZoomRoot, nodes->Root);
                QCOMPARE(nodes->LeafCount(), t);
                // Re-root the drawing; the search's tree must not notice.
                const QImage image = Find<TGrfPaintBox>(w, "TreePBX")->grab().toImage();
                QVERIFY(!image.isNull());
                TscTreeNode* deep = nullptr;
                for (TscTreeNode* n : PreOrder(nodes->Root))
                    if (n->Depth() >= 2) deep = n;
                QVERIFY(deep);
                for (auto& o : w.Panel().GrfObjects())
                    if (auto* d = dynamic_cast<TadaArtDot*>(o.get()); d && d->Node == deep) {
                        const TIntRect r = d->DeviceBounds();
                        QTest::mouseClick(Find<TGrfPaintBox>(w, "TreePBX"), Qt::LeftButton, {},
                                          QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
                    }
                QCOMPARE(w.SelectedNode(), deep);
                Find<QPushButton>(w, "ReRootBTN")->click();
                QCOMPARE(nodes->Root->Right, deep);
            });
        QVERIFY(shown);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Rows(), listBefore);
        QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->Rows(), tableBefore);
        QCOMPARE(app.Results.SelectedSlot(), 3);
        QVERIFY(app.Ui.Errors.isEmpty());

        // The next "Grafic" starts from the search's tree again.
        const bool again =
            WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
                QCOMPARE(w.Nodes()->Root, w.Nodes()->Item(t + tree.Root() - 1));
            });
        QVERIFY(again);
    }

    void BeforeAnyRunGraficDoesNothing()
    {
        TApp app;
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* w = QApplication::activeModalWidget()) {
                opened = true;
                w->close();
            }
        });
        app.Results.TreeBTNClick();
        app.Results.DrawTree(1);
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QVERIFY(app.Ui.Errors.isEmpty());
    }
};

QTEST_MAIN(TreeHandOverTest)
#include "TreeHandOverTest.moc"
