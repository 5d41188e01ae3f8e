#include "parsimony/forms/TreeOptForm.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "data/NumberFormat.h"
#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "data/UiServices.h"
#include "graphics/TreeFromNewick.h"
#include "graphics/TreeFromSearch.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/evolutionary/TreeTable.h"
#include "parsimony/forms/FormHelpers.h"
#include "parsimony/summaries/BigTreeResults.h"
#include "parsimony/summaries/CharFit.h"
#include "parsimony/summaries/Consensus.h"
#include "parsimony/summaries/FitStatistics.h"
#include "parsimony/summaries/SavedTrees.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/NexusTrees.h"
#include "parsimony/treefiles/TreeFileOut.h"

namespace {
void FillGrid(TStringGrid* grid, const std::vector<QStringList>& rows)
{
    grid->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < grid->ColCount(); ++c)
            grid->SetCell(c, static_cast<int>(r), c < rows[r].size() ? rows[r][c] : QString());
}

// The statistics' cells of the character fit window, one row a character.
std::vector<QStringList> FitCells(const TFitStatistics& stats)
{
    std::vector<QStringList> cells(1);
    for (size_t c = 1; c < stats.Characters.size(); ++c)
        cells.push_back(FitStatisticsCells(stats.Characters[c]));
    return cells;
}
}  // namespace

TFrmTreeOpt::TFrmTreeOpt(TFormContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Trees"));
    resize(973, 602);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* grids = new QSplitter(Qt::Horizontal, this);
    SgOpt = new TStringGrid(grids);
    SgOpt->setObjectName(QStringLiteral("SgOpt"));
    SgOpt->SetFixed(1, 0);
    SgOpt->SetSize(3, 1);
    SgOpt->SetColWidth(0, 394);
    SgOpt->SetColWidth(1, 61);
    SgOpt->SetColWidth(2, 59);
    SgOpt->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows may be chosen for a consensus; the current row is the tree shown.
    SgOpt->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SgOpt->setTextElideMode(Qt::ElideMiddle);
    SgTree = new TStringGrid(grids);
    SgTree->setObjectName(QStringLiteral("SgTree"));
    SgTree->SetFixed(1, 0);
    SgTree->SetSize(5, 1);
    const int widths[] = {200, 50, 50, 50, 50};
    for (int c = 0; c < 5; ++c) SgTree->SetColWidth(c, widths[c]);
    QFont bold = SgTree->font();
    bold.setBold(true);
    SgTree->setFont(bold);
    for (TStringGrid* g : {SgOpt, SgTree}) InfoTipBackground(g);
    grids->addWidget(SgOpt);
    grids->addWidget(SgTree);
    grids->setSizes({575, 398});
    layout->addWidget(grids, 1);

    auto* panel = new QWidget(this);
    AquaBackground(panel);
    auto* panelLayout = new QHBoxLayout(panel);
    Label1 = new QLabel(panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setBold(true);
    big.setPixelSize(16);
    Label1->setFont(big);
    Label1->setAutoFillBackground(true);
    QPalette red = Label1->palette();
    red.setColor(QPalette::Window, Qt::red);
    Label1->setPalette(red);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BtnSaveTrees = new QPushButton(QStringLiteral("Save trees"), panel);
    BtnCharFit = new QPushButton(QStringLiteral("Tree compatibility"), panel);
    BtnCharFit->setObjectName(QStringLiteral("BtnCharFit"));
    TreeBTN = new QPushButton(QStringLiteral("Grafic"), panel);
    TreeBTN->setObjectName(QStringLiteral("TreeBTN"));
    ConsensusCBX = new QComboBox(panel);
    ConsensusCBX->setObjectName(QStringLiteral("ConsensusCBX"));
    for (TConsensusKind kind : {TConsensusKind::Strict, TConsensusKind::Majority,
                                TConsensusKind::MajorityCompatible, TConsensusKind::Semistrict})
        ConsensusCBX->addItem(ConsensusKindName(kind), static_cast<int>(kind));
    ConsensusCBX->setCurrentIndex(1);
    // The bar's texts must not widen the window past its buttons: the kinds'
    // names and a long optimum are cut rather.
    ConsensusCBX->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ConsensusCBX->setMinimumContentsLength(14);
    Label1->setMaximumWidth(340);
    BtnConsensus = new QPushButton(QStringLiteral("Consensus"), panel);
    BtnConsensus->setObjectName(QStringLiteral("BtnConsensus"));
    BtnConsensus->setToolTip(
        QStringLiteral("Consensus of the selected trees (of the shortest trees when fewer than "
                       "two rows are selected); trees with the same groups count once"));
    panelLayout->addWidget(Label1);
    panelLayout->addStretch(1);
    panelLayout->addWidget(BtnSaveTrees);
    panelLayout->addWidget(BtnCharFit);
    panelLayout->addWidget(TreeBTN);
    panelLayout->addWidget(ConsensusCBX);
    panelLayout->addWidget(BtnConsensus);
    BtnSupport = new QPushButton(QStringLiteral("Support..."), panel);
    BtnSupport->setObjectName(QStringLiteral("BtnSupport"));
    BtnSupport->setToolTip(QStringLiteral(
        "Jackknife, bootstrap or Bremer support of the groups, from the data of these trees"));
    panelLayout->addWidget(BtnSupport);
    layout->addWidget(panel);

    connect(SgOpt, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 1) SelectedRow = row;
        SgOptClick();
    });
    // A click on the selected row refreshes too (its fits may have been recomputed).
    connect(SgOpt, &QTableWidget::cellClicked, this, [this] { SgOptClick(); });
    connect(BtnCharFit, &QPushButton::clicked, this, [this] { BtnCharFitClick(); });
    connect(TreeBTN, &QPushButton::clicked, this, [this] { TreeBTNClick(); });
    connect(BtnSaveTrees, &QPushButton::clicked, this, [this] { BtnSaveTreesClick(); });
    connect(BtnConsensus, &QPushButton::clicked, this, [this] { BtnConsensusClick(); });
    connect(BtnSupport, &QPushButton::clicked, this, [this] { BtnSupportClick(); });
}

