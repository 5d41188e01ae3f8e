#pragma once
// The result window of the analyses: one grid of names and numbers (or
// compatibility marks) and "Save".
#include <QWidget>

#include "analyses/ResultGrid.h"
#include "data/FormContext.h"

class QPushButton;
class TStringGrid;

class TFrmDistMat : public QWidget {
    Q_OBJECT
public:
    TFrmDistMat(TFormContext& context, QWidget* parent);

    // Grid operations of the jobs; each shows the grid's texts at once.
    void ShowObjectHeaders(int n);
    void ShowCharacterHeaders(int n);
    void ShowRealMatrix(const TDynRealMatrix& matrix, int n);
    void ShowCompatibility(const TBoolMatrix& compat, int n);

    // "Save": the grid as a tab-separated text file.
    void BtnSaveClick();

private:
    TStringGrid* SGDist = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BtnSave = nullptr;

    // Copies the texts to SGDist; with lastRow >= 0 also fits the column widths.
    void ShowTexts(int lastRow);

    TFormContext& Ctx;
    TResultGrid Texts;
};
