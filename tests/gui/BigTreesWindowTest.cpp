// The windows past 255 objects: the thorough search's trees in the tree
// results window (list, tips and nodes, character fit, consensus, support,
// Save trees, Open trees) and the tree graphic window, checked against the
// batch tool on the same files.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <random>

#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "graphics/GrfContainer.h"
#include "graphics/GrfRender.h"
#include "graphics/TreeFromSearch.h"
#include "graphics/TreeGrf.h"
#include "graphics/ZoomScrollArea.h"
#include "parsimony/forms/SupportForm.h"
#include "parsimony/summaries/BigTreeResults.h"
#include "parsimony/thorough/ThoroughCriteria.h"
#include "parsimony/thorough/ThoroughRows.h"
#include "parsimony/thorough/ThoroughTree.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "tests/gui/ParsimonyApp.h"
#include "tests/support/BatchRun.h"

namespace {
// Random state trees in pointer notation, some "?", objects Taxon1..
QString RandomDataFile(const QString& dir, int objects, int characters, unsigned seed)
{
    std::mt19937_64 rng(seed);
    QStringList lines{QStringLiteral("Name")};
    for (int c = 1; c <= characters; ++c) lines[0] += QStringLiteral("\tC%1").arg(c);
    for (int o = 1; o <= objects; ++o) {
        QString line = QStringLiteral("Taxon%1").arg(o);
        for (int c = 0; c < characters; ++c) {
            int k = std::uniform_int_distribution<int>(0, 6)(rng);
            if (k == 6) {
                line += QStringLiteral("\t?");
                continue;
            }
            QString cell = QStringLiteral("S%1").arg(k), tail;
            for (; k > 0; k /= 2) {
                cell += QStringLiteral("[S%1").arg(k / 2);
                tail += QLatin1Char(']');
            }
            line += QLatin1Char('\t') + cell + (tail.isEmpty() ? QStringLiteral("[]") : tail);
        }
        lines << line;
    }
    const QString path = dir + QStringLiteral("/data%1.txt").arg(seed);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(EncodeTextLines(lines));
    return path;
}

// A random rooted binary tree: tips joined in random pairs, then clades.
TCompactTree RandomCompactTree(int tips, std::mt19937_64& rng)
{
    TCompactTree tree;
    tree.Reset(tips);
    std::vector<int> free;
    for (int v = 0; v < tips; ++v) free.push_back(v);
    for (int next = tips; free.size() > 1; ++next) {
        std::shuffle(free.begin(), free.end(), rng);
        const int a = free.back();
        free.pop_back();
        const int b = free.back();
        free.back() = next;
        tree.Child[static_cast<size_t>(next)] = {a, b};
        tree.Parent[static_cast<size_t>(a)] = tree.Parent[static_cast<size_t>(b)] = next;
    }
    tree.Root = free.front();
    tree.Parent[static_cast<size_t>(tree.Root)] = -1;
    return tree;
}

QStringList Lines(const QString& text)
{
    return text.split(QStringLiteral("\n"), Qt::SkipEmptyParts);
}
}  // namespace