TFrmTreeOpt::~TFrmTreeOpt() = default;

void TFrmTreeOpt::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
    QWidget::changeEvent(event);
}

void TFrmTreeOpt::FormActivate() { ShowTree(); }

void TFrmTreeOpt::SgOptClick() { ShowTree(); }

int TFrmTreeOpt::SelectedSlot() const
{
    const int row = SgOpt->currentRow();
    if (row < 1 || row > TreeCount()) return 0;
    return row;
}

const TTree* TFrmTreeOpt::SelectedTree() const
{
    const int slot = SelectedSlot();
    return slot == 0 || !Search ? nullptr : &Search->Tree(slot);
}

int TFrmTreeOpt::TreeCount() const
{
    return Search ? Search->TreeCount() : Big ? Big->TreeCount() : 0;
}

double TFrmTreeOpt::TreeLength(int k) const
{
    return Search ? Search->Tree(k).Fitness : static_cast<double>(Big->Length(k));
}

void TFrmTreeOpt::ShowTree()
{
    if (Big) {
        ShowBigTree();
        return;
    }
    const TTree* tree = SelectedTree();
    if (!tree) {
        SgTree->setRowCount(1);
        SgTree->ClearRows(0, 0);
        return;
    }
    std::vector<QStringList> rows =
        TreeTableRows(*tree, Search->CharField().Names, LocaleDecimalSeparator());
    // Under the reversible criteria a branch's changes are ambiguous: no fits,
    // only the length.
    if (Search->Criteria())
        for (size_t r = 1; r < rows.size(); ++r) {
            rows[r][2].clear();
            if (rows[r][3] != QLatin1String("Fitness")) rows[r][4].clear();
        }
    FillGrid(SgTree, rows);
    WidenColumns(SgTree, {200, 50, 50, 50, 50});
}

