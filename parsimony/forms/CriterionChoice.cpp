#include "parsimony/forms/CriterionChoice.h"

#include <algorithm>

#include "data/UiServices.h"
#include "parsimony/length/CriteriaCoding.h"

namespace {
constexpr int FileTypesItem = -1;
}  // namespace

TCriterionChoice::TCriterionChoice(const QString& criterionName, const QString& outgroupName,
                                   QWidget* parent, const QString& gapName)
    : QObject(parent)
{
    CbCriterion = new QComboBox(parent);
    CbCriterion->setObjectName(criterionName);
    // Long object names must not widen the window.
    CbCriterion->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CbCriterion->setMinimumContentsLength(16);
    if (!outgroupName.isEmpty()) {
        CbOutgroup = new QComboBox(parent);
        CbOutgroup->setObjectName(outgroupName);
        CbOutgroup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        CbOutgroup->setMinimumContentsLength(16);
    }
    if (!gapName.isEmpty()) {
        CbGaps = new QComboBox(parent);
        CbGaps->setObjectName(gapName);
        CbGaps->addItems({QStringLiteral("Missing data"),
                          QStringLiteral("One more state (unordered characters)")});
        CbGaps->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        CbGaps->setMinimumContentsLength(16);
        CbGaps->setToolTip(QStringLiteral(
            "How the gaps of a NEXUS file (its GAP symbol) are read: as missing data, or as "
            "one more state, \"-\", of the characters scored unordered."));
    }
    Refresh({}, {}, 0);
    connect(CbCriterion, &QComboBox::currentIndexChanged, this, [this] { Update(); });
}

void TCriterionChoice::Refresh(const TCharacterCriteria& criteria, const TDynStrMatrix& matrix,
                               int objects)
{
    const bool fileTypes = criteria.Given();
    if (fileTypes != FileTypes || CbCriterion->count() == 0) {
        FileTypes = fileTypes;
        const QSignalBlocker quiet(CbCriterion);
        CbCriterion->clear();
        if (fileTypes) CbCriterion->addItem(QStringLiteral("As the file's types"), FileTypesItem);
        CbCriterion->addItem(QStringLiteral("Irreversible (Camin-Sokal)"),
                             static_cast<int>(TCriterion::Irreversible));
        CbCriterion->addItem(QStringLiteral("State tree, reversible"),
                             static_cast<int>(TCriterion::StateTreeReversible));
        CbCriterion->addItem(QStringLiteral("Unordered (Fitch)"),
                             static_cast<int>(TCriterion::Unordered));
        CbCriterion->setCurrentIndex(0);
    }
    FileReversible = std::any_of(criteria.ByCharacter.begin(), criteria.ByCharacter.end(),
                                 [](TCriterion c) { return c != TCriterion::Irreversible; });
    QStringList names;
    const TPart* column = matrix.empty() ? nullptr : &matrix.front();
    for (int o = 1; o <= objects; ++o)
        names << (column && o < static_cast<int>(column->size()) ? (*column)[static_cast<size_t>(o)]
                                                                 : QString());
    if (CbOutgroup && names != Names) {
        const QString kept = CbOutgroup->currentText();
        const QSignalBlocker quiet(CbOutgroup);
        CbOutgroup->clear();
        CbOutgroup->addItems(names);
        CbOutgroup->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(kept))));
    }
    Names = names;
    if (CbGaps) {
        // Other data: their gaps are read as missing data until chosen again.
        if (criteria.GapCells.isEmpty()) CbGaps->setCurrentIndex(0);
        CbGaps->setEnabled(!criteria.GapCells.isEmpty());
    }
    Update();
}

std::optional<TCriterion> TCriterionChoice::Chosen() const
{
    const int item = CbCriterion->currentData().toInt();
    if (item == FileTypesItem) return std::nullopt;
    return static_cast<TCriterion>(item);
}

int TCriterionChoice::Outgroup() const
{
    return CbOutgroup ? std::max(0, CbOutgroup->currentIndex()) + 1 : 1;
}

bool TCriterionChoice::ReversibleInUse() const
{
    const std::optional<TCriterion> chosen = Chosen();
    return chosen ? *chosen != TCriterion::Irreversible : FileReversible;
}

TGapReading TCriterionChoice::Gaps() const
{
    return CbGaps && CbGaps->isEnabled() && CbGaps->currentIndex() == 1 ? TGapReading::State
                                                                        : TGapReading::Missing;
}

void TCriterionChoice::Update()
{
    if (CbOutgroup) CbOutgroup->setEnabled(ReversibleInUse() && CbOutgroup->count() > 0);
}

bool CaminSokalOnly(const TModel& model, std::optional<TCriterion> chosen, const QString& search,
                    const QString& instead, TUiServices& ui, QWidget* parent)
{
    if (chosen ? *chosen == TCriterion::Irreversible : !model.Criteria.Given()) return true;
    const TResult<std::optional<TCriteriaCoding>> coding = SearchCriteria(model.Data(), chosen);
    if (!coding) {
        ui.ShowError(parent, coding.Error());
        return false;
    }
    if (!*coding) return true;
    ui.ShowError(parent, RequireIrreversible(**coding, search, instead).Error());
    return false;
}
