// varno-generate: simulated character matrices like those of systematists,
// for benchmarks and tests. A random tree (Yule process, exponential branch
// lengths), for every character a random branching state tree rooted at
// state 0, and changes along the branches that only ever move from a state to
// one derived from it (irreversible; parallel gains give homoplasy). Some
// cells are "?". For homoplastic sets, --noise redraws a share of the cells
// at random among the character's states (lowers CI and RI alike) and
// --conflict lets a share of the characters evolve on other random trees
// (conflicting signal: many local optima, as in real matrices);
// --patchy gives a share of the objects many "?" (fragmentary fossils).
// Writes the tab-separated text the program reads, every cell
// in pointer notation with its full path, e.g. "s3[s1[s0[]]]".
//
//   varno-generate --objects 255 --characters 300 --seed 1 -o data.txt
//   varno-generate --objects 50 --characters 80 --seed 7 --tree true.nwk > data.txt
//
// The same arguments give the same file byte for byte on every platform.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "parsimony/Random.h"

namespace {
struct TOptions {
    int Objects = 50;
    int Characters = 80;
    std::uint64_t Seed = 1;
    int MaxStates = 6;       // states per character: 2..MaxStates
    double Missing = 0.02;   // share of "?" cells
    double Changes = 1.6;    // expected changes per derived state of a character
    double Noise = 0;        // share of cells redrawn at random
    double Patchy = 0;       // share of objects with half their cells "?"
    double Conflict = 0;     // share of characters evolving on another tree
    int OtherTrees = 4;      // how many other trees
    std::string Output;      // empty: standard output
    std::string TreeOutput;  // the true tree as Newick, if wanted
};

// A uniform double in [0, 1) from 53 random bits.
double Unit(TRandom& rng)
{
    return static_cast<double>(rng.Below(std::uint64_t{1} << 53)) / 9007199254740992.0;
}

struct TSimTree {
    std::vector<int> Parent;  // per vertex; -1 for the root
    std::vector<std::vector<int>> Children;
    std::vector<double> Length;  // branch above each vertex
    std::vector<int> TipOf;      // vertex -> object 1..n, 0 for inner vertices
};

TSimTree YuleTree(TRandom& rng, int objects)
{
    TSimTree t;
    t.Parent.push_back(-1);
    t.Children.emplace_back();
    t.Length.push_back(0);
    std::vector<int> leaves{0};
    while (static_cast<int>(leaves.size()) < objects) {
        const int pick = rng.Below(static_cast<int>(leaves.size()));
        const int v = leaves[static_cast<size_t>(pick)];
        leaves.erase(leaves.begin() + pick);
        for (int k = 0; k < 2; ++k) {
            const int child = static_cast<int>(t.Parent.size());
            t.Parent.push_back(v);
            t.Children.emplace_back();
            t.Length.push_back(-std::log(1.0 - Unit(rng)));
            t.Children[static_cast<size_t>(v)].push_back(child);
            leaves.push_back(child);
        }
    }
    t.TipOf.assign(t.Parent.size(), 0);
    // Objects numbered in a shuffled order so that neighbours in the file are
    // not neighbours in the tree.
    for (int i = static_cast<int>(leaves.size()) - 1; i > 0; --i)
        std::swap(leaves[static_cast<size_t>(i)], leaves[static_cast<size_t>(rng.Below(i + 1))]);
    for (size_t i = 0; i < leaves.size(); ++i)
        t.TipOf[static_cast<size_t>(leaves[i])] = static_cast<int>(i) + 1;
    return t;
}

std::string Newick(const TSimTree& t, int v)
{
    if (t.TipOf[static_cast<size_t>(v)] > 0)
        return "T" + std::to_string(t.TipOf[static_cast<size_t>(v)]);
    const auto& c = t.Children[static_cast<size_t>(v)];
    return "(" + Newick(t, c[0]) + "," + Newick(t, c[1]) + ")";
}

int Poisson(TRandom& rng, double mean)
{
    // Knuth's product method; means here are small.
    const double limit = std::exp(-mean);
    int k = 0;
    for (double p = Unit(rng); p > limit; p *= Unit(rng)) ++k;
    return k;
}

bool ParseArgs(int argc, char** argv, TOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--objects" && (v = value()))
            o.Objects = std::atoi(v);
        else if (a == "--characters" && (v = value()))
            o.Characters = std::atoi(v);
        else if (a == "--seed" && (v = value()))
            o.Seed = std::strtoull(v, nullptr, 10);
        else if (a == "--max-states" && (v = value()))
            o.MaxStates = std::atoi(v);
        else if (a == "--missing" && (v = value()))
            o.Missing = std::atof(v);
        else if (a == "--changes" && (v = value()))
            o.Changes = std::atof(v);
        else if (a == "--noise" && (v = value()))
            o.Noise = std::atof(v);
        else if (a == "--conflict" && (v = value()))
            o.Conflict = std::atof(v);
        else if (a == "--other-trees" && (v = value()))
            o.OtherTrees = std::atoi(v);
        else if (a == "--patchy" && (v = value()))
            o.Patchy = std::atof(v);
        else if (a == "-o" && (v = value()))
            o.Output = v;
        else if (a == "--tree" && (v = value()))
            o.TreeOutput = v;
        else
            return false;
    }
    return o.Objects >= 2 && o.Characters >= 1 && o.MaxStates >= 2 && o.Missing >= 0 &&
           o.Missing < 1 && o.Changes > 0 && o.Noise >= 0 && o.Noise <= 1 && o.Patchy >= 0 &&
           o.Patchy <= 1 && o.Conflict >= 0 && o.Conflict <= 1 && o.OtherTrees >= 1;
}
}  // namespace

