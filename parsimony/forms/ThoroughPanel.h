#pragma once
// The thorough search in the parsimony window: time limit, replicates,
// threads, the strategy (ratchet, or the driven search with sectors, drift
// and fusing), the criterion and the outgroup; its progress (replicate,
// phase, best length, hits, trees kept) and its distinct shortest trees.
#include <QComboBox>

#include "parsimony/forms/CriterionChoice.h"
#include "parsimony/forms/SearchPanel.h"
#include "parsimony/length/CriteriaCoding.h"

class TThoroughPanel : public TSearchPanel {
    Q_OBJECT
public:
    TThoroughPanel(TFormContext& context, QWidget* parent);

    QString Title() const override { return QStringLiteral("Thorough (TBR + ratchet)"); }
    std::unique_ptr<TSearchJob> MakeJob(bool missingData, std::uint64_t seed) override;
    void Observe(TSearchJob& job, const TSearchProgressView& view) override;
    TFoundTrees Found(const TSearchJob& job) const override;
    void Refresh() override;

private:
    QLineEdit* EdTimeLimit = nullptr;
    QLineEdit* EdReplicates = nullptr;
    QLineEdit* EdThreads = nullptr;
    QComboBox* CbStrategy = nullptr;  // in the order of TThoroughStrategy
    TCriterionChoice* Choice = nullptr;
    // Of the run: the data's coding, and the criteria when some character is reversible.
    TSField RunField;
    std::shared_ptr<const TCriteriaCoding> RunCriteria;
};
