// The tree graphic window driven as a user would: clicks on markers, buttons,
// check boxes, a drag, and "Save" into the export window.
#include <QApplication>
#include <QCheckBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include "graphics/GrfContainer.h"
#include "graphics/GrfExport.h"
#include "graphics/GrfPaintBox.h"
#include "graphics/TreeGrafik.h"
#include "graphics/TreeSpezial.h"
#include "graphics/ZoomScrollArea.h"
#include "tests/graphics/TreeBuilders.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"
#include "tests/support/PixelCounts.h"

namespace {

// A window on a random tree of 8 leaves, shown and painted once.
struct TTreeWindow {
    TFakeUiServices Ui;
    TadaTreeNodes Nodes;
    TTreeGrfFRM Window{Ui};
    explicit TTreeWindow(unsigned seed = 5)
    {
        BuildRandom(Nodes, 8, seed);
        Window.SetNodes(&Nodes);
        Window.SetTitle(QString());
        Window.show();
        Grab();
    }
    QImage Grab() { return Find<TGrfPaintBox>(Window, "TreePBX")->grab().toImage(); }
    // The marker of a node, or none when it is not shown.
    TadaArtDot* Marker(const TscTreeNode* node) const
    {
        for (auto& o : Window.Panel().GrfObjects())
            if (auto* d = dynamic_cast<TadaArtDot*>(o.get()); d && d->Node == node) return d;
        return nullptr;
    }
    QPoint At(const TscTreeNode* node) const
    {
        const TIntRect r = Marker(node)->DeviceBounds();
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    void Click(const TscTreeNode* node, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(Find<TGrfPaintBox>(Window, "TreePBX"), button, {}, At(node));
    }
    // An inner node that is neither the root nor one of its children.
    TscTreeNode* DeepInner() const
    {
        for (TscTreeNode* n : PreOrder(Nodes.Root))
            if (!n->IsLeaf() && n->Depth() >= 2) return n;
        return nullptr;
    }
    TscTreeNode* AnyLeaf() const { return Nodes.Item(0); }
    int MarkerCount() const { return static_cast<int>(Window.Panel().GrfObjects().size()); }
};

}  // namespace

class TreeGrafikTest : public QObject {
    Q_OBJECT
private slots:
    void LargeTreeScrollsAndZoomsWithReadableLabels()
    {
        TFakeUiServices ui;
        TadaTreeNodes nodes;
        BuildRandom(nodes, 255, 11);
        TTreeGrfFRM w(ui);
        w.SetNodes(&nodes);
        w.SetTitle(QString());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* viewport = Find<TZoomScrollArea>(w, "TreeSCR")->viewport();
        // Taller than the window, as wide as it; labels at least 8 pixels.
        QVERIFY(Find<TGrfPaintBox>(w, "TreePBX")->height() >= 255 * 8);
        QCOMPARE(Find<TGrfPaintBox>(w, "TreePBX")->width(), viewport->width());
        Find<TGrfPaintBox>(w, "TreePBX")->grab();
        QVERIFY(w.Panel().LabelStyle().FontHeight(w.Panel().CurrentLayout().Geometry) >= 8);
        QScrollBar* vertical = Find<TZoomScrollArea>(w, "TreeSCR")->verticalScrollBar();
        QVERIFY(vertical->isVisible());
        QCOMPARE(vertical->value(), 0);

        auto wheel = [&](QPoint at, int delta, Qt::KeyboardModifiers mods) {
            QWheelEvent e(at, viewport->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, mods,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &e);
        };
        // VARNO_DUMP_DIR=/some/dir keeps pictures of the window for looking at.
        const QString dump = qEnvironmentVariable("VARNO_DUMP_DIR");
        auto keep = [&](const char* name) {
            if (!dump.isEmpty()) w.grab().save(dump + "/" + name + ".png");
        };
        keep("tree255-top");
        // The wheel scrolls down.
        wheel({100, 100}, -360, Qt::NoModifier);
        keep("tree255-scrolled");
        QVERIFY(vertical->value() > 0);

        // Ctrl+wheel zooms in, keeping the node under the cursor where it is.
        TscTreeNode* leaf = nodes.Item(100);
        auto onViewport = [&] {
            TadaArtDot* marker = nullptr;
            for (auto& o : w.Panel().GrfObjects())
                if (auto* d = dynamic_cast<TadaArtDot*>(o.get()); d && d->Node == leaf) marker = d;
            Find<TGrfPaintBox>(w, "TreePBX")->grab();  // a paint lays the markers out anew
            const TIntRect r = marker->DeviceBounds();
            return Find<TGrfPaintBox>(w, "TreePBX")
                ->mapTo(viewport, QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        };
        vertical->setValue(vertical->maximum() / 3);
        const QPoint before = onViewport();
        QVERIFY(viewport->rect().contains(before));
        const QSize unzoomed = Find<TGrfPaintBox>(w, "TreePBX")->size();
        wheel(before, 240, Qt::ControlModifier);
        QVERIFY(Find<TZoomScrollArea>(w, "TreeSCR")->Zoom() > 1.4);
        QVERIFY(Find<TGrfPaintBox>(w, "TreePBX")->height() > unzoomed.height() * 1.4);
        QVERIFY(Find<TGrfPaintBox>(w, "TreePBX")->width() > unzoomed.width() * 1.4);
        const QPoint after = onViewport();
        QVERIFY2((after - before).manhattanLength() <= 6, qPrintable(QString("%1,%2 -> %3,%4")
                                                                         .arg(before.x())
                                                                         .arg(before.y())
                                                                         .arg(after.x())
                                                                         .arg(after.y())));
        QVERIFY(w.Panel().LabelStyle().FontHeight(w.Panel().CurrentLayout().Geometry) >= 11);
        keep("tree255-zoomed");
        // Reset shows the whole tree in the window, whichever zoom made it larger.
        Find<QPushButton>(w, "ResetBTN")->click();
        QApplication::processEvents();
        QCOMPARE(Find<TGrfPaintBox>(w, "TreePBX")->size(), viewport->size());
        QVERIFY(Find<TZoomScrollArea>(w, "TreeSCR")->Zoom() < 0.5);
        keep("tree255-whole");
        // The wheel zooms in from there and out again, about the cursor, with
        // no node selected; out it stops at the whole tree.
        wheel(before, 240, Qt::ControlModifier);
        const double zoomed = Find<TZoomScrollArea>(w, "TreeSCR")->Zoom();
        QVERIFY(zoomed > 0.4);
        QVERIFY(Find<TGrfPaintBox>(w, "TreePBX")->height() > viewport->height());
        wheel(before, 480, Qt::ControlModifier);
        QVERIFY(Find<TZoomScrollArea>(w, "TreeSCR")->Zoom() > zoomed * 1.4);
        wheel(before, -4800, Qt::ControlModifier);
        QApplication::processEvents();
        QCOMPARE(Find<TGrfPaintBox>(w, "TreePBX")->size(), viewport->size());
        QVERIFY(!vertical->isVisible() || vertical->maximum() == 0);
        // Seen whole, every leaf's marker is inside the window.
        Find<TGrfPaintBox>(w, "TreePBX")->grab();
        for (auto& o : w.Panel().GrfObjects()) {
            const TIntRect r = o->DeviceBounds();
            QVERIFY(r.Top >= 0 && r.Bottom <= viewport->height());
        }
        QVERIFY(ui.Informations.isEmpty());
        // Zoom 1 is the first, readable size again.
        Find<TZoomScrollArea>(w, "TreeSCR")->SetZoom(1);
        QCOMPARE(Find<TGrfPaintBox>(w, "TreePBX")->size(), unzoomed);
    }

    void SelectedNodeIsMarkedOnScreenOnly()
    {
        TTreeWindow t;
        TscTreeNode* node = t.DeepInner();
        const QRgb mark = TTreeGrfFRM::SelectionColour.rgb();
        QCOMPARE(CountColour(t.Grab(), mark), 0);
        t.Click(node);
        QVERIFY(CountColour(t.Grab(), mark) > 40);
        // Exports draw the page, without the mark.
        const QImage exported = t.Window.Page().RenderImage(733, 652);
        QCOMPARE(CountColour(exported, mark), 0);
        // Another tree: nothing selected, nothing marked.
        t.Window.SetNodes(&t.Nodes);
        QCOMPARE(CountColour(t.Grab(), mark), 0);
    }

    void WindowLooksAsDesigned()
    {
        TTreeWindow t;
        TTreeGrfFRM& w = t.Window;
        QCOMPARE(w.windowTitle(), QString("Tree"));
        QCOMPARE(w.size(), QSize(870, 661));
        QVERIFY(!Find<QPushButton>(w, "CloseBTN")->isVisible());
        QCOMPARE(Find<QPushButton>(w, "ReRootBTN")->text(), QString("Re-Root"));
        QCOMPARE(Find<QPushButton>(w, "FlipBTN")->text(), QString("Swap"));
        // Zoom and Reset share one row.
        QCOMPARE(Find<QPushButton>(w, "ZoomBTN")->y(), Find<QPushButton>(w, "ResetBTN")->y());
        QVERIFY(Find<QPushButton>(w, "ZoomBTN")->x() < Find<QPushButton>(w, "ResetBTN")->x());
        QVERIFY(Find<QCheckBox>(w, "DrawAtRightCBX")->isChecked());
        QVERIFY(Find<QCheckBox>(w, "BckGroundCBX")->isChecked());
        QCOMPARE(Find<QLabel>(w, "ActNodeLBL")->text(), QString("Node"));
        QCOMPARE(Find<QLabel>(w, "ActNodeLBL")->font().pixelSize(), 16);
        QCOMPARE(Find<QPushButton>(w, "ExportBTN")->text(), QString("Save"));
        QVERIFY(Find<QPushButton>(w, "ExportBTN")->font().bold());
        QVERIFY(Find<QPushButton>(w, "ExportBTN")->y() > Find<QLabel>(w, "ActNodeLBL")->y());
        QCOMPARE(w.Page().Title, QString());
        QCOMPARE(w.Page().TitleLayout, TTitleLayout::None);
        // One marker per node, the tree drawn on the paint box.
        QCOMPARE(t.MarkerCount(), t.Nodes.Count());
        const QImage image = t.Grab();
        QVERIFY(CountDark(image, image.rect()) > 500);
        QCOMPARE(image.width(), 870 - 137);
    }

    void ClickOnMarkerSelectsAndShowsInfoUntilRelease()
    {
        TTreeWindow t;
        TscTreeNode* node = t.DeepInner();
        QVERIFY(node);
        QTest::mousePress(Find<TGrfPaintBox>(t.Window, "TreePBX"), Qt::LeftButton, {}, t.At(node));
        QCOMPARE(t.Window.SelectedNode(), node);
        QCOMPARE(Find<QLabel>(t.Window, "ActNodeLBL")->text(), node->Ident);
        const QStringList info = t.Window.Page().TextBoxLines();
        QCOMPARE(info.value(0), "Ident=" + node->Ident);
        QCOMPARE(info.value(1), "Code=" + node->Code);
        QCOMPARE(info.value(2), QString("Leaves=%1").arg(node->LeafCount()));
        // The yellow box is on screen while the button is held.
        QVERIFY(CountColour(t.Grab(), QRect(0, 0, 733, 652), qRgb(255, 255, 0)) > 200);
        QTest::mouseRelease(Find<TGrfPaintBox>(t.Window, "TreePBX"), Qt::LeftButton, {},
                            t.At(node));
        QVERIFY(t.Window.Page().TextBoxLines().isEmpty());
        QCOMPARE(CountColour(t.Grab(), QRect(0, 0, 733, 652), qRgb(255, 255, 0)), 0);

        // Any button selects; only the left one shows the box.
        TscTreeNode* leaf = t.AnyLeaf();
        QTest::mousePress(Find<TGrfPaintBox>(t.Window, "TreePBX"), Qt::RightButton, {}, t.At(leaf));
        QCOMPARE(t.Window.SelectedNode(), leaf);
        QCOMPARE(Find<QLabel>(t.Window, "ActNodeLBL")->text(), leaf->Ident);
        QVERIFY(t.Window.Page().TextBoxLines().isEmpty());
        QTest::mouseRelease(Find<TGrfPaintBox>(t.Window, "TreePBX"), Qt::RightButton, {},
                            t.At(leaf));
    }

    void ZoomNeedsAnInnerNodeAndResetReturns()
    {
        TTreeWindow t;
        TTreeGrfFRM& w = t.Window;
        Find<QPushButton>(w, "ZoomBTN")->click();
        QCOMPARE(t.Ui.Informations, QStringList{"No node selected !"});
        QCOMPARE(w.Panel().ZoomRoot, t.Nodes.Root);
        t.Click(t.AnyLeaf());
        Find<QPushButton>(w, "ZoomBTN")->click();
        QCOMPARE(t.Ui.Informations.value(1), QString("Tip selected !"));
        QCOMPARE(w.Panel().ZoomRoot, t.Nodes.Root);
        QCOMPARE(t.MarkerCount(), t.Nodes.Count());

        TscTreeNode* node = t.DeepInner();
        const QString before = Shape(t.Nodes.Root, true);
        t.Click(node);
        Find<QPushButton>(w, "ZoomBTN")->click();
        QCOMPARE(w.Panel().ZoomRoot, node);
        // Only the subtree has markers, and it fills the panel: its leaf markers are larger.
        QCOMPARE(t.MarkerCount(), 2 * node->LeafCount() - 1);
        t.Grab();
        const double zoomedSize = w.Panel().LeaveStyle().Size;
        QCOMPARE(zoomedSize, std::min(0.05, 1.0 / (1.2 * node->LeafCount())));
        QCOMPARE(Shape(t.Nodes.Root, true), before);  // zoom never changes the tree
        Find<QPushButton>(w, "ResetBTN")->click();
        QCOMPARE(w.Panel().ZoomRoot, t.Nodes.Root);
        QCOMPARE(t.MarkerCount(), t.Nodes.Count());
        QCOMPARE(w.SelectedNode(), node);  // the selection stays
        QCOMPARE(t.Ui.Informations.size(), 2);
    }

    void ReRootAndSwapChangeTheTreeOnlyWithASelection()
    {
        TTreeWindow t;
        TTreeGrfFRM& w = t.Window;
        const QString original = Shape(t.Nodes.Root, true);
        Find<QPushButton>(w, "ReRootBTN")->click();
        Find<QPushButton>(w, "FlipBTN")->click();
        QCOMPARE(Shape(t.Nodes.Root, true), original);

        // Swap: the subtrees change places; twice gives the tree back.
        TscTreeNode* node = t.DeepInner();
        t.Click(node);
        TscTreeNode* left = node->Left;
        Find<QPushButton>(w, "FlipBTN")->click();
        QCOMPARE(node->Right, left);
        QVERIFY(Shape(t.Nodes.Root, true) != original);
        Find<QPushButton>(w, "FlipBTN")->click();
        QCOMPARE(Shape(t.Nodes.Root, true), original);

        // Zoomed in, a re-root goes back to the whole tree; the node becomes the root's right
        // child.
        Find<QPushButton>(w, "ZoomBTN")->click();
        QCOMPARE(w.Panel().ZoomRoot, node);
        const double total = TotalLength(t.Nodes);
        const double nodeLength = node->Length;
        Find<QPushButton>(w, "ReRootBTN")->click();
        QCOMPARE(w.Panel().ZoomRoot, nullptr);
        QCOMPARE(t.Nodes.Root->Right, node);
        QCOMPARE(w.SelectedNode(), node);
        QVERIFY(qAbs(TotalLength(t.Nodes) - total) < 1e-9);
        QVERIFY(qAbs(t.Nodes.Root->Left->Length + t.Nodes.Root->Right->Length - nodeLength) < 1e-9);
        QCOMPARE(t.MarkerCount(), t.Nodes.Count());
        // The markers follow the new structure at the next paint.
        t.Grab();
        QCOMPARE(t.Marker(node)->X(), node->X);
        QCOMPARE(t.Marker(node)->Y(), node->Y);

        // Re-rooting on the root's child redraws the same tree.
        const QString rerooted = Shape(t.Nodes.Root, true);
        t.Click(node);
        Find<QPushButton>(w, "ReRootBTN")->click();
        QCOMPARE(Shape(t.Nodes.Root, true), rerooted);
    }

    void RightAdjustAndBackground()
    {
        TTreeWindow t;
        TTreeGrfFRM& w = t.Window;
        QImage image = t.Grab();
        const QRgb face = w.palette().color(QPalette::Button).rgb();
        QVERIFY(CountColour(image, QRect(0, 0, 20, 20), face) > 300);
        // Right-adjusted labels end near the right edge, with leaders to their tips.
        // (The last pixels hold the page outline.)
        const QRect rightEdge(image.width() * 93 / 100, 2, image.width() * 5 / 100,
                              image.height() - 4);
        QVERIFY(CountDark(image, rightEdge) > 20);
        QTest::mouseClick(Find<QCheckBox>(w, "DrawAtRightCBX"), Qt::LeftButton);
        QVERIFY(!Find<QCheckBox>(w, "DrawAtRightCBX")->isChecked());
        QVERIFY(!w.Panel().DrawAtRight);
        image = t.Grab();
        QCOMPARE(CountDark(image, rightEdge), 0);

        QTest::mouseClick(Find<QCheckBox>(w, "BckGroundCBX"), Qt::LeftButton);
        image = t.Grab();
        QCOMPARE(CountColour(image, QRect(2, 2, 18, 18), qRgb(255, 255, 255)), 18 * 18);
        QTest::mouseClick(Find<QCheckBox>(w, "BckGroundCBX"), Qt::LeftButton);
        QCOMPARE(CountColour(t.Grab(), QRect(2, 2, 18, 18), face), 18 * 18);
    }

    void DragRectangleHighlightsTheRegion()
    {
        TTreeWindow t;
        QWidget* box = Find<TGrfPaintBox>(t.Window, "TreePBX");
        const QRgb silver = qRgb(0xC0, 0xC0, 0xC0);
        const QRect inside(130, 130, 160, 260);
        const int before = CountColour(t.Grab(), inside, silver);
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(120, 120));
        QTest::mouseMove(box, QPoint(300, 400));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(300, 400));
        QVERIFY(t.Window.Panel().HighlightShown());
        QVERIFY(CountColour(t.Grab(), inside, silver) > before + 20000);
        // A plain click removes it again.
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(200, 200));
        QVERIFY(!t.Window.Panel().HighlightShown());
    }

    void SaveExportsThePageAndGivesItsSettingsBack()
    {
        TTreeWindow t;
        QTemporaryDir dir;
        const QString path = dir.filePath("tree.bmp");
        t.Ui.SaveAnswers.enqueue(path);
        bool driven = false;
        QTimer::singleShot(0, [&] {
            auto* e = dynamic_cast<TGrfExpFRM*>(QApplication::activeModalWidget());
            if (!e) return;
            driven = true;
            // The tree window keeps its picture while the export borrows the page.
            QVERIFY(Find<TGrfPaintBox>(t.Window, "TreePBX")->IsFrozen());
            QTest::keyClicks(Find<QLineEdit>(*e, "TitleEDT"), "My tree");
            QCOMPARE(t.Window.Page().Title, QString("My tree"));
            QCOMPARE(t.Window.Page().TitleLayout, TTitleLayout::Lines);
            FindRadioGroup(*e, "DestinationRG")->button(int(TGrfDestination::File))->click();
            FindRadioGroup(*e, "DataTypeRG")->button(int(TGrfDataType::Bitmap))->click();
            Find<QLineEdit>(*e, "PicWidthEDT")->setText("900");
            Find<QLineEdit>(*e, "PicHeightEDT")->setText("700");
            Find<QPushButton>(*e, "ExportBTN")->click();
            if (e->isVisible()) e->reject();
        });
        Find<QPushButton>(t.Window, "ExportBTN")->click();
        QVERIFY(driven);
        QCOMPARE(t.Ui.SaveCalls.size(), 1);
        QCOMPARE(t.Ui.SaveCalls[0].DefaultSuffix, QString("BMP"));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.size(), QSize(900, 700));
        QCOMPARE(t.Window.Page().Title, QString());
        QCOMPARE(t.Window.Page().TitleLayout, TTitleLayout::None);
        QCOMPARE(t.Ui.BusyDepth, 0);
        // The window paints on its own paint box again.
        QVERIFY(!Find<TGrfPaintBox>(t.Window, "TreePBX")->IsFrozen());
        QVERIFY(CountDark(t.Grab(), QRect(0, 0, 733, 652)) > 500);
    }
};

QTEST_MAIN(TreeGrafikTest)
#include "TreeGrafikTest.moc"