void TFrmTreeOpt::ShowBigTree()
{
    const int k = SelectedSlot();
    if (k == 0) {
        SgTree->setRowCount(1);
        SgTree->ClearRows(0, 0);
        return;
    }
    FillGrid(SgTree, Big->TreeRows(k, LocaleDecimalSeparator()));
    WidenColumns(SgTree, {200, 50, 50, 50, 50});
}

void TFrmTreeOpt::FillList(const std::vector<QStringList>& rows)
{
    FillGrid(SgOpt, rows);
    // The histories grow long during a run: the first column fits the legend
    // only, so the fits stay in view, and long histories lose their middle.
    WidenColumns(SgOpt, {0, 61, 59});
    const int legend = SgOpt->fontMetrics().horizontalAdvance(SgOpt->Cell(0, 0)) + 16;
    SgOpt->SetColWidth(0, std::max(394, legend));
    // Row 1 is selected at first; a later run keeps the selection (emptying
    // the list at its start does not count).
    const int row = SelectedRow < SgOpt->RowCount() ? SelectedRow : 1;
    if (SgOpt->RowCount() > 1 && SgOpt->currentRow() != row) SgOpt->setCurrentCell(row, 0);
}

void TFrmTreeOpt::SetListCell(int row, int column, const QString& text)
{
    SgOpt->SetCell(column, row, text);
}

void TFrmTreeOpt::ClearResults()
{
    Search.reset();
    Big.reset();
    SgOpt->setRowCount(1);
    SgOpt->ClearRows(0, 0);
    SgTree->setRowCount(1);
    SgTree->ClearRows(0, 0);
    Label1->clear();
}

void TFrmTreeOpt::SetPopulation(std::shared_ptr<TParsimonySearch> search)
{
    Big.reset();
    Search = std::move(search);
    ShowTree();
}

void TFrmTreeOpt::ShowResults()
{
    show();
    raise();
    activateWindow();
    ShowTree();
}

void TFrmTreeOpt::ShowTrees(const std::vector<QStringList>& rows,
                            std::shared_ptr<TParsimonySearch> population, double optimum)
{
    Search.reset();
    Big.reset();
    ListTrees(rows);
    SetPopulation(std::move(population));
    Label1->setText(OptimumText(optimum, LocaleDecimalSeparator()));
    ShowResults();
}

void TFrmTreeOpt::ListTrees(const std::vector<QStringList>& rows)
{
    SelectedRow = 1;
    FillList(rows);
    // The legend and the last column hold names: room for them.
    int widest = 0;
    for (const QStringList& row : rows)
        if (row.size() > 2)
            widest = std::max(widest, SgOpt->fontMetrics().horizontalAdvance(row[2]));
    SgOpt->SetColWidth(0, SgOpt->fontMetrics().horizontalAdvance(rows.front().front()) + 16);
    SgOpt->SetColWidth(2, widest + 16);
}

void TFrmTreeOpt::ShowBigTrees(const std::vector<QStringList>& rows,
                               std::shared_ptr<TBigTreeResults> trees, double optimum)
{
    Search.reset();
    Big.reset();
    ListTrees(rows);
    Big = std::move(trees);
    ShowTree();
    Label1->setText(OptimumText(optimum, LocaleDecimalSeparator()));
    ShowResults();
}

void TFrmTreeOpt::ShowBigResults(std::shared_ptr<TBigTreeResults> trees, const QString& optimum)
{
    Search.reset();
    Big = std::move(trees);
    ShowTree();
    Label1->setText(optimum);
    ShowResults();
}

void TFrmTreeOpt::ShowPopulation(std::shared_ptr<TParsimonySearch> search, const QString& optimum)
{
    SetPopulation(std::move(search));
    Label1->setText(optimum);
    ShowResults();
}

