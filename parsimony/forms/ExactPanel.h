#pragma once
// The exact search in the parsimony window: time limit, trees kept and
// threads, the criterion and outgroup; the warning for many objects, its progress (share done,
// shortest length, trees examined) and every shortest tree it kept.
#include "parsimony/forms/CriterionChoice.h"
#include "parsimony/forms/SearchPanel.h"
#include "parsimony/length/CriteriaCoding.h"

class TExactPanel : public TSearchPanel {
    Q_OBJECT
public:
    TExactPanel(TFormContext& context, QWidget* parent);

    QString Title() const override { return QStringLiteral("Exact (branch and bound)"); }
    std::unique_ptr<TSearchJob> MakeJob(bool missingData, std::uint64_t seed) override;
    void Observe(TSearchJob& job, const TSearchProgressView& view) override;
    TFoundTrees Found(const TSearchJob& job) const override;
    void Refresh() override;

private:
    QLineEdit* EdExactTimeLimit = nullptr;  // empty: no limit
    QLineEdit* EdMaxTrees = nullptr;
    QLineEdit* EdExactThreads = nullptr;
    TCriterionChoice* Choice = nullptr;
    // The data and criteria of the last run, for its trees' lengths.
    TSField RunField;
    std::shared_ptr<const TCriteriaCoding> RunCriteria;
};
