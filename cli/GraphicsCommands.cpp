// Batch commands of the graphics jobs: a Newick tree drawn as the graphic export would.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "cli/BatchCommand.h"
#include "cli/Options.h"
#include "data/Path.h"
#include "data/TextFile.h"
#include "data/Workbook.h"
#include "graphics/GrfRender.h"
#include "graphics/TreeFromNewick.h"
#include "graphics/TreeFromSearch.h"
#include "graphics/TreePage.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/treefiles/TreeFile.h"

namespace {
const QString DrawUsage = QStringLiteral(
    "draw TREE.nwk -o OUT [--width W] [--height H] [--mono] [--title T] [--subtitle-left T] "
    "[--subtitle-right T] [--layout lines|title|none|rectangle|roundrect] [--left-labels] "
    "[--changes DATA [--no-missing] [--criterion C]] [--min-label-size PT]");

int RunDraw(const QStringList& rawArgs)
{
    const TResult<TBatchArgs> parsed =
        TBatchArgs::Read(rawArgs,
                         {QStringLiteral("-o"), QStringLiteral("--width"),
                          QStringLiteral("--height"), QStringLiteral("--title"),
                          QStringLiteral("--subtitle-left"), QStringLiteral("--subtitle-right"),
                          QStringLiteral("--layout"), QStringLiteral("--changes"),
                          QStringLiteral("--min-label-size"), QStringLiteral("--criterion")},
                         {QStringLiteral("--mono"), QStringLiteral("--left-labels"),
                          QStringLiteral("--no-missing")});
    if (!ArgsFit(parsed, DrawUsage, 1)) return ExitUsage;
    if (parsed->Value(QStringLiteral("-o")).isEmpty()) {
        WriteUsage(DrawUsage);
        return ExitUsage;
    }
    const TBatchArgs& args = *parsed;
    const QString input = args.Positional().first();
    const QString output = args.Value(QStringLiteral("-o"));
    int width = 0, height = 0;
    if (!TakeOption(ReadWholeOption(args, QStringLiteral("--width"), 16, 20000, 1280,
                                    QStringLiteral("pixels")),
                    &width) ||
        !TakeOption(ReadWholeOption(args, QStringLiteral("--height"), 16, 20000, 1024,
                                    QStringLiteral("pixels")),
                    &height))
        return ExitUsage;
    TPictureFormat format = PictureFormatFromPath(output);
    if (format == TPictureFormat::Unknown) {
        WriteStderr(
            QStringLiteral(
                "Cannot tell the picture format from \"%1\": use .bmp, .jpg, .emf, .svg, .pdf "
                "or .png.")
                .arg(output));
        return ExitUsage;
    }
    if (args.Has(QStringLiteral("--mono"))) {
        if (format != TPictureFormat::Bmp) {
            WriteStderr(QStringLiteral(
                "--mono writes a one-bit bitmap: the output needs the extension .bmp."));
            return ExitUsage;
        }
        format = TPictureFormat::MonoBmp;
    }
    // In the order of TPageLayout.
    int layoutIndex = 0;
    if (!TakeOption(ReadChoiceOption(args, QStringLiteral("--layout"), QStringLiteral("layout"),
                                     {"lines", "title", "none", "rectangle", "roundrect"},
                                     QStringLiteral("lines")),
                    &layoutIndex))
        return ExitUsage;

    const QString floorText =
        args.Value(QStringLiteral("--min-label-size"), QString::number(PrintLabelFloorPoints));
    bool floorOk = false;
    const double floorPoints = floorText.toDouble(&floorOk);
    if (!floorOk || !(floorPoints >= 0 && floorPoints <= 72)) {  // NaN too
        WriteStderr(OptionRefusal(QStringLiteral("--min-label-size"),
                                  QStringLiteral("a size in points from 0 (no floor) to 72"),
                                  floorText));
        return ExitUsage;
    }

    if (!OutputsAreSafe({input}, {output})) return ExitFailure;
    const TTreeFile read = ReadTreeFile(input);
    if (!read) {
        WriteStderr(read.Unreadable ? read.Error()
                                    : QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(input),
                                                                   read.Error()));
        return ExitFailure;
    }
    if (read->Trees.empty()) {
        WriteStderr(QStringLiteral("%1 holds no tree.").arg(QDir::toNativeSeparators(input)));
        return ExitFailure;
    }
    TadaTreeNodes nodes;
    if (TStatus drawn = NewickToTreeNodes(read->Trees.front(), nodes); !drawn) {
        WriteStderr(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(input), drawn.Error()));
        return ExitFailure;
    }
    if (nodes.Count() < 3) {
        WriteStderr(QStringLiteral("%1: the tree has a single leaf; there is nothing to draw.")
                        .arg(QDir::toNativeSeparators(input)));
        return ExitFailure;
    }
    int negative = 0;
    for (int i = 0; i < nodes.Count(); ++i) negative += nodes.Item(i)->Length < 0;
    if (negative > 0)
        WriteStderr(QStringLiteral(
                        "Note: %1 negative branch length(s) are drawn leftwards from their parent.")
                        .arg(negative));

    if (args.Has(QStringLiteral("--criterion")) && !args.Has(QStringLiteral("--changes"))) {
        WriteStderr(QStringLiteral("--criterion counts the changes of --changes DATA."));
        return ExitUsage;
    }
    if (args.Has(QStringLiteral("--changes"))) {
        // The changes need the data and a binary tree over its objects.
        TResult<TMatrixData> loaded = LoadDataFile(args.Value(QStringLiteral("--changes")));
        if (Failed(loaded)) return ExitFailure;
        const TMatrixData& m = *loaded;
        const TSField field = BuildPathSets(m.DataMatrix, m.ObjectCount, m.CharacterCount);
        const bool missing = !args.Has(QStringLiteral("--no-missing"));
        std::optional<TCriterion> chosen;
        if (!TakeOption(ReadCriterionOption(args), &chosen)) return ExitUsage;
        std::optional<TCriteriaCoding> coding;
        if (chosen) {
            TResult<TCriteriaCoding> coded = CodeCriteria(m, chosen);
            if (Failed(coded)) return ExitFailure;
            if (coded->AnyReversible()) coding = std::move(*coded);
        }
        if (coding || m.ObjectCount > MaxParsimonyObjects) {
            // Past 255 objects, and under the criteria, the tree is read as the
            // thorough search keeps its trees.
            const TResult<TCompactTree> compact =
                CompactFromNewick(read->Trees.front(), field.Names.Vector(), m.ObjectCount);
            if (!compact) {
                WriteStderr(QStringLiteral("%1 does not fit the data: %2")
                                .arg(QDir::toNativeSeparators(input), compact.Error()));
                return ExitFailure;
            }
            if (coding) {
                // The reversible changes placed by ACCTRAN, as the changes table places them.
                for (const QString& line : coding->Lines) WriteStderr(line);
                AttachCriteriaChangesByClade(*compact, field, *coding, missing,
                                             TChangePlacement::Acctran, nodes);
            } else {
                AttachChangesByClade(*compact, field, missing, nodes);
            }
        } else {
            TResult<TTree> tree = NewickToTree(read->Trees.front(), field.Names, m.ObjectCount);
            if (!tree) {
                WriteStderr(QStringLiteral("%1 does not fit the data: %2")
                                .arg(QDir::toNativeSeparators(input), tree.Error()));
                return ExitFailure;
            }
            DeriveTopology(*tree);
            AttachChangesByClade(*tree, field, missing, nodes);
        }
    }

    TTreePage page = MakeTreePage(nodes);
    page.Panel->ShowChanges = args.Has(QStringLiteral("--changes"));
    page.Page->Title = args.Value(QStringLiteral("--title"));
    page.Page->SubTitleLeft = args.Value(QStringLiteral("--subtitle-left"));
    page.Page->SubTitleRight = args.Value(QStringLiteral("--subtitle-right"));
    ApplyPageLayout(*page.Page, static_cast<TPageLayout>(layoutIndex));
    page.Panel->DrawAtRight = !args.Has(QStringLiteral("--left-labels"));
    // Files are measured at 96 pixels per inch.
    page.Panel->MinLabelPixels = LabelFloorPixels(floorPoints, 96);
    const int tallest = MaxPictureHeight(format, width);
    const int readable = ReadableHeight(*page.Page, width, height, tallest);
    if (readable > height && ReadableHeight(*page.Page, width, height, 1 << 30) > readable)
        WriteStderr(
            QStringLiteral("Note: the picture is %1 pixels high instead of %2, the most a %3 file "
                           "of this width takes, so the %4 tip labels are smaller than %5 points "
                           "(--min-label-size); an .svg file takes the height they need.")
                .arg(readable)
                .arg(height)
                .arg(QFileInfo(output).suffix().toLower())
                .arg(nodes.LeafCount())
                .arg(floorPoints));
    else if (readable > height)
        WriteStderr(
            QStringLiteral(
                "Note: the picture is %1 pixels high instead of %2, so that the %3 tip labels "
                "stay %4 points high (--min-label-size).")
                .arg(readable)
                .arg(height)
                .arg(nodes.LeafCount())
                .arg(floorPoints));
    if (TStatus saved = SavePicture(*page.Page, output, format, width, height); !saved) {
        WriteStderr(saved.Error());
        return ExitFailure;
    }
    return ExitOk;
}
}  // namespace

void RegisterGraphicsCommands(TBatchCommands& commands)
{
    commands.push_back(
        {QStringLiteral("draw"), DrawUsage,
         QStringLiteral("draw the first tree of a Newick file as a picture (.bmp .jpg .emf .svg "
                        ".pdf .png; --mono: one-bit .bmp; --changes: with the state changes of the "
                        "data on every branch)"),
         RunDraw});
}
