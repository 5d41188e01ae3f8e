#pragma once
// Small trees for the tests, built the way the tree results window builds them.
#include <functional>
#include <random>

#include "graphics/TreeSpezial.h"

// Builds from a nested description: leaves "A".."Z", inner nodes get "Node n".
// A caterpillar of n leaves: (((A,B),C),D)...
inline void BuildCaterpillar(TadaTreeNodes& nodes, int leaves, double length = 1.0)
{
    std::vector<TscTreeNode*> tips;
    for (int i = 0; i < leaves; ++i) {
        auto* t = nodes.Add();
        t->Ident = t->Label = QStringLiteral("T%1").arg(i + 1);
        t->Length = length;
        tips.push_back(t);
    }
    TscTreeNode* current = tips[0];
    for (int i = 1; i < leaves; ++i) {
        auto* n = nodes.Add();
        n->Ident = QStringLiteral("Node %1").arg(i);
        n->Length = length;
        SetLeft(n, current);
        SetRight(n, tips[i]);
        current = n;
    }
    current->Ident = current->Label = QStringLiteral("Root");
    nodes.Root = current;
    nodes.UpdateCodes();
}

// A random binary tree with random lengths (fixed seed), leaves T1..Tn.
inline void BuildRandom(TadaTreeNodes& nodes, int leaves, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> len(0.0, 3.0);
    std::vector<TscTreeNode*> pool;
    for (int i = 0; i < leaves; ++i) {
        auto* t = nodes.Add();
        t->Ident = t->Label = QStringLiteral("T%1").arg(i + 1);
        t->Length = len(rng);
        pool.push_back(t);
    }
    int number = 0;
    while (pool.size() > 1) {
        const size_t a = rng() % pool.size();
        TscTreeNode* left = pool[a];
        pool.erase(pool.begin() + a);
        const size_t b = rng() % pool.size();
        TscTreeNode* right = pool[b];
        pool.erase(pool.begin() + b);
        auto* n = nodes.Add();
        n->Ident = QStringLiteral("Node %1").arg(++number);
        n->Length = len(rng);
        SetLeft(n, left);
        SetRight(n, right);
        pool.push_back(n);
    }
    pool[0]->Ident = pool[0]->Label = QStringLiteral("Root");
    pool[0]->Length = 0;
    nodes.Root = pool[0];
    nodes.UpdateCodes();
}

inline double TotalLength(const TscTreeNodes& nodes)
{
    double sum = 0;
    for (int i = 0; i < nodes.Count(); ++i)
        if (nodes.Item(i) != nodes.Root) sum += nodes.Item(i)->Length;
    return sum;
}

// The tree as text: leaf labels with their parent structure, lengths rounded.
inline QString Shape(const TscTreeNode* n, bool withLengths = false)
{
    if (!n) return QStringLiteral("-");
    QString len = withLengths ? QStringLiteral(":%1").arg(n->Length, 0, 'f', 6) : QString();
    if (n->IsLeaf()) return n->Label + len;
    return QStringLiteral("(%1,%2)").arg(Shape(n->Left, withLengths),
                                         Shape(n->Right, withLengths)) +
           len;
}
