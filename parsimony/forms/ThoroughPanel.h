#pragma once
// The thorough search in the parsimony window: time limit, replicates and
// threads; its progress (replicate, best length, trees kept) and its distinct
// shortest trees.
#include "parsimony/forms/SearchPanel.h"

class TThoroughPanel : public TSearchPanel {
    Q_OBJECT
public:
    TThoroughPanel(TFormContext& context, QWidget* parent);

    QString Title() const override { return QStringLiteral("Thorough (TBR + ratchet)"); }
    std::unique_ptr<TSearchJob> MakeJob(bool missingData, std::uint64_t seed) override;
    void Observe(TSearchJob& job, const TSearchProgressView& view) override;
    TFoundTrees Found(const TSearchJob& job) const override;

private:
    QLineEdit* EdTimeLimit = nullptr;
    QLineEdit* EdReplicates = nullptr;
    QLineEdit* EdThreads = nullptr;
};
