#pragma once
// The exact search when characters have other criteria than Camin-Sokal
// (unordered, ordered, state tree reversible, mixed with irreversible ones):
// every shortest tree, with proof that none is shorter.
//
// Without irreversible characters the length does not depend on the root:
// each unrooted tree is searched once and written rooted at the outgroup.
// With them the root counts and every rooted tree is searched.
//
//   TExactCriteriaSearch search(coding, objectCount, settings, outgroup);
//   TResult<TExactResult> r = search.Run(callbacks);  // as TExactSearch::Run
//   QStringList protocol = ExactCriteriaRunLines(coding, objectCount, settings, outgroup)
//                          + ExactResultLines(*r, settings);
#include <QStringList>

#include "parsimony/exact/ExactSearch.h"
#include "parsimony/length/CriteriaCoding.h"

class TExactCriteriaSearch {
public:
    // outgroup: object 1..N, where the unrooted trees are rooted.
    TExactCriteriaSearch(const TCriteriaCoding& coding, int objectCount, TExactSettings settings,
                         int outgroup = 1);

    // True when the trees searched are unrooted (no irreversible character).
    bool Unrooted() const { return Coding.CaminSokalCharacters.empty(); }
    // Refused as ValidateExactSearch refuses, or for an outgroup that is no object.
    TResult<TExactResult> Run(const TExactCallbacks& callbacks = {});

private:
    const TCriteriaCoding& Coding;
    int Objects;
    TExactSettings Config;
    int Outgroup;
};

// What was searched: the trees (rooted or unrooted), missing data, the
// criteria and where the trees are rooted.
QStringList ExactCriteriaRunLines(const TCriteriaCoding& coding, int objectCount,
                                  const TExactSettings& settings, int outgroup);
