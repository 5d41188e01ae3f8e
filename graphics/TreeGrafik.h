#pragma once
// The tree graphic window: one tree as a phylogram; select a node, re-root on
// the branch above it, swap its subtrees, zoom to it and back, switch label
// alignment and background, and export the picture.
//
// Use: `TTreeGrfFRM w(ui, parent); w.SetNodes(&nodes); w.SetTitle({}); w.exec();`
// then free the node list. Structure changes live in the node list only.
#include <QColor>
#include <QDialog>
#include <memory>

#include "graphics/Canvas.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class TGrfContainer;
class TGrfPaintBox;
class TadaArtDot;
class TadaTreeGrf;
class TscTreeNode;
class TscTreeNodes;
class TUiServices;
class TZoomScrollArea;

class TTreeGrfFRM : public QDialog {
public:
    TTreeGrfFRM(TUiServices& ui, QWidget* parent = nullptr);
    ~TTreeGrfFRM() override;

    void SetNodes(TscTreeNodes* list);
    void SetTitle(const QString& text);
    // The panel's selection event.
    void NodeSelected(TadaArtDot* marker);

    void ReRootBTNClick();
    void FlipBTNClick();
    void ZoomBTNClick();
    void ResetBTNClick();
    void DrawAtRightCBXClick();
    void BckGroundCBXClick();
    // Draws the branches' changes on the picture (when the tree has any).
    void ChangesCBXClick();
    void ExportBTNClick();
    void CloseBTNClick();
    // Offers "Save Newick..." for the tree as computed (a consensus with its
    // labels); the button stays hidden while no text is given.
    void SetNewick(const QString& line);
    void SaveNewickBTNClick();

    // The selected node's marker, framed on screen (never in an export).
    static const QColor SelectionColour;
    TIntRect SelectedMarkerRect() const;

    // What the window shows, to look at: the page, its tree panel, the node
    // list of SetNodes and the selected node (nullptr when none).
    const TGrfContainer& Page() const { return *Container; }
    const TadaTreeGrf& Panel() const { return *TreePanel; }
    TscTreeNodes* Nodes() const { return TreeNodes; }
    TscTreeNode* SelectedNode() const { return Selected; }

private:
    std::unique_ptr<TGrfContainer> Container;
    TadaTreeGrf* TreePanel = nullptr;   // child of Container
    TscTreeNodes* TreeNodes = nullptr;  // not owned
    TscTreeNode* Selected = nullptr;

    // The controls; tests find them by name.
    TZoomScrollArea* TreeSCR = nullptr;  // scrolls and zooms the paint box
    TGrfPaintBox* TreePBX = nullptr;
    QPushButton* CloseBTN = nullptr;
    QPushButton* ReRootBTN = nullptr;
    QPushButton* FlipBTN = nullptr;
    QPushButton* ZoomBTN = nullptr;
    QPushButton* ResetBTN = nullptr;
    QCheckBox* DrawAtRightCBX = nullptr;
    QCheckBox* BckGroundCBX = nullptr;
    QLabel* ActNodeLBL = nullptr;
    QCheckBox* ChangesCBX = nullptr;
    QListWidget* ChangesLST = nullptr;  // the changes on the selected branch
    QPushButton* ExportBTN = nullptr;
    QPushButton* SaveNewickBTN = nullptr;

    void TreePBXPaint(QPainter& painter);
    void Changed();
    void ListChanges();
    TUiServices& Ui;
    QString NewickText;
};
