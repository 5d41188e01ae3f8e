#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "app/Mainform.h"
#include "data/CSTForm.h"
#include "data/ImportForm.h"
#include "data/LoadForm.h"
#include "data/MatrixOps.h"
#include "data/StringGrid.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/FindWidget.h"

namespace {
// Writes a text data file and loads it through File/Data > Open > Text.
bool Load(TFrmMain& main, TFakeUiServices& ui, QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath("data.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(text);
    f.close();
    ui.OpenAnswers.enqueue(path);
    main.Text1Click();
    return true;
}

const QByteArray Sample = "Taxon\tsize\tcolour\nt1\tB[A]\tred\nt2\tC[B]\tgreen\nt3\tA\t?\n";
// The data editor's focus: the grid, the row and column labels, and the
// object, character and cell fields.
struct TEditorFocus {
    explicit TEditorFocus(TFrmImport& editor)
        : Grid(Find<TStringGrid>(editor, "SgData")),
          Row(Find<QLabel>(editor, "Label6")),
          Col(Find<QLabel>(editor, "Label1")),
          Object(Find<QLineEdit>(editor, "Edit1")),
          Character(Find<QLineEdit>(editor, "Edit2")),
          Cell(Find<QLineEdit>(editor, "Edit4"))
    {
    }
    TStringGrid* Grid;
    QLabel *Row, *Col;
    QLineEdit *Object, *Character, *Cell;
};
}  // namespace

class CharactersTest : public QObject {
    Q_OBJECT
private slots:
    void CharacterTypeStepDefaultsToMatroschka()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        const qsizetype before = main.ProtocolLines().size();
        main.Windows().FrmLoad->show();
        main.Windows().FrmLoad->Button1Click();
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Matroschka);
        QVERIFY(!main.Windows().FrmLoad->isVisible());
        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 4);
        QCOMPARE(added[0], QString());
        QVERIFY(added[1].startsWith("Character Type = \"Matroschka\" uses pointer."));
        QCOMPARE(
            added[3],
            QString("  \"?\" (question mark) or any string that includes \"?\": data missing"));
    }

    void StandardShowsTheZeroBoxAndNoSelectionAsksForAType()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        TFrmLoad& load = *main.Windows().FrmLoad;
        load.show();
        QVERIFY(Find<QWidget>(load, "PanelZero")->isHidden());
        load.SelectCharacterType(TCharacterType::Standard);
        QVERIFY(!Find<QWidget>(load, "PanelZero")->isHidden());
        Find<QCheckBox>(load, "CBZero")->setChecked(false);
        const qsizetype before = main.ProtocolLines().size();
        load.Button1Click();
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Standard);
        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 5);  // without the line on "0"
        QCOMPARE(added[3], QString("  \"?\": state unknown"));

        // No item selected: nothing changes, the window stays.
        load.show();
        auto* items = Find<QButtonGroup>(load, "RgCharTypeItems");
        items->setExclusive(false);
        items->checkedButton()->setChecked(false);
        const qsizetype lines = main.ProtocolLines().size();
        ctx.Model.CharacterType = TCharacterType::Tree;
        load.Button1Click();
        QCOMPARE(ctx.Model.CharacterType, TCharacterType::Tree);
        QCOMPARE(main.ProtocolLines().size(), lines);
        QCOMPARE(Find<QLabel>(load, "Label1")->text(), QString("Define character type!"));
        QVERIFY(load.isVisible());
    }

    void ContinueChecksTheDataIntoReportAndProtocol()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        const qsizetype before = main.ProtocolLines().size();
        main.Windows().FrmImport->Button2Click();
        QVERIFY(!main.Windows().FrmImport->isVisible());
        QVERIFY(main.Windows().FrmLoad->isVisible());
        // "colour" has the roots red and green.
        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added, QStringList{" More than one root in character colour or description of "
                                    "this character is incomplete"});
        const QStringList report =
            Find<QPlainTextEdit>(main.Windows().FrmLoad, "Memo1")->toPlainText().split('\n');
        QCOMPARE(report[1], QString("Data check"));
        QCOMPARE(report[5], QString("Data check:"));
        QCOMPARE(report[6], added[0]);
        QCOMPARE(report.last(), QString(" Use the \"Start excel\" button to edit data"));
        QCOMPARE(ui.BusyDepth, 0);

        // "Start Excel" hands the loaded file to the spreadsheet flow.
        main.Windows().FrmLoad->StartExcelBTNClick();
        QCOMPARE(ui.Informations.value(0), QString("After editing, close Excel and reopen file"));
        QCOMPARE(ui.OpenedInApplication.size(), 1);

        // Back returns to the editor with its Continue button.
        main.Windows().FrmLoad->Button2Click();
        QVERIFY(!main.Windows().FrmLoad->isVisible());
        QVERIFY(main.Windows().FrmImport->isVisible());
        QVERIFY(!Find<QPushButton>(main.Windows().FrmImport, "Button2")->isHidden());
    }

    void SelectingACellFillsFocusAndStateTree()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        TFrmImport& editor = *main.Windows().FrmImport;
        const TEditorFocus focus(editor);
        QVERIFY(!main.Windows().FrmCST->isVisible());  // loading selects nothing
        focus.Grid->setCurrentCell(2, 1);              // row 2, column 1
        QCOMPARE(focus.Row->text(), QString("Row 2"));
        QCOMPARE(focus.Col->text(), QString("Col 1"));
        QCOMPARE(focus.Object->text(), QString("t2"));
        QCOMPARE(focus.Character->text(), QString("size"));
        QCOMPARE(focus.Cell->text(), QString("C[B]"));
        QVERIFY(main.Windows().FrmCST->isVisible());
        auto* stateTree = Find<QTreeWidget>(main.Windows().FrmCST, "TreeView1");
        std::vector<QTreeWidgetItem*> nodes;  // parents before children
        for (QTreeWidgetItemIterator it(stateTree); *it; ++it) nodes.push_back(*it);
        QCOMPARE(nodes.size(), size_t{3});
        QCOMPARE(nodes[0]->text(0), QString("A"));
        QCOMPARE(nodes[1]->parent(), nodes[0]);
        QCOMPARE(nodes[2]->text(0), QString("C"));
        QCOMPARE(nodes[2]->parent(), nodes[1]);
        QVERIFY(nodes[0]->isExpanded() && nodes[1]->isExpanded());
        QCOMPARE(stateTree->topLevelItemCount(), 1);

        // The names column has no state tree.
        focus.Grid->setCurrentCell(3, 0);
        QCOMPARE(focus.Col->text(), QString("Col 0"));
        QCOMPARE(focus.Cell->text(), QString("t3"));
        QVERIFY(!main.Windows().FrmCST->isVisible());
    }

    void FocusFieldsAreClearedWhenTheGridIsRefilled()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        TFrmImport& editor = *main.Windows().FrmImport;
        const TEditorFocus focus(editor);
        auto expectCleared = [&](const char* after) {
            QVERIFY2(
                focus.Row->text() == "Row:" && focus.Col->text() == "Col:",
                qPrintable(QString(after) + ": " + focus.Row->text() + " " + focus.Col->text()));
            QVERIFY2(focus.Object->text().isEmpty() && focus.Character->text().isEmpty() &&
                         focus.Cell->text().isEmpty(),
                     after);
        };
        focus.Grid->setCurrentCell(2, 1);
        QCOMPARE(focus.Cell->text(), QString("C[B]"));

        // Another file: none of the old texts stay.
        QVERIFY(Load(main, ui, dir, "Taxon\tlegs\nx1\tA\nx2\tB[A]\nx3\tB[A]\n"));
        expectCleared("a second load");
        // The first cell chosen afterwards fills them again from the new grid.
        focus.Grid->setCurrentCell(2, 1);
        QCOMPARE(focus.Object->text(), QString("x2"));
        QCOMPARE(focus.Cell->text(), QString("B[A]"));

        editor.Button3Click();
        expectCleared("Transpose");
        focus.Grid->setCurrentCell(1, 2);
        QCOMPARE(focus.Row->text(), QString("Row 1"));
        QCOMPARE(focus.Object->text(), QString("legs"));
        QCOMPARE(focus.Character->text(), QString("x2"));

        // A file with only a header row.
        QVERIFY(Load(main, ui, dir, "Taxon\tlegs\n"));
        expectCleared("an empty file");
    }

    void PathShowsFullPathsAndSaveWritesTheGrid()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        TFrmImport& editor = *main.Windows().FrmImport;
        auto* sgData = Find<TStringGrid>(editor, "SgData");
        auto* edit4 = Find<QLineEdit>(editor, "Edit4");
        auto* button2 = Find<QPushButton>(editor, "Button2");
        button2->hide();
        sgData->setCurrentCell(2, 1);
        editor.Button4Click();
        QCOMPARE(edit4->text(), QString("C[B[A[]]]"));  // the focus follows the grid
        QCOMPARE(sgData->Cell(1, 1), QString("B[A[]]"));
        QCOMPARE(sgData->Cell(1, 2), QString("C[B[A[]]]"));
        QCOMPARE(sgData->Cell(1, 3), QString("A[]"));
        QCOMPARE(sgData->Cell(2, 3), QString("?"));
        QCOMPARE(sgData->ColWidth(1), 70);  // "C[B[A[]]]": 9 characters
        QCOMPARE(sgData->ColWidth(2), 56);  // "colour", "green[]": 7
        QVERIFY(!button2->isHidden());
        QCOMPARE(ctx.Model.DataMatrix[1][2], QString("C[B]"));  // display only

        const QString saved = dir.filePath("Paths.txt");
        ui.SaveAnswers.enqueue(saved);
        editor.BtnSaveClick();
        QCOMPARE(ui.SaveCalls.last().InitialName, QString("Paths"));
        QCOMPARE(ui.SaveCalls.last().DefaultSuffix, QString("txt"));
        QFile f(saved);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Taxon\tsize\tcolour\r\nt1\tB[A[]]\tred[]\r\n"
                                         "t2\tC[B[A[]]]\tgreen[]\r\nt3\tA[]\t?\r\n"));
        f.close();

        // Cancel writes nothing; the saved file loads back as the same grid.
        editor.BtnSaveClick();
        ui.OpenAnswers.enqueue(saved);
        main.Text1Click();
        QCOMPARE(ctx.Model.DataMatrix[1][2], QString("C[B[A[]]]"));
        QCOMPARE(sgData->Cell(2, 1), QString("red[]"));
        QVERIFY(ui.Errors.isEmpty());
    }

    void SaveFailureIsReported()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        ui.SaveAnswers.enqueue(dir.filePath("no/such/folder/Paths.txt"));
        main.Windows().FrmImport->BtnSaveClick();
        QCOMPARE(ui.Errors.size(), 1);
    }

    void TransposeSwapsTheModelAndTwiceRestores()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        QTemporaryDir dir;
        QVERIFY(Load(main, ui, dir, Sample));
        const TDynStrMatrix original = ctx.Model.DataMatrix;
        const qsizetype lines = main.ProtocolLines().size();
        TFrmImport& editor = *main.Windows().FrmImport;
        auto* sgData = Find<TStringGrid>(editor, "SgData");
        sgData->setCurrentCell(1, 1);
        QVERIFY(main.Windows().FrmCST->isVisible());
        editor.Button3Click();
        QVERIFY(!main.Windows().FrmCST->isVisible());  // its character is gone
        QCOMPARE(ctx.Model.ObjectCount, 2);
        QCOMPARE(ctx.Model.CharacterCount, 3);
        QCOMPARE(ctx.Model.CharField.Places.Count(), 3);
        QCOMPARE(sgData->ColCount(), 4);
        QCOMPARE(sgData->RowCount(), 3);
        QCOMPARE(sgData->Cell(0, 1), QString("size"));
        QCOMPARE(sgData->Cell(3, 0), QString("t3"));
        QCOMPARE(sgData->Cell(2, 2), QString("green"));
        QCOMPARE(main.ProtocolLines().size(), lines);
        editor.Button3Click();
        // The reader keeps a spare row; the counted part is restored.
        QVERIFY(MatrixRows(ctx.Model.DataMatrix, 3, 2) == MatrixRows(original, 3, 2));
        QCOMPARE(ctx.Model.ObjectCount, 3);
    }
};

QTEST_MAIN(CharactersTest)
#include "CharactersTest.moc"