int main(int argc, char** argv)
{
    TOptions opt;
    if (!ParseArgs(argc, argv, opt)) {
        std::cerr
            << "usage: varno-generate [--objects N] [--characters C] [--seed S] [--max-states K]\n"
               "                      [--missing SHARE] [--changes MEAN] [--noise SHARE]\n"
               "                      [--patchy SHARE] [--conflict SHARE] [--other-trees K]\n"
               "                      [-o FILE] [--tree FILE]\n";
        return 2;
    }
    TRandom rng(opt.Seed);
    const TSimTree trueTree = YuleTree(rng, opt.Objects);
    double total = 0;
    for (double l : trueTree.Length) total += l;
    // The knobs draw only when set, so older arguments give the same files.
    std::vector<double> missingOf(static_cast<size_t>(opt.Objects) + 1, opt.Missing);
    if (opt.Patchy > 0)
        for (int o = 1; o <= opt.Objects; ++o)
            if (Unit(rng) < opt.Patchy) missingOf[static_cast<size_t>(o)] = 0.5;
    std::vector<TSimTree> others;
    std::vector<double> otherTotal;
    if (opt.Conflict > 0)
        for (int k = 0; k < opt.OtherTrees; ++k) {
            others.push_back(YuleTree(rng, opt.Objects));
            otherTotal.push_back(0);
            for (double l : others.back().Length) otherTotal.back() += l;
        }

    const size_t vertices = trueTree.Parent.size();
    // cells[c][o]: the text of object o for character c.
    std::vector<std::vector<std::string>> cells(
        static_cast<size_t>(opt.Characters),
        std::vector<std::string>(static_cast<size_t>(opt.Objects) + 1));
    std::vector<int> state(vertices, 0);
    for (int c = 0; c < opt.Characters; ++c) {
        const int states = 2 + rng.Below(opt.MaxStates - 1);
        std::vector<int> parent(static_cast<size_t>(states), -1);
        std::vector<std::vector<int>> derived(static_cast<size_t>(states));
        for (int k = 1; k < states; ++k) {
            parent[static_cast<size_t>(k)] = rng.Below(k);
            derived[static_cast<size_t>(parent[static_cast<size_t>(k)])].push_back(k);
        }
        // Rate per unit of branch length: characters differ in how fast they
        // change, from clean to quite homoplastic.
        const TSimTree* on = &trueTree;
        double length = total;
        if (opt.Conflict > 0 && Unit(rng) < opt.Conflict) {
            const int k = rng.Below(opt.OtherTrees);
            on = &others[static_cast<size_t>(k)];
            length = otherTotal[static_cast<size_t>(k)];
        }
        const TSimTree& tree = *on;
        const double rate = opt.Changes * (states - 1) * (0.3 + 1.4 * Unit(rng)) / length;
        for (size_t v = 0; v < vertices; ++v) {  // parents come before children
            int s = tree.Parent[v] < 0 ? 0 : state[static_cast<size_t>(tree.Parent[v])];
            if (tree.Parent[v] >= 0) {
                for (int e = Poisson(rng, rate * tree.Length[v]); e > 0; --e) {
                    const auto& next = derived[static_cast<size_t>(s)];
                    if (next.empty()) break;
                    s = next[static_cast<size_t>(rng.Below(static_cast<int>(next.size())))];
                }
            }
            state[v] = s;
        }
        for (size_t v = 0; v < vertices; ++v) {
            const int o = tree.TipOf[v];
            if (o == 0) continue;
            std::string text;
            int cell = state[v];
            if (opt.Noise > 0 && Unit(rng) < opt.Noise) cell = rng.Below(states);
            if (Unit(rng) < missingOf[static_cast<size_t>(o)]) {
                text = "?";
            } else {
                // Full path: the cell alone fixes every ancestor of its state.
                text = "[]";
                std::vector<int> path;
                for (int s = cell; s >= 0; s = parent[static_cast<size_t>(s)]) path.push_back(s);
                for (auto it = path.rbegin(); it != path.rend(); ++it)
                    text =
                        "s" + std::to_string(*it) + (it == path.rbegin() ? text : "[" + text + "]");
            }
            cells[static_cast<size_t>(c)][static_cast<size_t>(o)] = text;
        }
    }

    std::ostringstream out;
    out << "Taxon";
    for (int c = 1; c <= opt.Characters; ++c) out << "\tC" << c;
    out << "\n";
    for (int o = 1; o <= opt.Objects; ++o) {
        out << "T" << o;
        for (int c = 0; c < opt.Characters; ++c)
            out << "\t" << cells[static_cast<size_t>(c)][static_cast<size_t>(o)];
        out << "\n";
    }
    if (opt.Output.empty()) {
        std::cout << out.str();
    } else {
        std::ofstream f(opt.Output, std::ios::binary);
        f << out.str();
        if (!f) {
            std::cerr << "varno-generate: cannot write " << opt.Output << "\n";
            return 1;
        }
    }
    if (!opt.TreeOutput.empty()) {
        std::ofstream f(opt.TreeOutput, std::ios::binary);
        f << Newick(trueTree, 0) << ";\n";
        if (!f) {
            std::cerr << "varno-generate: cannot write " << opt.TreeOutput << "\n";
            return 1;
        }
    }
    return 0;
}
