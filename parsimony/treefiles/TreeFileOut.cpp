#include "parsimony/treefiles/TreeFileOut.h"

#include "data/TextFile.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/treefiles/Newick.h"
#include "parsimony/treefiles/NexusTrees.h"

std::vector<const TTree*> PopulationTrees(const TParsimonySearch& search)
{
    std::vector<const TTree*> trees;
    for (int k = 1; k <= search.TreeCount(); ++k) trees.push_back(&search.Tree(k));
    return trees;
}

QByteArray EncodeTrees(const std::vector<const TTree*>& trees, const std::vector<QString>& names,
                       TTreeFileFormat format)
{
    if (format == TTreeFileFormat::Nexus) return WriteNexusTrees(trees, names).toUtf8();
    QStringList lines;
    for (const TTree* tree : trees) lines << WriteNewick(*tree, names);
    return EncodeTextLines(lines);
}
