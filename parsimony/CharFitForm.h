#pragma once
// The character fit of one tree: steps, compatibility and homoplasy of every
// character, with Save and the spreadsheet.
#include <QWidget>
#include <vector>

#include "data/AppContext.h"

class QPushButton;
class TStringGrid;

class TFrmCharFit : public QWidget {
    Q_OBJECT
public:
    TFrmCharFit(TAppContext& context, QWidget* parent);

    // Replaces the table by these rows (the header first).
    void ShowTable(const std::vector<QStringList>& rows);
    // "Start Excel".
    void Button1Click();
    // "Save".
    void Button2Click();

    TStringGrid* StringGrid1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

private:
    TAppContext& Ctx;
};
