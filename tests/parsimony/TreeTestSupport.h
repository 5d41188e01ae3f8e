#pragma once
// Building trees by hand and at random for the parsimony tests.
#include <random>

#include "parsimony/length/MakeTree.h"

// A tree from parent links: tipAnc[i-1] is tip i's parent, nodeAnc[j-1] node
// j's; tip i holds object objects[i-1] (object i when objects is empty).
inline TTree MakeTreeFromLinks(const std::vector<int>& tipAnc, const std::vector<int>& nodeAnc,
                               const std::vector<int>& objects = {})
{
    TTree tree;
    tree.Tips.resize(tipAnc.size() + 1);
    tree.Nodes.resize(nodeAnc.size() + 1);
    for (size_t i = 0; i < tipAnc.size(); ++i) {
        tree.Tips[i + 1].Anc = static_cast<TIntNum>(tipAnc[i]);
        tree.Tips[i + 1].Objects = {static_cast<TIntNum>(objects.empty() ? i + 1 : objects[i])};
    }
    for (size_t j = 0; j < nodeAnc.size(); ++j)
        tree.Nodes[j + 1].Anc = static_cast<TIntNum>(nodeAnc[j]);
    return tree;
}

// A random rooted binary tree over objects 1..t (t >= 2), grown by attaching
// tips on random branches, with objects in random tips.
inline TTree RandomTree(std::mt19937_64& rng, int t)
{
    std::vector<int> objects(static_cast<size_t>(t));
    for (int i = 0; i < t; ++i) objects[static_cast<size_t>(i)] = i + 1;
    std::shuffle(objects.begin(), objects.end(), rng);
    std::vector<int> tipAnc{1, 1}, nodeAnc{0};
    for (int m = 2; m < t; ++m) {
        const int newNode = static_cast<int>(nodeAnc.size()) + 1;
        const int branch = std::uniform_int_distribution<int>(0, 2 * m - 2)(rng);
        int& anc = branch < m ? tipAnc[static_cast<size_t>(branch)]
                              : nodeAnc[static_cast<size_t>(branch - m)];
        const int above = anc;
        anc = newNode;
        nodeAnc.push_back(above);
        tipAnc.push_back(newNode);
    }
    return MakeTreeFromLinks(tipAnc, nodeAnc, objects);
}

inline std::vector<int> ParentLinks(const TTree& tree)
{
    std::vector<int> links;
    for (size_t i = 1; i < tree.Tips.size(); ++i) links.push_back(tree.Tips[i].Anc);
    links.push_back(-1);
    for (size_t j = 1; j < tree.Nodes.size(); ++j) links.push_back(tree.Nodes[j].Anc);
    return links;
}
