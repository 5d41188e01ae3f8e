#!/usr/bin/python3
"""Reads and writes our interchange files with Biopython or DendroPy, for the
peer-program tests.

  peer_io.py read  biopython|dendropy MATRIX.nex TREES.nex TREES.nwk
      prints JSON: taxa, rows (name -> symbols), and every tree of both tree
      files in a canonical form (children sorted; name:length).
  peer_io.py rows  biopython|dendropy MATRIX.nex...
      prints JSON: per file, its rows (name -> symbols).
  peer_io.py write biopython|dendropy ROWS.json OUT_MATRIX.nex OUT_TREES.nex
      writes the matrix {"taxa": [...], "rows": {...}, "trees": ["newick", ...]}
      with the peer's own NEXUS writer.
Exit code 3 when the library is not installed.
"""
import json
import sys


def canon_length(value):
    return "" if value is None else ":%.6g" % float(value)


def canon_bio(clade, root=True):
    # The root's length is left out: Bio.Phylo's NEXUS reader gives it 0.
    length = "" if root else canon_length(clade.branch_length)
    if not clade.clades:
        return (clade.name or "") + length
    kids = sorted(canon_bio(c, False) for c in clade.clades)
    return "(" + ",".join(kids) + ")" + length


def canon_dendropy(node):
    kids = node.child_nodes()
    length = node.edge.length if node.parent_node is not None else None
    if not kids:
        return node.taxon.label + canon_length(length)
    return "(" + ",".join(sorted(canon_dendropy(c) for c in kids)) + ")" + canon_length(length)


def read_biopython(matrix, trees_nex, trees_nwk):
    from Bio import Phylo
    from Bio.Nexus import Nexus
    n = Nexus.Nexus(matrix)
    rows = {name: str(n.matrix[name]) for name in n.taxlabels}
    out = {"taxa": list(n.taxlabels), "rows": rows}
    out["nexus_trees"] = [canon_bio(t.root) for t in Phylo.parse(trees_nex, "nexus")]
    out["newick_trees"] = [canon_bio(t.root) for t in Phylo.parse(trees_nwk, "newick")]
    return out


def read_dendropy(matrix, trees_nex, trees_nwk):
    import dendropy
    m = dendropy.StandardCharacterMatrix.get(path=matrix, schema="nexus", preserve_underscores=True)
    taxa = [t.label for t in m.taxon_namespace]
    rows = {t.label: "".join(str(s) for s in m[t]) for t in m.taxon_namespace}
    out = {"taxa": taxa, "rows": rows}
    nex = dendropy.TreeList.get(path=trees_nex, schema="nexus", preserve_underscores=True, rooting="force-rooted")
    nwk = dendropy.TreeList.get(path=trees_nwk, schema="newick", preserve_underscores=True, rooting="force-rooted")
    out["nexus_trees"] = [canon_dendropy(t.seed_node) for t in nex]
    out["newick_trees"] = [canon_dendropy(t.seed_node) for t in nwk]
    return out


def rows_biopython(matrix):
    from Bio.Nexus import Nexus
    n = Nexus.Nexus(matrix)
    return {name: str(n.matrix[name]) for name in n.taxlabels}


def rows_dendropy(matrix):
    import dendropy
    m = dendropy.StandardCharacterMatrix.get(path=matrix, schema="nexus", preserve_underscores=True)
    return {t.label: "".join(str(s) for s in m[t]) for t in m.taxon_namespace}


def write_biopython(plan, matrix, trees):
    from io import StringIO
    from Bio import Phylo
    from Bio.Nexus import Nexus
    symbols = "".join(sorted(set("".join(plan["rows"].values())) - set("?")))
    lines = ["#NEXUS", "begin data;", "dimensions ntax=%d nchar=%d;" % (len(plan["taxa"]), len(plan["rows"][plan["taxa"][0]])),
             'format datatype=standard symbols="%s" missing=?;' % symbols, "matrix"]
    lines += ["'%s' %s" % (t.replace("'", "''"), plan["rows"][t]) for t in plan["taxa"]]
    lines += [";", "end;"]
    n = Nexus.Nexus("\n".join(lines))
    n.write_nexus_data(filename=matrix)
    Phylo.write([Phylo.read(StringIO(t), "newick") for t in plan["trees"]], trees, "nexus")


def write_dendropy(plan, matrix, trees):
    import dendropy
    taxa = dendropy.TaxonNamespace(plan["taxa"])
    m = dendropy.StandardCharacterMatrix.from_dict(plan["rows"], taxon_namespace=taxa)
    m.write(path=matrix, schema="nexus")
    tl = dendropy.TreeList(taxon_namespace=taxa)
    for t in plan["trees"]:
        tl.append(dendropy.Tree.get(data=t, schema="newick", taxon_namespace=taxa, preserve_underscores=True))
    tl.write(path=trees, schema="nexus", translate_tree_taxa=True)


def main():
    mode, tool = sys.argv[1], sys.argv[2]
    try:
        if tool == "biopython":
            import Bio  # noqa: F401
        else:
            import dendropy  # noqa: F401
    except ImportError:
        sys.exit(3)
    if mode == "rows":
        reader = rows_biopython if tool == "biopython" else rows_dendropy
        print(json.dumps({path: reader(path) for path in sys.argv[3:]}))
    elif mode == "read":
        reader = read_biopython if tool == "biopython" else read_dendropy
        print(json.dumps(reader(*sys.argv[3:6])))
    else:
        with open(sys.argv[3], encoding="utf-8") as f:
            plan = json.load(f)
        (write_biopython if tool == "biopython" else write_dendropy)(plan, sys.argv[4], sys.argv[5])


if __name__ == "__main__":
    main()
