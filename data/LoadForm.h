#pragma once
// "Check data": the report page of the data check, the way back to the data
// editor and to the spreadsheet, and the character type step of the jobs.
#include <QWidget>

#include "data/AppContext.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

class TFrmLoad : public QWidget {
    Q_OBJECT
public:
    TFrmLoad(TAppContext& context, QWidget* parent);

    // The character type step: CharacterType from RgCharType, its explanation
    // to the protocol, window hidden. Run by Parsimony and Distance Matrix.
    void Button1Click();
    // "Back": hide, and bring the data editor to front with its Continue.
    void Button2Click();
    // "Start Excel": edit the data in the spreadsheet application.
    void StartExcelBTNClick();

    // Replaces the report page by these lines.
    void ShowReport(const QStringList& lines);
    // The selected type (item index), or -1 when none is selected.
    int SelectedCharacterType() const;
    void SelectCharacterType(int index);
    void ShowReportPage();
    void ShowCharacterTypePage();

    QTabWidget* Pages = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* StartExcelBTN = nullptr;
    QGroupBox* RgCharType = nullptr;
    QButtonGroup* RgCharTypeItems = nullptr;
    QWidget* PanelZero = nullptr;
    QCheckBox* CBZero = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    void UpdateZeroPanel();
    TAppContext& Ctx;
};