class BigTreesWindowTest : public QObject {
    Q_OBJECT
private slots:
    void ThoroughTreesOf300ObjectsInTheResultsWindow()
    {
        QTemporaryDir dir;
        const int objects = 300, characters = 20;
        const QString data = RandomDataFile(dir.path(), objects, characters, 7);
        TParsimonyApp app(data);
        QCOMPARE(app.Ctx.Model.ObjectCount, objects);
        app.Main.CreateTree1Click();
        // The evolutionary search keeps its limit and its message.
        app.Ui.Errors.clear();
        app.Optimize.Button1Click();
        QVERIFY(!app.Optimize.IsRunning());
        QCOMPARE(app.Ui.Errors.size(), 1);
        QCOMPARE(app.Ui.Errors.front(),
                 QString("The parsimony search takes at most 255 objects; the data have 300."));
        app.Ui.Errors.clear();

        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        Find<QLineEdit>(app.Optimize, "EdReplicates")->setText("3");
        Find<QLineEdit>(app.Optimize, "EdThreads")->setText("2");
        Find<QLineEdit>(app.Optimize, "EdTimeLimit")->setText("30");
        QVERIFY(app.Continue(3));
        QVERIFY2(app.Ui.Errors.isEmpty(), qPrintable(app.Ui.Errors.join('\n')));
        QVERIFY(!app.Results.Population());
        const TBigTreeResults* big = app.Results.BigResults();
        QVERIFY(big);
        QVERIFY(big->TreeCount() >= 1);
        const std::int64_t length = big->Length(1);
        const QString lengthText = QString::number(length);

        // The list: legend, then one row a tree with its length and how it was found.
        auto* list = Find<TStringGrid>(app.Results, "SgOpt");
        const std::vector<QStringList> rows = list->Rows();
        QCOMPARE(rows.front().front(), ThoroughLegend);
        QCOMPARE(static_cast<int>(rows.size()), big->TreeCount() + 1);
        for (size_t r = 1; r < rows.size(); ++r) {
            QCOMPARE(rows[r][1], lengthText);
            QVERIFY(rows[r][2].startsWith("replicate "));
        }
        QCOMPARE(Find<QLabel>(app.Results, "Label1")->text(),
                 QString("Optimum = Minimum = %1").arg(length));

        // Tips and nodes: every object, every node's parent, fits adding up to the length.
        const std::vector<QStringList> tree = Find<TStringGrid>(app.Results, "SgTree")->Rows();
        auto checkTipsAndNodes = [&](const std::vector<QStringList>& table) {
            QCOMPARE(static_cast<int>(table.size()), objects + 1);
            QCOMPARE(table[objects][3], QString("Fitness"));
            QCOMPARE(table[objects][4], lengthText);
            double fits = 0;
            int roots = 0;
            for (int r = 1; r <= objects; ++r) {
                QCOMPARE(table[r][0], QString("Taxon%1").arg(r));
                fits += table[r][2].toDouble() + (r < objects ? table[r][4].toDouble() : 0);
                roots += table[r][3] == QString("%1[]").arg(r);
            }
            QCOMPARE(fits, static_cast<double>(length));
            QCOMPARE(roots, 1);
        };
        checkTipsAndNodes(tree);
        // A picture for a person to look at: set VARNO_SCREENSHOT_DIR and run
        // under a real display (e.g. Xvfb).
        if (const QString out = qEnvironmentVariable("VARNO_SCREENSHOT_DIR"); !out.isEmpty()) {
            QTest::qWait(300);
            app.Results.grab().save(out + "/results-300.png");
        }

        // Save trees: the batch tool scores the file as the list does.
        const QString saved = dir.filePath("trees.nwk");
        app.Ui.SaveAnswers.enqueue(saved);
        app.Results.BtnSaveTreesClick();
        const TBatchText scored = RunBatchText({"score", data, saved});
        QCOMPARE(scored.Exit, 0);
        QCOMPARE(Lines(scored.Out), QStringList(big->TreeCount(), lengthText));

        // The character fit of tree 1 is the batch tool's for the same tree.
        std::vector<QStringList> table;
        connect(&app.Results, &TFrmTreeOpt::CharFitReady, this,
                [&table](const std::vector<QStringList>& t, const std::vector<QStringList>&) {
                    table = t;
                });
        list->setCurrentCell(1, 0);
        Find<QPushButton>(app.Results, "BtnCharFit")->click();
        QCOMPARE(static_cast<int>(table.size()), characters + 1);
        const QString first = dir.filePath("first.nwk");
        QFile firstFile(first);
        QVERIFY(firstFile.open(QIODevice::WriteOnly));
        QFile all(saved);
        QVERIFY(all.open(QIODevice::ReadOnly));
        firstFile.write(all.readLine());
        firstFile.close();
        const TBatchRun charfit = RunBatch({"charfit", data, first});
        QCOMPARE(charfit.Exit, 0);
        QCOMPARE(charfit.Out, EncodeTextTable(table));
        QVERIFY(app.Main.ProtocolLines().last().startsWith("Tree 1: "));

        // The consensus of the shortest trees is the batch tool's of the saved file.
        QString consensus;
        connect(&app.Results, &TFrmTreeOpt::ComputedTreeWanted, this,
                [&consensus](std::shared_ptr<TscTreeNodes> nodes, const QString&,
                             const QString& newick) {
                    QCOMPARE(nodes->LeafCount(), 300);
                    consensus = newick;
                });
        list->clearSelection();
        Find<QPushButton>(app.Results, "BtnConsensus")->click();
        const TBatchText batchConsensus = RunBatchText({"consensus", saved});
        QCOMPARE(batchConsensus.Exit, 0);
        // The same groups (leaves may come in another order).
        const auto both = ReadTreeText(consensus + "\n" + batchConsensus.Out);
        QVERIFY(both && both->Trees.size() == 2);
        const TResult<TBigNewickSet> groups = BigCladesOfNewick(both->Trees);
        QVERIFY(groups);
        for (const TBigConsensusInput::TGroup& g : groups->Input.Groups) QCOMPARE(g.Count, 2);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* w = dynamic_cast<TTreeGrfFRM*>(top)) w->close();