void TFrmTreeOpt::FitListColumns(const QString& legend, const QStringList& widestHow)
{
    SgOpt->SetColWidth(0, SgOpt->fontMetrics().horizontalAdvance(legend) + 16);
    // The texts the list holds may be wider than the ones given as the widest.
    int how = 0;
    for (const QString& text : widestHow)
        how = std::max(how, SgOpt->fontMetrics().horizontalAdvance(text));
    for (int row = 1; row < SgOpt->RowCount(); ++row)
        how = std::max(how, SgOpt->fontMetrics().horizontalAdvance(SgOpt->Cell(2, row)));
    SgOpt->SetColWidth(2, how + 16);
}

void TFrmTreeOpt::BtnCharFitClick()
{
    if (Big) {
        BigCharFit();
        return;
    }
    if (!SelectedTree()) return;
    TBusyGuard busy(Ctx.Ui);  // thousands of characters take a moment
    if (const TCriteriaCoding* criteria = Search->Criteria().get()) {
        // Each character under the criterion the tree was found under.
        TTree counted = Search->Tree(SelectedSlot());
        const std::vector<QStringList> table =
            CriteriaFitTable(counted, Search->CharField(), *criteria);
        const TResult<TFitStatistics> stats = CriteriaFitStatistics(
            Search->Tree(SelectedSlot()), Search->CharField(), *criteria, true);
        std::vector<QStringList> cells(1);
        if (stats) {
            cells = FitCells(*stats);
            Ctx.WriteProtocol(
                QStringLiteral("Tree %1: %2").arg(SelectedSlot()).arg(FitSummaryLine(*stats)));
        } else {
            Ctx.WriteProtocol(QStringLiteral("Tree %1: %2").arg(SelectedSlot()).arg(stats.Error()));
        }
        emit CharFitReady(table, cells);
        return;
    }
    // The character fit counts on the coding the population was grown from;
    // the tree keeps the fits of the missing-data rule afterwards.
    const TTree* tree = &Search->UseMissingDataRule(SelectedSlot());
    TTree counted = *tree;
    const std::vector<QStringList> table = CharFitTable(counted, Search->CharField());
    // Counted, like the steps, with the missing-data rule.
    const TFitStatistics stats = FitStatistics(*tree, Search->CharField(), true);
    Ctx.WriteProtocol(QStringLiteral("Tree %1: %2").arg(SelectedSlot()).arg(FitSummaryLine(stats)));
    emit CharFitReady(table, FitCells(stats));
}

void TFrmTreeOpt::BigCharFit()
{
    const int k = SelectedSlot();
    if (k == 0) return;
    TBusyGuard busy(Ctx.Ui);  // thousands of objects take a moment
    const TResult<TBigCharFit> fit = Big->CharFit(k);
    if (!fit) {
        Ctx.Ui.ShowError(this, fit.Error());
        return;
    }
    Ctx.WriteProtocol(QStringLiteral("Tree %1: %2").arg(k).arg(FitSummaryLine(fit->Statistics)));
    emit CharFitReady(fit->Table, FitCells(fit->Statistics));
}

void TFrmTreeOpt::TreeBTNClick() { DrawTree(SgOpt->currentRow()); }

