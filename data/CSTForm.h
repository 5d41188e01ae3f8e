#pragma once
// "Character state tree": the state tree of the character selected in the
// data editor.
#include <QWidget>
#include <vector>

#include "data/FormContext.h"

class QTreeWidget;
class QTreeWidgetItem;

class TFrmCST : public QWidget {
    Q_OBJECT
public:
    TFrmCST(TFormContext& context, QWidget* parent);

    // Rebuilds TreeView1 for character c of the model, every node expanded.
    void ShowStateTree(int c);

private:
    QTreeWidget* TreeView1 = nullptr;
    // The nodes in the order they were added.
    std::vector<QTreeWidgetItem*> StateTreeNodes;
    TFormContext& Ctx;
};
