#pragma once
// The character fit of one tree: steps, compatibility and homoplasy of every
// character, with Save and the spreadsheet.
#include <QWidget>
#include <vector>

#include "data/FormContext.h"

class QPushButton;
class TStringGrid;

class TFrmCharFit : public QWidget {
    Q_OBJECT
public:
    TFrmCharFit(TFormContext& context, QWidget* parent);

    // Replaces the table by these rows (the header first).
    void ShowTable(const std::vector<QStringList>& rows);
    // Adds the fit statistics (m, s, g, CI, RI, RC, HI) as columns at the
    // right of the table ShowTable filled: cells[c] for character c (1-based).
    // Save keeps writing the first five columns.
    void ShowStatistics(const std::vector<QStringList>& cells);
    // The fit of a tree: ShowTable, ShowStatistics, the window to front.
    void ShowFit(const std::vector<QStringList>& table, const std::vector<QStringList>& statistics);
    // "Start Excel": asks for editing the data in the spreadsheet application.
    void Button1Click();
    // "Save".
    void Button2Click();

private:
    // The controls: other windows use the methods above, tests find them by name.
    TStringGrid* StringGrid1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

signals:
    void SpreadsheetEditingWanted();

private:
    TFormContext& Ctx;
};
