#pragma once
// "Check data": the report page of the data check, the way back to the data
// editor and to the spreadsheet, and the character type step of the jobs.
#include <QWidget>

#include "data/CharacterType.h"
#include "data/FormContext.h"

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
    TFrmLoad(TFormContext& context, QWidget* parent);

    // "Continue": the character type step (ApplyCharacterType) with the
    // chosen type; its explanation goes to the protocol, the window hides.
    void Button1Click();
    // "Back": hide, and ask for the data editor with its Continue.
    void Button2Click();
    // "Start Excel": ask for editing the data in the spreadsheet application.
    void StartExcelBTNClick();

    // The choice on the character type page.
    TCharacterTypeChoice CharacterTypeChoice() const;
    // After a job ran the character type step with CharacterTypeChoice():
    // hidden when a type was applied, otherwise asks for one.
    void CharacterTypeApplied(bool applied);

    // Replaces the report page by these lines.
    void ShowReport(const QStringList& lines);
    // The selected type, or none when no item is selected.
    std::optional<TCharacterType> SelectedCharacterType() const;
    void SelectCharacterType(TCharacterType type);
    void ShowReportPage();
    void ShowCharacterTypePage();

private:
    // The controls: other windows use the methods above, tests find them by name.
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

signals:
    void DataEditorWanted();
    void SpreadsheetEditingWanted();

private:
    void UpdateZeroPanel();
    TFormContext& Ctx;
};
