#include "app/Mainform.h"
#include "data/CSTForm.h"
#include "data/ImportForm.h"
#include "data/LoadForm.h"
#include "data/StringGrid.h"
#include "tests/support/FakeUiServices.h"

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

class CharactersTest : public QObject {
    Q_OBJECT
private slots:
    void CharacterTypeStepDefaultsToMatroschka()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        const qsizetype before = main.ProtocolLines().size();
        ctx.FrmLoad->show();
        ctx.FrmLoad->Button1Click();
        QCOMPARE(ctx.Model.CharacterType, 1);
        QVERIFY(!ctx.FrmLoad->isVisible());
        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 4);
        QCOMPARE(added[0], QString());
        QVERIFY(added[1].startsWith("Character Type = \"Matroschka\" uses pointer."));
        QCOMPARE(added[3], QString("  \"?\" (question mark) or any string that includes \"?\": data missing"));
    }

    void StandardShowsTheZeroBoxAndNoSelectionAsksForAType()
    {
        TFakeUiServices ui;
        TAppContext ctx(ui);
        TFrmMain main(ctx);
        TFrmLoad& load = *ctx.FrmLoad;
        load.show();
        QVERIFY(load.PanelZero->isHidden());
        load.SelectCharacterType(0);
        QVERIFY(!load.PanelZero->isHidden());
        load.CBZero->setChecked(false);
        const qsizetype before = main.ProtocolLines().size();
        load.Button1Click();
        QCOMPARE(ctx.Model.CharacterType, 0);
        const QStringList added = main.ProtocolLines().mid(before);
        QCOMPARE(added.size(), 5);  // without the line on "0"
        QCOMPARE(added[3], QString("  \"?\": state unknown"));

        // No item selected: nothing changes, the window stays.
        load.show();
        load.RgCharTypeItems->setExclusive(false);
        load.RgCharTypeItems->checkedButton()->setChecked(false);
        const qsizetype lines = main.ProtocolLines().size();
        ctx.Model.CharacterType = 2;
        load.Button1Click();
        QCOMPARE(ctx.Model.CharacterType, 2);
        QCOMPARE(main.ProtocolLines().size(), lines);
        QCOMPARE(load.Label1->text(), QString("Define character type!"));
        QVERIFY(load.isVisible());
    }
};

QTEST_MAIN(CharactersTest)
#include "CharactersTest.moc"
