#pragma once
// Small look-and-feel helpers shared by the windows of the parsimony job.
#include <QAbstractItemView>
#include <QLabel>
#include <algorithm>
#include <initializer_list>

#include "data/FormLook.h"
#include "data/StringGrid.h"

// Every column at least its given width, wider where a text would be cut.
inline void WidenColumns(TStringGrid* grid, std::initializer_list<int> widths)
{
    int c = 0;
    for (int w : widths) {
        if (c >= grid->ColCount()) break;
        // (QTableView hides the public measurement of its base.)
        const int needed = static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c);
        grid->SetColWidth(c, std::max(w, needed));
        ++c;
    }
}

// A label in the bold face of the parsimony window's captions.
inline QLabel* BoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// Sets a status label's text; its colour shows only while it has a text.
inline void SetStatusLabel(QLabel* label, const QString& text)
{
    label->setText(text);
    label->setAutoFillBackground(!text.isEmpty());
}
