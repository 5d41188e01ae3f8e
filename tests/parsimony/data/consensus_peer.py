#!/usr/bin/python3
"""Consensus groups of a Newick tree set as DendroPy sees them (rooted).

Prints "file\t<path>" for every file given, then one line per group: "<kind>\t<names joined by ,>", kinds "strict" and
"majority". Exits 77 when DendroPy is missing. (Biopython's majority_consensus
is not used: it counts groups by leaf position in each tree, so trees whose
leaves come in different orders give wrong groups. DendroPy's own
GREATER_THAN_HALF is 0.5 and compared with >=, so groups at exactly half
would come in; a threshold just above half asks for a true majority.)
"""
import sys

try:
    import dendropy
except ImportError as e:
    print(f"missing module: {e}", file=sys.stderr)
    sys.exit(77)



def groups(tree, n):
    for node in tree.preorder_node_iter():
        leaves = sorted(l.taxon.label for l in node.leaf_iter())
        if 2 <= len(leaves) < n:
            yield leaves


for path in sys.argv[1:]:
    print(f"file\t{path}")
    taxa = dendropy.TaxonNamespace()
    trees = dendropy.TreeList.get(path=path, schema="newick", taxon_namespace=taxa, rooting="force-rooted")
    for kind, freq in (("strict", 1.0), ("majority", 0.5 + 1e-9)):
        for g in groups(trees.consensus(min_freq=freq), len(taxa)):
            print(f"{kind}\t{','.join(g)}")
