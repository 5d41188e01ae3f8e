#pragma once
// The data window: the loaded matrix in a grid.
#include <QWidget>

#include "data/AppContext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TStringGrid;

class TFrmImport : public QWidget {
    Q_OBJECT
public:
    TFrmImport(TAppContext& context, QWidget* parent);

    // Fills the grid from the model, fits the column widths, shows the window.
    void ShowData();

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

private:
    void FillGrid();
    TAppContext& Ctx;
};
