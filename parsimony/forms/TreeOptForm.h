#pragma once
// The tree results window: the population of the last parsimony run, one
// tree as a table of tips and nodes, and the way on to the character fit,
// the drawing and a Newick file. The window owns the population; past 255
// objects it holds the thorough search's compact trees (TBigTreeResults)
// instead, and every button works on those.
#include <QWidget>
#include <memory>
#include <vector>

#include "data/FormContext.h"

class QComboBox;
class QLabel;
class QPushButton;
class TBigTreeResults;
class TParsimonySearch;
class TStringGrid;
class TscTreeNodes;
struct TTree;

class TFrmTreeOpt : public QWidget {
    Q_OBJECT
public:
    TFrmTreeOpt(TFormContext& context, QWidget* parent);
    ~TFrmTreeOpt() override;

    // Handlers.
    void FormActivate();
    void SgOptClick();
    void ShowTree();
    void BtnCharFitClick();
    void TreeBTNClick();
    void BtnSaveTreesClick();
    // The consensus (kind from ConsensusCBX) of the selected rows, or of the
    // shortest trees when fewer than two rows are selected, drawn in the tree
    // window; the protocol says how many trees of which lengths.
    void BtnConsensusClick();
    // Opens the branch support window on the data of the population (a
    // running one is brought to the front instead).
    void BtnSupportClick();
    // Draws the tree in the given slot in the tree graphic window.
    void DrawTree(int slot);

    // The population list as the search fills it: rows of three texts.
    void FillList(const std::vector<QStringList>& rows);
    void SetListCell(int row, int column, const QString& text);
    // Drops the population and empties both grids and the optimum label.
    void ClearResults();
    // The population of a finished run (the list is filled separately).
    void SetPopulation(std::shared_ptr<TParsimonySearch> search);
    // Shows the window with the selected tree.
    void ShowResults();
    // Trees found elsewhere (read from a file): the list rows (legend, then
    // tree, length, how it came), the population and its optimum, shown.
    void ShowTrees(const std::vector<QStringList>& rows,
                   std::shared_ptr<TParsimonySearch> population, double optimum);
    // The end of a run: the population, its optimum label, the window shown.
    void ShowPopulation(std::shared_ptr<TParsimonySearch> search, const QString& optimum);
    // The same for trees past 255 objects: the end of a run, and trees read
    // from a file (list rows as for ShowTrees).
    void ShowBigResults(std::shared_ptr<TBigTreeResults> trees, const QString& optimum);
    void ShowBigTrees(const std::vector<QStringList>& rows, std::shared_ptr<TBigTreeResults> trees,
                      double optimum);
    // Room in the list for the first column's and the "how found" column's texts
    // (widestHow, or a wider one the list holds).
    void FitListColumns(const QString& legend, const QStringList& widestHow);

    // The population of the last run, or nullptr before the first.
    TParsimonySearch* Population() const { return Search.get(); }
    // The trees past 255 objects shown, or nullptr.
    const TBigTreeResults* BigResults() const { return Big.get(); }
    // The slot of SgOpt's current row, or 0 when it holds no tree.
    int SelectedSlot() const;
    // The tree in that slot, or nullptr.
    const TTree* SelectedTree() const;

private:
    // The controls: other windows use the methods above, tests find them by name.
    TStringGrid* SgOpt = nullptr;
    TStringGrid* SgTree = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BtnCharFit = nullptr;
    QPushButton* TreeBTN = nullptr;
    QPushButton* BtnSaveTrees = nullptr;
    QComboBox* ConsensusCBX = nullptr;
    QPushButton* BtnConsensus = nullptr;
    QPushButton* BtnSupport = nullptr;

signals:
    // The character fit of the selected tree: its table and the statistics'
    // cells (see TFrmCharFit::ShowFit).
    void CharFitReady(const std::vector<QStringList>& table,
                      const std::vector<QStringList>& statistics);
    // A tree of the list to draw in a modal tree window; nodes live until the
    // call returns.
    void TreeDrawingWanted(TscTreeNodes* nodes, const QString& title, const QString& newick);
    // A consensus to show in a window of its own, with its Newick text to be saved.
    void ComputedTreeWanted(std::shared_ptr<TscTreeNodes> nodes, const QString& title,
                            const QString& newick);
    // "Support...": branch support for the data and rule of these trees.
    void SupportWanted(std::shared_ptr<TParsimonySearch> search);
    // The same for trees past 255 objects.
    void BigSupportWanted(std::shared_ptr<TBigTreeResults> trees);

protected:
    void changeEvent(QEvent* event) override;

private:
    // The file text of "Shortest trees, each topology once".
    QByteArray ShortestTreesText(bool asNexus) const;
    // The list's tree count and tree k's length, whichever trees are held.
    int TreeCount() const;
    double TreeLength(int k) const;
    void ShowBigTree();
    // Fills the list with trees read from a file and makes room for its texts.
    void ListTrees(const std::vector<QStringList>& rows);
    void BigCharFit();
    void DrawBigTree(int k);
    TFormContext& Ctx;
    std::shared_ptr<TParsimonySearch> Search;
    std::shared_ptr<TBigTreeResults> Big;  // past 255 objects, instead of Search
    int SelectedRow = 1;                   // the list row the user chose last
};