        // The tree window draws the selected tree with its fits and changes.
        double drawnLength = 0;
        QVERIFY(WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
            QCOMPARE(w.Nodes()->LeafCount(), objects);
            int changes = 0;
            for (int i = 0; i < w.Nodes()->Count(); ++i) {
                drawnLength += w.Nodes()->Item(i)->Length;
                changes += static_cast<int>(w.Nodes()->Item(i)->Changes.size());
            }
            QCOMPARE(changes, static_cast<int>(length));
        }));
        QCOMPARE(drawnLength, static_cast<double>(length));

        // Support: the window takes the data of these trees; Bremer refuses
        // with its reason, jackknife runs.
        Find<QPushButton>(app.Results, "BtnSupport")->click();
        auto* support = app.Results.findChild<TFrmSupport*>();
        QVERIFY(support && support->isVisible());
        support->SetAutoShow(false);
        Find<QComboBox>(support, "MethodCBX")->setCurrentIndex(2);
        app.Ui.Errors.clear();
        Find<QPushButton>(support, "StartBTN")->click();
        QVERIFY(!support->IsRunning());
        QCOMPARE(app.Ui.Errors.size(), 1);
        QVERIFY2(app.Ui.Errors.front().contains("square of the objects"),
                 qPrintable(app.Ui.Errors.front()));
        Find<QComboBox>(support, "MethodCBX")->setCurrentIndex(0);
        Find<QSpinBox>(support, "ReplicatesSPN")->setValue(2);
        Find<QSpinBox>(support, "ThreadsSPN")->setValue(2);
        QSignalSpy supported(support, &TFrmSupport::RunFinished);
        Find<QPushButton>(support, "StartBTN")->click();
        QVERIFY(supported.count() == 1 || supported.wait(120000));
        QCOMPARE(Find<QLabel>(support, "StatusLBL")->text(),
                 QString("Jackknife support, 2 replicates"));
        support->close();

        // Open trees reads the saved file back into the window.
        std::vector<std::string> keys;
        for (int k = 1; k <= big->TreeCount(); ++k) keys.push_back(CanonicalKey(big->Tree(k)));
        app.Ui.Errors.clear();
        app.Ui.OpenAnswers.enqueue(saved);
        app.Main.OpenTrees1Click();
        QVERIFY2(app.Ui.Errors.isEmpty(), qPrintable(app.Ui.Errors.join('\n')));
        const TBigTreeResults* opened = app.Results.BigResults();
        QVERIFY(opened);
        QCOMPARE(opened->TreeCount(), static_cast<int>(keys.size()));
        const std::vector<QStringList> openedRows = list->Rows();
        QCOMPARE(openedRows.front().front(), QString("Trees read from trees.nwk"));
        for (int k = 1; k <= opened->TreeCount(); ++k) {
            QCOMPARE(CanonicalKey(opened->Tree(k)), keys[static_cast<size_t>(k) - 1]);
            QCOMPARE(openedRows[static_cast<size_t>(k)][1], lengthText);
        }
        checkTipsAndNodes(Find<TStringGrid>(app.Results, "SgTree")->Rows());
        // A file that does not fit the data leaves the trees shown.
        const QString stranger = dir.filePath("stranger.nwk");
        QFile strangerFile(stranger);
        QVERIFY(strangerFile.open(QIODevice::WriteOnly));
        QVERIFY(all.seek(0));
        strangerFile.write(all.readLine().replace("Taxon9:", "Nobody:"));
        strangerFile.close();
        app.Ui.OpenAnswers.enqueue(stranger);
        app.Main.OpenTrees1Click();
        QCOMPARE(app.Ui.Errors.size(), 1);
        QVERIFY2(app.Ui.Errors.front().contains("does not fit the data"),
                 qPrintable(app.Ui.Errors.front()));
        QCOMPARE(app.Results.BigResults(), opened);
    }

    // Under a reversible criterion the trees past 255 objects are listed and
    // summed up too; a branch's changes are ambiguous, so no fits, no
    // character fit, and branch lengths in no file.
    void ReversibleCriterionPast255Objects()
    {
        QTemporaryDir dir;
        const int objects = 280;
        const QString data = RandomDataFile(dir.path(), objects, 12, 9);
        TParsimonyApp app(data);
        app.Main.CreateTree1Click();
        app.Optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
        Find<QLineEdit>(app.Optimize, "EdReplicates")->setText("2");
        Find<QLineEdit>(app.Optimize, "EdThreads")->setText("2");
        Find<QLineEdit>(app.Optimize, "EdTimeLimit")->setText("20");
        auto* criterion = Find<QComboBox>(app.Optimize, "CbCriterion");
        criterion->setCurrentIndex(criterion->findText("Unordered (Fitch)"));
        QVERIFY(app.Continue(4));
        QVERIFY2(app.Ui.Errors.isEmpty(), qPrintable(app.Ui.Errors.join('\n')));
        const TBigTreeResults* big = app.Results.BigResults();
        QVERIFY(big && big->Criteria());
        // The length listed is the unordered length of the tree.
        const TCriteriaScoringData scoring(*big->Criteria(), big->MissingData(), {});
        TCriteriaThoroughScorer scorer(scoring);
        QCOMPARE(scorer.FullLength(big->Tree(1)), big->Length(1));
        const std::vector<QStringList> tree = Find<TStringGrid>(app.Results, "SgTree")->Rows();
        QCOMPARE(tree[objects][4], QString::number(big->Length(1)));
        for (int r = 1; r < objects; ++r) {
            QVERIFY(tree[r][2].isEmpty());
            QVERIFY(tree[r][4].isEmpty());
        }
        const QString saved = dir.filePath("trees.nwk");
        app.Ui.SaveAnswers.enqueue(saved);
        app.Results.BtnSaveTreesClick();
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QCOMPARE(text.count(';'), big->TreeCount());
        QVERIFY(!text.contains(':'));
        QCOMPARE(text.count("Taxon"), big->TreeCount() * objects);

        // The character fit counts unordered, as the batch tool does.
        std::vector<QStringList> table;
        connect(&app.Results, &TFrmTreeOpt::CharFitReady, this,
                [&table](const std::vector<QStringList>& t, const std::vector<QStringList>&) {
                    table = t;
                });
        Find<TStringGrid>(app.Results, "SgOpt")->setCurrentCell(1, 0);
        Find<QPushButton>(app.Results, "BtnCharFit")->click();
        QVERIFY2(app.Ui.Errors.isEmpty(), qPrintable(app.Ui.Errors.join('\n')));
        const QString first = dir.filePath("first.nwk");
        QFile firstFile(first);
        QVERIFY(firstFile.open(QIODevice::WriteOnly));
        firstFile.write(text.left(text.indexOf(';') + 1) + "\n");
        firstFile.close();
        const TBatchRun charfit = RunBatch({"charfit", data, first, "--criterion", "unordered"});
        QCOMPARE(charfit.Exit, 0);
        QCOMPARE(charfit.Out, EncodeTextTable(table));

        // The tree window draws the ACCTRAN changes: as many as the length.
        QVERIFY(WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
            std::int64_t changes = 0;
            for (int i = 0; i < w.Nodes()->Count(); ++i)
                changes += static_cast<std::int64_t>(w.Nodes()->Item(i)->Changes.size());
            QCOMPARE(changes, big->Length(1));
        }));
    }

    // 2 000 objects through the program: the data, Open trees, Grafic; how
    // long each takes goes to the log (never asserted).
    void TwoThousandObjectsOpenedAndDrawn()
    {
        QTemporaryDir dir;
        const int objects = 2000;
        const QString data = RandomDataFile(dir.path(), objects, 10, 11);
        std::mt19937_64 rng(3);
        const TCompactTree tree = RandomCompactTree(objects, rng);
        std::vector<QString> names{QString()};
        for (int o = 1; o <= objects; ++o) names.push_back(QStringLiteral("Taxon%1").arg(o));
        const QString file = dir.filePath("big.nwk");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(EncodeTextLines({WriteCompactNewick(tree, names)}));
        out.close();
        TParsimonyApp app(data);
        QCOMPARE(app.Ctx.Model.ObjectCount, objects);
        QElapsedTimer timer;
        timer.start();
        app.Ui.OpenAnswers.enqueue(file);
        app.Main.OpenTrees1Click();
        QVERIFY2(app.Ui.Errors.isEmpty(), qPrintable(app.Ui.Errors.join('\n')));
        QVERIFY(QTest::qWaitForWindowExposed(&app.Results));
        const qint64 listed = timer.restart();
        QCOMPARE(Find<TStringGrid>(app.Results, "SgTree")->RowCount(), objects + 1);
        const TBatchText scored = RunBatchText({"score", data, file});
        QCOMPARE(Find<TStringGrid>(app.Results, "SgOpt")->Cell(1, 1), scored.Out.trimmed());
        qint64 drawn = 0, withChanges = 0;
        timer.restart();
        QVERIFY(WithTreeWindow(Find<QPushButton>(app.Results, "TreeBTN"), [&](TTreeGrfFRM& w) {
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.repaint();  // painted once at least
            drawn = timer.restart();
            QCOMPARE(w.Nodes()->LeafCount(), objects);
            auto* changes = Find<QCheckBox>(w, "ChangesCBX");
            QVERIFY(changes->isVisible());
            changes->click();
            w.repaint();
            withChanges = timer.elapsed();
        }));
        qInfo(
            "2000 objects: Open trees in %lld ms, the tree window up in %lld ms, its changes "
            "drawn in %lld ms",
            listed, drawn, withChanges);
    }

    // How long the tree window takes with 2 000 leaves, to read in the log
    // (speed is measured here, never asserted).
    void TwoThousandLeavesOpenAndScroll()
    {
        const int tips = 2000;
        std::mt19937_64 rng(5);
        const TCompactTree tree = RandomCompactTree(tips, rng);
        std::vector<QString> names{QString()};
        for (int o = 1; o <= tips; ++o) names.push_back(QStringLiteral("Taxon_number_%1").arg(o));
        std::vector<std::int64_t> fits(static_cast<size_t>(tree.Vertices()));
        for (std::int64_t& f : fits) f = static_cast<std::int64_t>(rng() % 5);

        QElapsedTimer timer;
        timer.start();
        TadaTreeNodes nodes;
        QVERIFY(CompactTreeToTreeNodes(tree, names, fits, nodes).Ok());
        TFakeUiServices ui;
        TTreeGrfFRM window(ui);
        window.SetNodes(&nodes);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        const qint64 opened = timer.restart();
        auto* area = Find<TZoomScrollArea>(window, "TreeSCR");
        QScrollBar* bar = area->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);  // taller than the window: the labels stay readable
        for (int step = 1; step <= 10; ++step) {
            bar->setValue(bar->maximum() * step / 10);
            area->viewport()->repaint();
        }
        const qint64 scrolled = timer.elapsed();
        timer.restart();
        area->SetZoom(3, area->viewport()->rect().center());
        area->viewport()->repaint();
        const qint64 zoomed = timer.elapsed();
        // Zooming in goes on past the readable size (the picture is painted where it shows).
        QVERIFY2(std::abs(area->Zoom() - 3) < 1e-9, qPrintable(QString::number(area->Zoom())));
        qInfo(
            "2000 leaves: window open in %lld ms, 10 scrolled repaints in %lld ms, zoom in %lld ms",
            opened, scrolled, zoomed);
        QCOMPARE(window.Nodes()->LeafCount(), tips);
        // Pictures for a person to look at: set VARNO_SCREENSHOT_DIR and run
        // under a real display (e.g. Xvfb).
        const QString out = qEnvironmentVariable("VARNO_SCREENSHOT_DIR");
        if (out.isEmpty()) return;
        window.resize(1100, 800);
        area->ShowWhole();
        QTest::qWait(300);
        window.grab().save(out + "/tree-2000-whole.png");
        area->SetZoom(1);
        bar->setValue(bar->maximum() / 2);
        QTest::qWait(300);
        window.grab().save(out + "/tree-2000-readable.png");
        area->SetZoom(4, area->viewport()->rect().center());
        QTest::qWait(300);
        window.grab().save(out + "/tree-2000-zoomed.png");
        QVERIFY(SavePicture(window.Page(), out + "/tree-2000-export.png", TPictureFormat::Png, 1280,
                            1024)
                    .Ok());
        // The export grows so that its labels stay readable: a piece of it at full size.
        const QImage exported(out + "/tree-2000-export.png");
        QVERIFY(exported.height() > 1024);
        exported.copy(0, exported.height() / 2, exported.width(), 900)
            .save(out + "/tree-2000-export-middle.png");
    }
};

QTEST_MAIN(BigTreesWindowTest)
#include "BigTreesWindowTest.moc"
