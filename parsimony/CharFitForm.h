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
    // Adds the fit statistics (m, s, g, CI, RI, RC, HI) as columns at the
    // right of the table ShowTable filled: cells[c] for character c (1-based).
    // Save keeps writing the first five columns.
    void ShowStatistics(const std::vector<QStringList>& cells);
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