void TFrmTreeOpt::BtnSaveTreesClick()
{
    if (TreeCount() == 0) return;
    const QString newick = QStringLiteral("Newick (*.nwk *.tre *.tree)");
    const QString nexus = QStringLiteral("NEXUS (*.nex *.nexus *.nxs)");
    // The shortest trees only: chosen as a file type, so the window keeps its layout.
    const QString newickShortest =
        QStringLiteral("Newick, shortest trees, each topology once (*.nwk *.tre *.tree)");
    const QString nexusShortest =
        QStringLiteral("NEXUS, shortest trees, each topology once (*.nex *.nexus *.nxs)");
    QString chosen;
    const QString path = Ctx.Ui.GetSaveFileNameFiltered(
        this, QStringLiteral("Save trees"),
        QStringList{newick, nexus, newickShortest, nexusShortest}.join(QStringLiteral(";;")),
        QStringLiteral("Trees"), QStringLiteral("nwk"), &chosen);
    if (path.isEmpty()) return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool asNexus =
        chosen == nexus || chosen == nexusShortest ||
        (chosen.isEmpty() && (suffix == QLatin1String("nex") || suffix == QLatin1String("nexus") ||
                              suffix == QLatin1String("nxs")));
    QByteArray bytes;
    if (Big)
        bytes = Big->TreesText(asNexus ? TTreeFileFormat::Nexus : TTreeFileFormat::Newick,
                               chosen == newickShortest || chosen == nexusShortest);
    else if (chosen == newickShortest || chosen == nexusShortest)
        bytes = ShortestTreesText(asNexus);
    else
        bytes = EncodeTrees(PopulationTrees(*Search), Search->CharField().Names,
                            asNexus ? TTreeFileFormat::Nexus : TTreeFileFormat::Newick);
    if (TStatus saved = SaveTextFile(path, bytes); !saved) Ctx.Ui.ShowError(this, saved.Error());
}

QByteArray TFrmTreeOpt::ShortestTreesText(bool asNexus) const
{
    std::vector<const TTree*> all;
    for (int k = 1; k <= Search->TreeCount(); ++k) all.push_back(&Search->Tree(k));
    std::vector<const TTree*> trees;
    std::vector<double> lengths;
    for (size_t k : ShortestDistinctTrees(all, all.front()->TipCount())) {
        trees.push_back(all[k]);
        lengths.push_back(all[k]->Fitness);
    }
    const std::vector<QString>& names = Search->CharField().Names;
    if (asNexus) return WriteNexusTrees(trees, names, lengths).toUtf8();
    QStringList lines;
    for (size_t k = 0; k < trees.size(); ++k)
        lines << LengthComment(lengths[k]) + QLatin1Char(' ') + WriteNewick(*trees[k], names);
    return EncodeTextLines(lines);
}

void TFrmTreeOpt::DrawTree(int slot)
{
    if (Big) {
        DrawBigTree(slot);
        return;
    }
    if (!Search || slot < 1 || slot > Search->TreeCount()) return;
    // The drawing works on its own copy: re-rooting there leaves this tree alone.
    TadaTreeNodes nodes;
    if (TStatus drawn = SearchTreeToTreeNodes(Search->Tree(slot), Search->CharField().Names, nodes);
        !drawn) {
        Ctx.Ui.ShowError(this, drawn.Error());
        return;
    }
    // The changes as the tree's branch lengths count them; under the
    // reversible criteria placed by ACCTRAN, as the changes table's default.
    const TTree& tree = Search->Tree(slot);
    if (const TCriteriaCoding* criteria = Search->Criteria().get())
        AttachCriteriaChanges(tree, Search->CharField(), *criteria, tree.MissingDataStates,
                              TChangePlacement::Acctran, nodes);
    else
        AttachChanges(tree, Search->CharField(), tree.MissingDataStates, nodes);
    emit TreeDrawingWanted(&nodes, QString(), QString());
}

void TFrmTreeOpt::DrawBigTree(int k)
{
    if (k < 1 || k > Big->TreeCount()) return;
    TadaTreeNodes nodes;
    if (TStatus drawn = CompactTreeToTreeNodes(Big->Tree(k), Big->CharField().Names.Vector(),
                                               Big->BranchFits(k), nodes);
        !drawn) {
        Ctx.Ui.ShowError(this, drawn.Error());
        return;
    }
    // As for small trees: under the reversible criteria placed by ACCTRAN.
    if (const TCriteriaCoding* criteria = Big->Criteria())
        AttachCriteriaChangesByClade(Big->Tree(k), Big->CharField(), *criteria, Big->MissingData(),
                                     TChangePlacement::Acctran, nodes);
    else
        AttachCompactChanges(Big->Tree(k), Big->CharField(), Big->MissingData(), nodes);
    emit TreeDrawingWanted(&nodes, QString(), QString());
}

