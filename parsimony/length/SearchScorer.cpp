#include "parsimony/length/SearchScorer.h"

#include "parsimony/length/PackedStates.h"
#include "parsimony/length/SwapScoring.h"

namespace {
class TFastScorer final : public TSearchScorer {
public:
    TFastScorer(const TSField& charField, int objectCount, int characterCount, bool missingData)
        : Packed(charField, objectCount, characterCount), Scorer(Packed, missingData)
    {
    }

    bool MissingData() const override { return Scorer.MissingData(); }
    void Evaluate(TTree& tree) override { Scorer.Evaluate(tree); }
    TInsertionPoint BestInsertion(const TTree& tree, int object) override
    {
        return Scorer.BestInsertion(tree, tree.TipCount(), object);
    }
    // Every slot's node sets are remembered, so a swap is scored from the
    // changed nodes only.
    void StartSwapping(int slotCount) override
    {
        Swapper = std::make_unique<TSwapScorer>(Packed, Scorer.MissingData(), slotCount);
    }
    void Remember(int slot, const TTree& tree) override { Swapper->Remember(slot, tree); }
    std::int64_t SwapLength(int slot, TTree&, const TSwapParts& swap) override
    {
        return Swapper->SwapLength(slot, swap.NumA, swap.TipA, swap.NumB, swap.TipB);
    }
    void EndSwapping() override { Swapper.reset(); }

private:
    TPackedField Packed;
    TTreeScorer Scorer;
    std::unique_ptr<TSwapScorer> Swapper;
};
}  // namespace

std::unique_ptr<TSearchScorer> MakeFastScorer(const TSField& charField, int objectCount,
                                              int characterCount, bool missingData)
{
    return std::make_unique<TFastScorer>(charField, objectCount, characterCount, missingData);
}
