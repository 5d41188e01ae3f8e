#pragma once
// The data window: the loaded matrix in a grid.
#include <QWidget>

#include "data/FormContext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TStringGrid;

class TFrmImport : public QWidget {
    Q_OBJECT
public:
    TFrmImport(TFormContext& context, QWidget* parent);

    // Fills the grid from the model, fits the column widths, shows the window.
    void ShowData();
    // Focus fields, labels and the state-tree view of cell (c, o).
    void SgDataSelectCell(int c, int o);
    // Transpose: objects become characters (the model changes).
    void Button3Click();
    // Path: every cell as its full path to the root (display only).
    void Button4Click();
    // Save: the grid as a text data file.
    void BtnSaveClick();
    // Continue: the data check into the "Check data" window.
    void Button2Click();
    // The data check: report page and protocol.
    void PathControl();
    // "Data": the window to front with its Continue.
    void ShowWithContinue();

private:
    // The controls: other windows use the methods above, tests find them by name.
    TStringGrid* SgData = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* BtnSave = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button2 = nullptr;

signals:
    // The state tree view follows the selected cell.
    void StateTreeWanted(int c);
    void StateTreeDismissed();
    // Continue: the "Check data" window to front, then its report.
    void DataCheckWanted();
    void DataChecked(const QStringList& report);

private:
    void FillGrid();
    void ClearFocusFields();
    bool Filling = false;
    TFormContext& Ctx;
};
