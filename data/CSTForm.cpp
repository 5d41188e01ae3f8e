#include "data/CSTForm.h"

#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/StateTree.h"

TFrmCST::TFrmCST(TFormContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Character state tree"));
    resize(176, 243);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setColumnCount(1);
    layout->addWidget(TreeView1);
}

void TFrmCST::ShowStateTree(int c)
{
    const TModel& m = Ctx.Model;
    StateTreeNodes.clear();
    TreeView1->clear();
    const std::vector<TStateTreeNode> nodes = StateTreeOrder(m.DataMatrix, m.ObjectCount, c);
    StateTreeNodes.reserve(nodes.size());
    for (const TStateTreeNode& node : nodes) {
        QTreeWidgetItem* item =
            node.Parent >= 0 ? new QTreeWidgetItem(StateTreeNodes[static_cast<size_t>(node.Parent)])
                             : new QTreeWidgetItem(TreeView1);
        item->setText(0, node.Name);
        StateTreeNodes.push_back(item);
    }
    for (QTreeWidgetItem* item : StateTreeNodes) item->setExpanded(true);
}
