#include "data/LoadForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include "data/CharacterType.h"
#include "data/FormLook.h"
#include "data/StringGrid.h"

TFrmLoad::TFrmLoad(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::CustomizeWindowHint),
      Ctx(context)
{
    setWindowTitle(QStringLiteral("Check data"));
    resize(568, 316);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    Pages = new QTabWidget(this);
    layout->addWidget(Pages, 1);

    // The report page.
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    QFont bold = Memo1->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    Memo1->setFont(bold);
    InfoTipBackground(Memo1);
    Pages->addTab(Memo1, QStringLiteral("Data check"));

    // The character type page.
    auto* typePage = new QWidget;
    auto* typeLayout = new QVBoxLayout(typePage);
    RgCharType = new QGroupBox(QStringLiteral("Character type"), typePage);
    auto* items = new QVBoxLayout(RgCharType);
    RgCharTypeItems = new QButtonGroup(this);
    RgCharTypeItems->setObjectName(QStringLiteral("RgCharTypeItems"));
    const QStringList texts{
        QStringLiteral("Standard (Examples: 0,1;  rough,smooth;  red, green, blue) nominal "),
        QStringLiteral("Matroschka (Example: B[A]) pointer"),
        QStringLiteral("Tree (Example: B[A]) pointer")};
    for (int i = 0; i < texts.size(); ++i) {
        auto* item = new QRadioButton(texts[i], RgCharType);
        RgCharTypeItems->addButton(item, i);
        items->addWidget(item);
    }
    typeLayout->addWidget(RgCharType);
    PanelZero = new QWidget(typePage);
    PanelZero->setObjectName(QStringLiteral("PanelZero"));
    auto* zeroLayout = new QHBoxLayout(PanelZero);
    zeroLayout->setContentsMargins(0, 0, 0, 0);
    CBZero = new QCheckBox(QStringLiteral("\"0\" (zero) defines a primitive state"), PanelZero);
    CBZero->setObjectName(QStringLiteral("CBZero"));
    CBZero->setChecked(true);
    zeroLayout->addWidget(CBZero);
    typeLayout->addWidget(PanelZero);
    typeLayout->addStretch(1);
    auto* typeBar = new QHBoxLayout;
    Label1 = new QLabel(typePage);
    Label1->setObjectName(QStringLiteral("Label1"));
    Button1 = new QPushButton(QStringLiteral("Continue "), typePage);
    typeBar->addWidget(Label1, 1);
    typeBar->addWidget(Button1);
    typeLayout->addLayout(typeBar);
    Pages->addTab(typePage, QStringLiteral("Character type"));

    // The bottom bar.
    auto* panel = new QHBoxLayout;
    Button2 = new QPushButton(QStringLiteral("Back"), this);
    QFont boldButton = Button2->font();
    boldButton.setBold(true);
    Button2->setFont(boldButton);
    StartExcelBTN = new QPushButton(QStringLiteral("Start Excel"), this);
    panel->addWidget(Button2);
    panel->addStretch(1);
    panel->addWidget(StartExcelBTN);
    layout->addLayout(panel);

    SelectCharacterType(TCharacterType::Matroschka);
    connect(RgCharTypeItems, &QButtonGroup::idToggled, this, [this] { UpdateZeroPanel(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(StartExcelBTN, &QPushButton::clicked, this, [this] { StartExcelBTNClick(); });
}

// The items' ids are the types' numbers.
std::optional<TCharacterType> TFrmLoad::SelectedCharacterType() const
{
    const int id = RgCharTypeItems->checkedId();
    if (id < 0) return std::nullopt;
    return static_cast<TCharacterType>(id);
}

void TFrmLoad::SelectCharacterType(TCharacterType type)
{
    if (QAbstractButton* item = RgCharTypeItems->button(static_cast<int>(type)))
        item->setChecked(true);
    UpdateZeroPanel();
}

void TFrmLoad::UpdateZeroPanel()
{
    // Only the Standard type gives "0" a meaning.
    PanelZero->setVisible(SelectedCharacterType() == TCharacterType::Standard);
}

void TFrmLoad::ShowReportPage() { Pages->setCurrentIndex(0); }
void TFrmLoad::ShowCharacterTypePage() { Pages->setCurrentIndex(1); }

TCharacterTypeChoice TFrmLoad::CharacterTypeChoice() const
{
    return {SelectedCharacterType(), CBZero->isChecked()};
}

void TFrmLoad::CharacterTypeApplied(bool applied)
{
    Label1->clear();
    if (!applied) {
        Label1->setText(QStringLiteral("Define character type!"));
        return;
    }
    hide();
}

void TFrmLoad::Button1Click()
{
    const std::optional<QStringList> lines = ApplyCharacterType(Ctx.Model, CharacterTypeChoice());
    if (lines) Ctx.WriteProtocol(*lines);
    CharacterTypeApplied(lines.has_value());
}

void TFrmLoad::Button2Click()
{
    hide();
    emit DataEditorWanted();
}

void TFrmLoad::StartExcelBTNClick() { emit SpreadsheetEditingWanted(); }

void TFrmLoad::ShowReport(const QStringList& lines)
{
    Memo1->clear();
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    ShowReportPage();
}