void TFrmTreeOpt::BtnConsensusClick()
{
    if (TreeCount() == 0) return;
    std::vector<int> chosen;
    for (const QModelIndex& index : SgOpt->selectionModel()->selectedRows())
        if (index.row() >= 1 && index.row() <= TreeCount()) chosen.push_back(index.row());
    std::sort(chosen.begin(), chosen.end());
    const bool selected = chosen.size() >= 2;
    if (!selected) {
        // Without a choice, trees of different lengths are not mixed: the shortest only.
        double shortest = TreeLength(1);
        for (int k = 2; k <= TreeCount(); ++k) shortest = std::min(shortest, TreeLength(k));
        const double tolerance = 1e-9 * std::max(1.0, std::fabs(shortest));
        chosen.clear();
        for (int k = 1; k <= TreeCount(); ++k)
            if (TreeLength(k) <= shortest + tolerance) chosen.push_back(k);
    }
    std::vector<double> lengths;
    for (int k : chosen) lengths.push_back(TreeLength(k));
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    QStringList lengthTexts;
    for (double length : lengths) lengthTexts << FormatShortest(length, LocaleDecimalSeparator());
    const QString lengthsText =
        (lengths.size() == 1 ? QStringLiteral("length ") : QStringLiteral("lengths ")) +
        lengthTexts.join(QStringLiteral(", "));
    const QString which =
        selected ? QStringLiteral(": %1 selected, %2").arg(chosen.size()).arg(lengthsText)
                 : QStringLiteral(": the %1 shortest of the %2 listed, %3")
                       .arg(chosen.size())
                       .arg(TreeCount())
                       .arg(lengthsText);
    const std::vector<QString>& names = (Big ? Big->CharField() : Search->CharField()).Names;
    const auto kind = static_cast<TConsensusKind>(ConsensusCBX->currentData().toInt());
    TGeneralTree consensus;
    int duplicates = 0, distinct = 0;
    if (Big) {
        // Groups as object sets of any size.
        const TBigConsensusInput input = Big->ConsensusInput(chosen, &duplicates);
        consensus = BigConsensus(input, kind);
        distinct = input.TreeCount;
    } else {
        std::vector<const TTree*> trees;
        for (int k : chosen) trees.push_back(&Search->Tree(k));
        TConsensusInput input = CladesOfTrees(trees, trees.front()->TipCount());
        duplicates = RemoveDuplicateTrees(input);
        consensus = Consensus(input, kind);
        distinct = static_cast<int>(input.Trees.size());
    }
    const bool percents =
        kind == TConsensusKind::Majority || kind == TConsensusKind::MajorityCompatible;
    const TNewickTree newick = ConsensusToNewick(consensus, names, percents);
    const QString title =
        QStringLiteral("%1 consensus of %2 %3")
            .arg(ConsensusKindName(kind))
            .arg(distinct)
            .arg(distinct == 1 ? QStringLiteral("tree") : QStringLiteral("trees"));
    Ctx.WriteProtocol(
        {QString(),
         title + which +
             (duplicates > 0
                  ? QStringLiteral(" (%1 of the %2 chosen had the same groups as another)")
                        .arg(duplicates)
                        .arg(chosen.size())
                  : QString()),
         WriteNewickTree(newick)});
    auto nodes = std::make_shared<TadaTreeNodes>();
    if (TStatus drawn = NewickToTreeNodes(newick, *nodes); !drawn) {
        Ctx.Ui.ShowError(this, drawn.Error());
        return;
    }
    emit ComputedTreeWanted(std::move(nodes), title, WriteNewickTree(newick));
}

void TFrmTreeOpt::BtnSupportClick()
{
    if (Big && Big->TreeCount() > 0) {
        emit BigSupportWanted(Big);
        return;
    }
    if (!Search || Search->TreeCount() == 0) return;
    emit SupportWanted(Search);
}
