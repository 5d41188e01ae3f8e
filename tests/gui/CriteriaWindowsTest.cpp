// The criterion choice of the parsimony window's searches and of the branch
// support window, driven through the fake services and held against the
// batch tool and the criteria scorer.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Mainform.h"
#include "data/StringGrid.h"
#include "graphics/TreeClasses.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/SupportForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/summaries/ReversibleChanges.h"
#include "tests/gui/ParsimonyApp.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
const QString Text = QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.txt");
// The same data with their state trees as CSTREE types: state tree, reversible.
const QString Nexus = QStringLiteral(VARNO_SOURCE_DIR "/fuzz/nexus-seeds/weevils-export.nex");

// The batch tool's optimum for these arguments; -1 when it printed none.
double BatchOptimum(const QStringList& args)
{
    QProcess batch;
    batch.start(QStringLiteral(VARNO_BATCH), args);
    if (!batch.waitForFinished(120000) || batch.exitCode() != 0) return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Optimum = Minimum = (\\d+)"))
            .match(QString::fromUtf8(batch.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

// With VARNO_SCREENSHOTS set to a folder, the window as name there.
void Shoot(QWidget& w, const QString& name)
{
    const QString dir = qEnvironmentVariable("VARNO_SCREENSHOTS");
    if (!dir.isEmpty()) w.grab().save(dir + "/" + name);
}

QStringList Protocol(TFrmMain& main)
{
    return Find<QPlainTextEdit>(main, "Memo1")->toPlainText().split('\n');
}
}  // namespace

class CriteriaWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void EachWindowUnderEachCriterion()
    {
        struct TCase {
            QString File;
            QString Item;      // of the criterion choices; "" leaves the default
            QString Option;    // the batch tool's --criterion; "" for the file's types
            QString Outgroup;  // "" leaves the first object
            bool Reversible;
        };
        const std::vector<TCase> cases{
            {Text, "Irreversible (Camin-Sokal)", "irreversible", "", false},
            {Text, "State tree, reversible", "reversible", "Calodera_fusca", true},
            {Text, "Unordered (Fitch)", "unordered", "", true},
            {Nexus, "", "", "", true},
            {Nexus, "Irreversible (Camin-Sokal)", "irreversible", "", false},
            {Nexus, "Unordered (Fitch)", "unordered", "Thymnis_aurea", true},
        };
        for (const TCase& c : cases) {
            const QString label = QFileInfo(c.File).fileName() + " " + c.Item + " " + c.Outgroup;
            TFakeUiServices ui;
            TAppContext ctx(ui);
            TFrmMain main(ctx);
            ui.OpenAnswers.enqueue(c.File);
            if (c.File.endsWith(".nex"))
                main.NexusCsv1Click();
            else
                main.Text1Click();
            main.CreateTree1Click();
            TFrmOptimize& optimize = *main.Windows().FrmOptimize;
            TFrmTreeOpt& results = *main.Windows().FrmTreeOpt;
            const bool nexus = c.File.endsWith(".nex");
            optimize.SetSeed(3);

            // The evolutionary search counts Camin-Sokal only: the file's
            // reversible types are refused, nothing runs.
            if (nexus) {
                optimize.Button1Click();
                QVERIFY2(!optimize.IsRunning(), qPrintable(label));
                QCOMPARE(ui.Errors.size(), 1);
                QVERIFY(ui.Errors.first().startsWith(
                    "The evolutionary search counts irreversible (Camin-Sokal) changes only, "
                    "but 8 characters are scored under a reversible criterion (8 state tree, "
                    "reversible)"));
                ui.Errors.clear();
            }

            // The thorough search under the choice.
            const int width = optimize.width();
            optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
            auto* criterion = Find<QComboBox>(optimize, "CbCriterion");
            auto* outgroup = Find<QComboBox>(optimize, "CbOutgroup");
            // The default runs as the window always did; a NEXUS file's types come first.
            QCOMPARE(criterion->currentText(), nexus ? QString("As the file's types")
                                                     : QString("Irreversible (Camin-Sokal)"));
            QCOMPARE(outgroup->currentText(), QString("Outgroup_primus"));
            if (!c.Item.isEmpty()) criterion->setCurrentIndex(criterion->findText(c.Item));
            QCOMPARE(outgroup->isEnabled(), c.Reversible);
            if (!c.Outgroup.isEmpty()) outgroup->setCurrentIndex(outgroup->findText(c.Outgroup));
            // The choices leave the window as wide as it always was.
            QCOMPARE(optimize.width(), width);
            if (c.Reversible && !c.Outgroup.isEmpty()) Shoot(optimize, "criteria-thorough.png");
            Find<QLineEdit>(optimize, "EdReplicates")->setText("5");
            Find<QLineEdit>(optimize, "EdThreads")->setText("1");
            QSignalSpy finished(&optimize, &TFrmOptimize::RunFinished);
            optimize.Button1Click();
            QVERIFY2(optimize.IsRunning() && finished.wait(120000), qPrintable(label));
            QVERIFY2(ui.Errors.isEmpty(), qPrintable(ui.Errors.join('\n')));

            QStringList args{"search",       c.File, "--seed",    "3",
                             "--replicates", "5",    "--threads", "1"};
            if (!c.Option.isEmpty()) args << "--criterion" << c.Option;
            if (!c.Outgroup.isEmpty()) args << "--outgroup" << c.Outgroup;
            const double optimum = BatchOptimum(args);
            QVERIFY2(optimum > 0, qPrintable(label));
            QCOMPARE(Find<QLabel>(results, "Label1")->text(),
                     QString("Optimum = Minimum = %1").arg(optimum));
            const std::vector<QStringList> rows = Find<TStringGrid>(results, "SgOpt")->Rows();
            TParsimonySearch* population = results.Population();
            QVERIFY(population);
            QCOMPARE(static_cast<bool>(population->Criteria()), c.Reversible);
            QCOMPARE(population->TreeCount(), static_cast<int>(rows.size()) - 1);
            TResult<std::optional<TCriteriaCoding>> coding = SearchCriteria(
                ctx.Model.Data(),
                c.Option.isEmpty() ? std::nullopt : std::optional(*ParseCriterion(c.Option)));
            QVERIFY(coding.Ok());
            QCOMPARE(coding->has_value(), c.Reversible);
            // Every tree of the list: its length there, in the population and
            // by the scorer; the steps of the character fit add up to it.
            for (int k = 1; k <= population->TreeCount(); ++k) {
                TTree tree = population->Tree(k);
                const double length = *coding ? TCriteriaScorer(**coding).Length(tree, true)
                                              : population->Tree(k).Fitness;
                QCOMPARE(length, optimum);
                QCOMPARE(population->Tree(k).Fitness, optimum);
                QCOMPARE(rows[static_cast<size_t>(k)][1], QString::number(optimum));
            }
            std::vector<QStringList> fit;
            connect(&results, &TFrmTreeOpt::CharFitReady, this,
                    [&fit](const std::vector<QStringList>& table, const std::vector<QStringList>&) {
                        fit = table;
                    });
            Find<QPushButton>(results, "BtnCharFit")->click();
            QCOMPARE(static_cast<int>(fit.size()), ctx.Model.CharacterCount + 1);
            double steps = 0;
            for (size_t r = 1; r < fit.size(); ++r) steps += fit[r][2].toDouble();
            QCOMPARE(steps, optimum);
            // The tree window draws the changes that make up the length,
            // under a reversible criterion placed by ACCTRAN as the changes
            // table places them, the ambiguous ones as open marks.
            Find<TStringGrid>(results, "SgOpt")->setCurrentCell(1, 1);
            int drawn = 0, ambiguous = 0, arrows = 0;
            QVERIFY(WithTreeWindow(Find<QPushButton>(results, "TreeBTN"), [&](TTreeGrfFRM& w) {
                const TscTreeNodes* nodes = w.Nodes();
                const TscTreeNode* most = nodes->Root;
                for (int i = 0; i < nodes->Count(); ++i) {
                    const TscTreeNode* n = nodes->Item(i);
                    drawn += static_cast<int>(n->Changes.size());
                    ambiguous += static_cast<int>(n->ChangeAmbiguous.count(true));
                    for (const QString& text : n->Changes) arrows += text.contains(QChar(0x2192));
                    if (n->Changes.size() > most->Changes.size()) most = n;
                }
                QVERIFY(Find<QCheckBox>(w, "ChangesCBX")->isVisibleTo(&w));
                if (c.Reversible && !c.Outgroup.isEmpty()) {
                    Find<QCheckBox>(w, "ChangesCBX")->click();
                    w.NodeSelected(MarkerOf(w, most));
                    w.resize(1100, 800);
                    QApplication::processEvents();
                    Shoot(w, "criteria-tree-changes.png");
                    // Wide enough for a mark per change, open where ambiguous.
                    w.resize(1900, 900);
                    QApplication::processEvents();
                    Shoot(w, "criteria-tree-changes-wide.png");
                }
            }));
            QCOMPARE(drawn, static_cast<int>(optimum));
            QCOMPARE(arrows, c.Reversible ? drawn : 0);
            if (c.Reversible) {
                const std::vector<QStringList> table =
                    CriteriaChangesTable(population->Tree(results.SelectedSlot()), ctx.Model.Data(),
                                         **coding, true, TChangePlacement::Acctran);
                QCOMPARE(static_cast<int>(std::count_if(
                             table.begin() + 1, table.end(),
                             [](const QStringList& r) { return r.value(4) == "ambiguous"; })),
                         ambiguous);
                QVERIFY2(ambiguous > 0 && ambiguous < drawn, qPrintable(label));
            }
            if (c.Reversible) {
                const QStringList protocol = Protocol(main);
                for (const QString& line : (*coding)->Lines) QVERIFY(protocol.contains(line));
                const QString root = c.Outgroup.isEmpty() ? "Outgroup_primus" : c.Outgroup;
                QVERIFY(protocol.contains(
                    QString(" Trees are written rooted at the outgroup %1.").arg(root)));
                // The outgroup is a child of the root.
                const TTree& tree = population->Tree(1);
                bool atRoot = false;
                for (int i = 1; i <= tree.TipCount(); ++i)
                    atRoot |= population->CharField().Names[tree.Tips[i].Objects[0]] == root &&
                              tree.Nodes[tree.Tips[i].Anc].Anc == 0;
                QVERIFY2(atRoot, qPrintable(label));
            }

            // Bremer support under the same choice finds the same shortest length.
            Find<QPushButton>(results, "BtnSupport")->click();
            auto* support = results.findChild<TFrmSupport*>();
            QVERIFY(support);
            support->SetAutoShow(false);
            auto* supportCriterion = Find<QComboBox>(support, "CriterionCBX");
            QVERIFY(supportCriterion->isEnabled());
            QCOMPARE(supportCriterion->currentText(), criterion->itemText(0));
            if (!c.Item.isEmpty())
                supportCriterion->setCurrentIndex(supportCriterion->findText(c.Item));
            QCOMPARE(support->width(), 460);
            if (nexus && c.Item.isEmpty()) Shoot(*support, "criteria-support.png");
            Find<QComboBox>(support, "MethodCBX")->setCurrentIndex(2);
            Find<QLineEdit>(support, "SeedEDT")->setText("7");
            Find<QSpinBox>(support, "ThreadsSPN")->setValue(1);
            QSignalSpy supported(support, &TFrmSupport::RunFinished);
            Find<QPushButton>(support, "StartBTN")->click();
            QVERIFY(supported.count() == 1 || supported.wait(120000));
            QVERIFY2(
                Find<QLabel>(support, "StatusLBL")
                    ->text()
                    .startsWith(
                        QString("Bremer support (decay index), shortest length %1").arg(optimum)),
                qPrintable(Find<QLabel>(support, "StatusLBL")->text()));
            QCOMPARE(Protocol(main).contains("Criteria:"), c.Reversible);
            support->close();

            // The exact search under the same choice proves the thorough
            // search's optimum, as the batch tool does.
            optimize.show();
            optimize.SetSearchKind(TFrmOptimize::TSearchKind::Exact);
            auto* exact = Find<QComboBox>(optimize, "CbExactCriterion");
            if (!c.Item.isEmpty()) exact->setCurrentIndex(exact->findText(c.Item));
            auto* exactOutgroup = Find<QComboBox>(optimize, "CbExactOutgroup");
            QCOMPARE(exactOutgroup->isEnabled(), c.Reversible);
            if (!c.Outgroup.isEmpty())
                exactOutgroup->setCurrentIndex(exactOutgroup->findText(c.Outgroup));
            Find<QLineEdit>(optimize, "EdExactThreads")->setText("1");
            QCOMPARE(optimize.width(), width);
            if (nexus && c.Item.isEmpty()) Shoot(optimize, "criteria-exact.png");
            optimize.Button1Click();
            QVERIFY2(optimize.IsRunning() && finished.wait(120000), qPrintable(label));
            QVERIFY2(ui.Errors.isEmpty(), qPrintable(ui.Errors.join('\n')));
            QStringList exactArgs{"exact", c.File, "--threads", "1"};
            if (!c.Option.isEmpty()) exactArgs << "--criterion" << c.Option;
            if (!c.Outgroup.isEmpty()) exactArgs << "--outgroup" << c.Outgroup;
            const double proved = BatchOptimum(exactArgs);
            QVERIFY2(proved > 0 && proved <= optimum, qPrintable(label));
            QCOMPARE(Find<QLabel>(results, "Label1")->text(),
                     QString("Optimum = Minimum = %1").arg(proved));
            if (c.Reversible) {
                const QStringList protocol = Protocol(main);
                QVERIFY(protocol.contains(QString("Exact search (branch and bound) over every "
                                                  "unrooted binary tree of %1 objects")
                                              .arg(ctx.Model.ObjectCount)));
                TParsimonySearch* exactTrees = results.Population();
                QVERIFY(exactTrees && exactTrees->Criteria());
                QCOMPARE(exactTrees->Tree(1).Fitness, proved);
            }
        }
    }

    // A NEXUS file's gaps: missing data by default, one more state when
    // chosen, as the batch tool's --gap reads them; other data leave the
    // choice closed.
    void GapsAreReadAsChosen()
    {
        QTemporaryDir dir;
        const QString gaps = dir.filePath("gaps.nex");
        QFile file(gaps);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "#NEXUS\nbegin data; dimensions ntax=6 nchar=3; format symbols=\"012\" "
            "gap=-;\nmatrix\nA 000\nB 0-1\nC 1-1\nD -10\nE -12\nF 2-2\n;\nend;\n");
        file.close();
        for (const bool asState : {false, true}) {
            TFakeUiServices ui;
            TAppContext ctx(ui);
            TFrmMain main(ctx);
            ui.OpenAnswers.enqueue(Text);
            main.Text1Click();
            main.CreateTree1Click();
            TFrmOptimize& optimize = *main.Windows().FrmOptimize;
            TFrmTreeOpt& results = *main.Windows().FrmTreeOpt;
            optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
            QVERIFY(!Find<QComboBox>(optimize, "CbGaps")->isEnabled());
            ui.OpenAnswers.enqueue(gaps);
            main.NexusCsv1Click();
            main.CreateTree1Click();
            optimize.SetSeed(3);
            optimize.SetSearchKind(TFrmOptimize::TSearchKind::Thorough);
            auto* choice = Find<QComboBox>(optimize, "CbGaps");
            QVERIFY(choice->isEnabled());
            QCOMPARE(choice->currentText(), QString("Missing data"));
            choice->setCurrentIndex(asState ? 1 : 0);
            Find<QComboBox>(optimize, "CbCriterion")->setCurrentIndex(3);  // unordered
            Find<QLineEdit>(optimize, "EdThreads")->setText("1");
            QSignalSpy finished(&optimize, &TFrmOptimize::RunFinished);
            optimize.Button1Click();
            QVERIFY2(optimize.IsRunning() && finished.wait(120000),
                     qPrintable(ui.Errors.join('\n')));
            QVERIFY2(ui.Errors.isEmpty(), qPrintable(ui.Errors.join('\n')));
            const QString reading = asState ? "state" : "missing";
            const double optimum = BatchOptimum(
                {"exact", gaps, "--criterion", "unordered", "--gap", reading, "--threads", "1"});
            QVERIFY(optimum > 0);
            QCOMPARE(Find<QLabel>(results, "Label1")->text(),
                     QString("Optimum = Minimum = %1").arg(optimum));
            QCOMPARE(Protocol(main).join('\n').contains("gap cells of unordered characters"),
                     asState);

            optimize.show();
            optimize.SetSearchKind(TFrmOptimize::TSearchKind::Exact);
            Find<QComboBox>(optimize, "CbExactCriterion")->setCurrentIndex(3);
            Find<QComboBox>(optimize, "CbExactGaps")->setCurrentIndex(asState ? 1 : 0);
            if (asState) Shoot(optimize, "criteria-gaps.png");
            optimize.Button1Click();
            QVERIFY(optimize.IsRunning() && finished.wait(120000));
            QCOMPARE(Find<QLabel>(results, "Label1")->text(),
                     QString("Optimum = Minimum = %1").arg(optimum));
        }
    }
};

QTEST_MAIN(CriteriaWindowsTest)
#include "CriteriaWindowsTest.moc"
