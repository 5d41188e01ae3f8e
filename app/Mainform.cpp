#include "app/Mainform.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <utility>

#include "analyses/DistMatForm.h"
#include "app/About.h"
#include "data/CSTForm.h"
#include "data/DataFile.h"
#include "data/FormLook.h"
#include "data/ImportForm.h"
#include "data/ImportSource.h"
#include "data/LoadForm.h"
#include "data/MatrixExport.h"
#include "data/StringGrid.h"
#include "data/TextFile.h"
#include "data/UiServices.h"
#include "data/WindowPlace.h"
#include "data/Workbook.h"
#include "graphics/TreeClasses.h"
#include "graphics/TreeGrafik.h"
#include "parsimony/evolutionary/CreateTree.h"
#include "parsimony/forms/CharFitForm.h"
#include "parsimony/forms/OptimizeForm.h"
#include "parsimony/forms/SupportForm.h"
#include "parsimony/forms/TreeOptForm.h"
#include "parsimony/summaries/BigTreeResults.h"

QStringList StartupBanner()
{
    return {QStringLiteral("\"VARNO Classic\" is a program for phylogenetic reconstruction using "
                           "character state trees, written by the VARNO Classic developers."),
            QStringLiteral("This is a simplyfied testversion."),
            QStringLiteral("WARNING: this is a beta-version. Errors may occur."),
            QStringLiteral("To open a Ms-Excel file or to use Ms-Excel as editor, Ms-Excel must be "
                           "installed on your computer."),
            QString(),
            QStringLiteral("Maximum of objects: 255."),
            QStringLiteral("Maximum of characters: no limits."),
            QStringLiteral("Maximum of states for each character: 256."),
            QString(),
            QStringLiteral(">> Protocol <<")};
}

TFrmMain::TFrmMain(TAppContext& context) : Ctx(context)
{
    setWindowTitle(QStringLiteral("VARNO Classic"));
    resize(905, 535);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    InfoTipBackground(Memo1);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo1, 1);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->addStretch(1);
    BtnSave = new QPushButton(QStringLiteral("Save"), Panel1);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    panelLayout->addWidget(BtnSave);
    layout->addWidget(Panel1);
    setCentralWidget(central);
    connect(BtnSave, &QPushButton::clicked, this, [this] { BtnSaveClick(); });

    CreateMenu();

    Ctx.ProtocolSink = [this](const QString& line) { WriteProtocol(line); };
    // The other windows exist from the start, hidden; they are top-level
    // windows owned by the main window.
    Wnd.FrmImport = new TFrmImport(Ctx, this);
    Wnd.FrmCST = new TFrmCST(Ctx, this);
    Wnd.FrmLoad = new TFrmLoad(Ctx, this);
    Wnd.FrmDistMat = new TFrmDistMat(Ctx, this);
    Wnd.FrmTreeOpt = new TFrmTreeOpt(Ctx, this);
    Wnd.FrmOptimize = new TFrmOptimize(Ctx, this);
    Wnd.FrmCharFit = new TFrmCharFit(Ctx, this);
    ConnectWindows();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Each window opens where the user left it in the last run.
    RememberWindowPlace(this, Ctx.Ui, QStringLiteral("Main"));
    // The data window and "Check data" open centred on the main window.
    for (QWidget* w : {static_cast<QWidget*>(Wnd.FrmImport), static_cast<QWidget*>(Wnd.FrmLoad)})
        w->move(geometry().center() - w->rect().center());
    RememberWindowPlace(Wnd.FrmImport, Ctx.Ui, QStringLiteral("Data"));
    RememberWindowPlace(Wnd.FrmCST, Ctx.Ui, QStringLiteral("StateTrees"));
    RememberWindowPlace(Wnd.FrmLoad, Ctx.Ui, QStringLiteral("DataCheck"));
    RememberWindowPlace(Wnd.FrmDistMat, Ctx.Ui, QStringLiteral("DistanceMatrix"));
    RememberWindowPlace(Wnd.FrmTreeOpt, Ctx.Ui, QStringLiteral("Trees"));
    RememberWindowPlace(Wnd.FrmOptimize, Ctx.Ui, QStringLiteral("Parsimony"));
    RememberWindowPlace(Wnd.FrmCharFit, Ctx.Ui, QStringLiteral("CharacterFit"));
    AcceptFileDrops();
    FormCreate();
}

TFrmMain::~TFrmMain() { Ctx.ProtocolSink = nullptr; }

void TFrmMain::ConnectWindows()
{
    TFrmImport* data = Wnd.FrmImport;
    TFrmCST* stateTree = Wnd.FrmCST;
    TFrmLoad* check = Wnd.FrmLoad;
    TFrmTreeOpt* results = Wnd.FrmTreeOpt;
    TFrmOptimize* search = Wnd.FrmOptimize;
    TFrmCharFit* fit = Wnd.FrmCharFit;

    connect(data, &TFrmImport::StateTreeDismissed, stateTree, &QWidget::hide);
    connect(data, &TFrmImport::StateTreeWanted, stateTree, [stateTree](int c) {
        stateTree->ShowStateTree(c);
        stateTree->show();
    });
    connect(data, &TFrmImport::DataCheckWanted, check, [check] { BringToFront(check); });
    connect(data, &TFrmImport::DataChecked, check, &TFrmLoad::ShowReport);
    connect(check, &TFrmLoad::DataEditorWanted, data, &TFrmImport::ShowWithContinue);
    connect(check, &TFrmLoad::SpreadsheetEditingWanted, this, &TFrmMain::StartSpreadsheetEditing);
    connect(fit, &TFrmCharFit::SpreadsheetEditingWanted, this, &TFrmMain::StartSpreadsheetEditing);

    connect(search, &TFrmOptimize::ResultsCleared, results, &TFrmTreeOpt::ClearResults);
    connect(search, &TFrmOptimize::ListFilled, results, &TFrmTreeOpt::FillList);
    connect(search, &TFrmOptimize::ListCellChanged, results, &TFrmTreeOpt::SetListCell);
    connect(search, &TFrmOptimize::ListColumnsFitted, results, &TFrmTreeOpt::FitListColumns);
    connect(search, &TFrmOptimize::PopulationFound, results, &TFrmTreeOpt::ShowPopulation);
    connect(search, &TFrmOptimize::BigTreesFound, results, &TFrmTreeOpt::ShowBigResults);
    connect(results, &TFrmTreeOpt::CharFitReady, fit, &TFrmCharFit::ShowFit);
    connect(results, &TFrmTreeOpt::TreeDrawingWanted, results,
            [this, results](TscTreeNodes* nodes, const QString& title, const QString& newick) {
                DrawTree(results, nodes, title, newick);
            });
    connect(results, &TFrmTreeOpt::ComputedTreeWanted, results,
            [this, results](std::shared_ptr<TscTreeNodes> nodes, const QString& title,
                            const QString& newick) {
                ShowComputedTree(results, std::move(nodes), title, newick);
            });
    connect(results, &TFrmTreeOpt::SupportWanted, this, &TFrmMain::ShowSupport);
    connect(results, &TFrmTreeOpt::BigSupportWanted, this, &TFrmMain::ShowBigSupport);
}

void TFrmMain::ShowSupport(std::shared_ptr<TParsimonySearch> search)
{
    ShowSupportFor(search->CharField(), search->Tree(1).TipCount(), search->Settings().MissingData,
                   search->DataRevision());
}

void TFrmMain::ShowBigSupport(std::shared_ptr<TBigTreeResults> trees)
{
    ShowSupportFor(trees->CharField(), trees->ObjectCount(), trees->MissingData(),
                   trees->DataRevision());
}

void TFrmMain::ShowSupportFor(const TSField& field, int objects, bool missingData,
                              std::uint64_t revision)
{
    if (SupportWindow && SupportWindow->IsRunning()) {
        SupportWindow->raise();
        SupportWindow->activateWindow();
        return;
    }
    delete SupportWindow;
    // A child of the results window, whose trees it supports.
    TFrmTreeOpt* results = Wnd.FrmTreeOpt;
    SupportWindow = new TFrmSupport(
        Ctx.Ui, field, objects, field.Places.Count(), missingData,
        [this](const QStringList& lines) { Ctx.WriteProtocol(lines); }, results);
    // The data behind the trees, while they are the loaded ones, for the criterion choice.
    if (revision != 0 && revision == Ctx.Model.Revision) SupportWindow->SetData(Ctx.Model.Data());
    SupportWindow->setAttribute(Qt::WA_DeleteOnClose);
    TFrmSupport* support = SupportWindow;
    connect(support, &TFrmSupport::ComputedTreeWanted, support,
            [this, support](std::shared_ptr<TscTreeNodes> nodes, const QString& title,
                            const QString& newick) {
                ShowComputedTree(support, std::move(nodes), title, newick);
            });
    SupportWindow->show();
}

void TFrmMain::DrawTree(QWidget* owner, TscTreeNodes* nodes, const QString& title,
                        const QString& newick)
{
    TTreeGrfFRM window(Ctx.Ui, owner);
    window.SetNodes(nodes);
    window.SetTitle(title);
    if (!newick.isEmpty()) window.SetNewick(newick);
    window.exec();
}

void TFrmMain::ShowComputedTree(QWidget* owner, std::shared_ptr<TscTreeNodes> nodes,
                                const QString& title, const QString& newick)
{
    auto* window = new TTreeGrfFRM(Ctx.Ui, owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setModal(false);
    // The nodes go only when the window and all its panels are gone.
    connect(window, &QObject::destroyed, [nodes] {});
    window->SetNodes(nodes.get());
    window->SetTitle(title);
    if (!newick.isEmpty()) window->SetNewick(newick);
    const QString data = Ctx.Model.FromExcel ? Ctx.WorkbookFileName : Ctx.TextFileName;
    window->setWindowTitle(
        data.isEmpty() ? title : title + QStringLiteral(" - ") + QFileInfo(data).fileName());
    ComputedTreeWindows.removeAll(nullptr);
    ComputedTreeWindows.append(window);
    window->show();
}

void TFrmMain::CreateMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("File/Data"));
    QMenu* open = file->addMenu(QStringLiteral("Open"));
    Excelxls1 = open->addAction(QStringLiteral("Excel (xls)"), this, [this] { Excelxls1Click(); });
    Text1 = open->addAction(QStringLiteral("Text (txt)"), this, [this] { Text1Click(); });
    NexusCsv1 =
        open->addAction(QStringLiteral("NEXUS / CSV..."), this, [this] { NexusCsv1Click(); });
    QMenu* rootRule = open->addMenu(QStringLiteral("Unordered NEXUS characters"));
    NexusRootFirst1 =
        rootRule->addAction(QStringLiteral("Star rooted at the first object's state"));
    NexusRootFirst1->setObjectName(QStringLiteral("NexusRootFirst1"));
    NexusRootLowest1 = rootRule->addAction(QStringLiteral("Star rooted at the lowest state"));
    NexusRootLowest1->setObjectName(QStringLiteral("NexusRootLowest1"));
    auto* rootGroup = new QActionGroup(this);
    for (QAction* a : {NexusRootFirst1, NexusRootLowest1}) {
        a->setCheckable(true);
        rootGroup->addAction(a);
    }
    NexusRootFirst1->setChecked(true);
    OpenTrees1 =
        file->addAction(QStringLiteral("Open trees..."), this, [this] { OpenTrees1Click(); });
    RecentFiles1 = file->addMenu(QStringLiteral("Recent files"));
    RecentFiles1->setObjectName(QStringLiteral("RecentFiles1"));
    Recent.Load(Ctx.Ui.Settings());
    FillRecentMenu();
    file->addSeparator();
    Importdata1 = file->addAction(QStringLiteral("Data"), this, [this] { Importdata1Click(); });
    Definecharactertype1 = file->addAction(QStringLiteral("Data check"), this,
                                           [this] { Definecharactertype1Click(); });
    BtnGrafic = file->addAction(QStringLiteral("Tree"), this, [this] { BtnGraficClick(); });
    BtnGrafic->setObjectName(QStringLiteral("BtnGrafic"));
    file->addSeparator();
    ExportMatrix1 =
        file->addAction(QStringLiteral("Export matrix..."), this, [this] { ExportMatrix1Click(); });
    Quit1 = file->addAction(QStringLiteral("Quit"), this, [this] { close(); });
    Quit1->setObjectName(QStringLiteral("Quit1"));
    // Keyboard shortcuts of the usual desktop commands.
    Text1->setShortcut(QKeySequence::Open);
    Excelxls1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    SaveProtocol1 = new QAction(QStringLiteral("Save protocol"), this);
    SaveProtocol1->setShortcut(QKeySequence::Save);
    connect(SaveProtocol1, &QAction::triggered, this, [this] { BtnSaveClick(); });
    addAction(SaveProtocol1);
    BtnSave->setToolTip(QStringLiteral("Save the protocol (Ctrl+S)"));

    QMenu* job = menuBar()->addMenu(QStringLiteral("Job"));
    CreateTree1 = job->addAction(QStringLiteral("Parsimony"), this, [this] { CreateTree1Click(); });
    CreateTree1->setObjectName(QStringLiteral("CreateTree1"));
    DistanceMatrix1 =
        job->addAction(QStringLiteral("Distance Matrix"), this, [this] { DistanceMatrix1Click(); });
    DistanceMatrix1->setObjectName(QStringLiteral("DistanceMatrix1"));
    job->addSeparator();
    QMenu* correlation = job->addMenu(QStringLiteral("Correlation of characters"));
    Cramer1 = correlation->addAction(QStringLiteral("Cramer"), this, [this] { Cramer1Click(); });
    Cramer1->setObjectName(QStringLiteral("Cramer1"));
    StateCombi = correlation->addAction(QStringLiteral("Relative number of state combinations"),
                                        this, [this] { StateCombiClick(); });
    StateCombi->setObjectName(QStringLiteral("StateCombi"));
    Pairwisecompatibility = job->addAction(QStringLiteral("Pairwise compatibility"), this,
                                           [this] { PairwisecompatibilityClick(); });
    Pairwisecompatibility->setObjectName(QStringLiteral("Pairwisecompatibility"));

    // Added after the original menus, which stay as they were.
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    UserGuide1 = help->addAction(QStringLiteral("User guide"), this, [this] { UserGuide1Click(); });
    UserGuide1->setObjectName(QStringLiteral("UserGuide1"));
    UserGuide1->setShortcut(QKeySequence::HelpContents);
    About1 =
        help->addAction(QStringLiteral("About VARNO Classic"), this, [this] { About1Click(); });
    About1->setObjectName(QStringLiteral("About1"));
}

void TFrmMain::About1Click() { Ctx.Ui.ShowInformation(this, AboutText()); }

void TFrmMain::UserGuide1Click()
{
    const QStringList places = GuidePlaces.isEmpty() ? UserGuidePlaces() : GuidePlaces;
    const QString guide = FindUserGuide(places);
    if (guide.isEmpty()) {
        Ctx.Ui.ShowError(this, QStringLiteral("The user guide is not installed. It was looked "
                                              "for in:\n") +
                                   places.join(QLatin1Char('\n')));
        return;
    }
    if (QString error; !Ctx.Ui.OpenInDefaultApplication(guide, &error))
        Ctx.Ui.ShowError(this,
                         QStringLiteral("No application could be started to show the user "
                                        "guide %1.%2")
                             .arg(guide, error.isEmpty() ? QString() : QLatin1Char(' ') + error));
}

void TFrmMain::FormCreate()
{
    Memo1->clear();
    for (const QString& line : StartupBanner()) WriteProtocol(line);
}

void TFrmMain::WriteProtocol(const QString& line) { Memo1->appendPlainText(line); }

void TFrmMain::ShowNewestProtocolLines()
{
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
    Memo1->horizontalScrollBar()->setValue(0);
}

QStringList TFrmMain::ProtocolLines() const
{
    const QString text = Memo1->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool TFrmMain::LoadFile(const QString& path, bool workbook)
{
    // A failed load leaves the previous data as they were.
    if (const TStatus loaded = Ctx.Document.Load(path, workbook, NexusRootRule()); !loaded) {
        Ctx.Ui.ShowError(this, loaded.Error());
        return false;
    }
    for (const QStringList* lines : {&Ctx.Document.Report().Lines, &Ctx.Document.Report().Notes})
        for (const QString& line : *lines) {
            Ctx.WriteProtocol(line);
            // The rule for unordered characters is a menu choice here.
            if (line.startsWith(QLatin1String("NEXUS: ")) &&
                line.contains(QLatin1String(" unordered: a star rooted at ")))
                Ctx.WriteProtocol(
                    QStringLiteral("NEXUS: the root of unordered characters is chosen "
                                   "in File/Data > Open > Unordered NEXUS characters."));
        }

    DropResultsOfEarlierData();
    Wnd.FrmImport->setWindowTitle(QStringLiteral("Data from ") + path);
    Wnd.FrmImport->ShowData();
    NoteRecentFile(path);
    Ctx.Ui.SaveFolder = QFileInfo(path).absolutePath();
    // The load report is what the user looks for now, wherever the protocol was.
    ShowNewestProtocolLines();
    return true;
}

void TFrmMain::DropResultsOfEarlierData()
{
    // Every window that shows results of the data just replaced loses them,
    // so no result and no job on it is taken for one of the new data (a search
    // still running ends with the trees of the data it was started on).
    Wnd.FrmOptimize->DataReplaced();
    Wnd.FrmTreeOpt->ClearResults();
    Wnd.FrmTreeOpt->hide();
    Wnd.FrmCharFit->hide();
    Wnd.FrmDistMat->hide();
    if (SupportWindow) SupportWindow->close();  // closing stops its run
    for (const QPointer<QWidget>& tree : std::exchange(ComputedTreeWindows, {}))
        if (tree) tree->close();
}

bool TFrmMain::OpenDataFile(const QString& givenPath)
{
    // The load report and the editing flow name the file by its full path,
    // as the open dialogs give it.
    const QString path = QFileInfo(givenPath).absoluteFilePath();
    const bool workbook = IsWorkbookPath(path);
    (workbook ? Ctx.WorkbookFileName : Ctx.TextFileName) = path;
    return LoadFile(path, workbook);
}

void TFrmMain::Text1Click()
{
    const QString path =
        Ctx.Ui.GetOpenFileName(this, QStringLiteral("Open text data"),
                               QStringLiteral("Text (*.txt *.TXT)"), Ctx.TextFileName);
    if (path.isEmpty()) return;
    Ctx.TextFileName = path;
    LoadFile(path, false);
}

void TFrmMain::NexusCsv1Click()
{
    const QString path = Ctx.Ui.GetOpenFileName(
        this, QStringLiteral("Open NEXUS or CSV data"),
        QStringLiteral("NEXUS or CSV (*.nex *.nexus *.nxs *.csv *.NEX *.NEXUS *.NXS *.CSV)"),
        Ctx.TextFileName);
    if (path.isEmpty()) return;
    Ctx.TextFileName = path;
    LoadFile(path, false);
}

void TFrmMain::ExportMatrix1Click()
{
    if (Ctx.Model.ObjectCount < 1 || Ctx.Model.CharacterCount < 1) {
        Ctx.Ui.ShowError(this,
                         QStringLiteral("No data are loaded, so there is nothing to export."));
        return;
    }
    const QString nexus = QStringLiteral("NEXUS (*.nex *.nexus)");
    const QString binary = QStringLiteral("NEXUS binary, additive coding (*.nex)");
    const QString phylip = QStringLiteral("PHYLIP for mix, with ancestors (*.phy)");
    const QString csv = QStringLiteral("CSV (*.csv)");
    QString chosen;
    const QString path = Ctx.Ui.GetSaveFileNameFiltered(
        this, QStringLiteral("Export matrix"),
        QStringList{nexus, binary, phylip, csv}.join(QStringLiteral(";;")),
        QStringLiteral("Matrix"), QStringLiteral("nex"), &chosen);
    if (path.isEmpty()) return;
    TExportFormat format = TExportFormat::Nexus;
    if (chosen == binary)
        format = TExportFormat::NexusBinary;
    else if (chosen == phylip)
        format = TExportFormat::Phylip;
    else if (chosen == csv)
        format = TExportFormat::Csv;
    else if (chosen.isEmpty() && !ExportFormatOfPath(path, &format))
        format = TExportFormat::Nexus;
    const TResult<TMatrixExport> out = ExportMatrix(Ctx.Model.Data(), format);
    if (!out.Ok()) {
        Ctx.Ui.ShowError(this, out.Error());
        return;
    }
    TStatus saved = SaveTextFile(path, out->Text);
    if (saved && format == TExportFormat::Phylip)
        saved = SaveTextFile(AncestorsPath(path), out->Ancestors);
    if (saved && format == TExportFormat::Phylip)
        saved = SaveTextFile(NameMapPath(path), out->NameMap);
    if (!saved) {
        Ctx.Ui.ShowError(this, saved.Error());
        return;
    }
    WriteProtocol(QString());
    WriteProtocol(QStringLiteral("Matrix exported to ") + path);
    if (format == TExportFormat::Phylip) {
        WriteProtocol(QStringLiteral("Ancestral states (all 0, for Camin-Sokal) in ") +
                      AncestorsPath(path));
        WriteProtocol(QStringLiteral("PHYLIP names and the objects' own names in ") +
                      NameMapPath(path));
    }
    for (const QString& note : out->Notes) WriteProtocol(note);
}

void TFrmMain::Excelxls1Click()
{
    const QString path = Ctx.Ui.GetOpenFileName(
        this, QStringLiteral("Open workbook"),
        QStringLiteral("Excel (*.xls *.xlsx *.ods *.XLS *.XLSX *.ODS)"), Ctx.WorkbookFileName);
    if (path.isEmpty()) return;
    Ctx.WorkbookFileName = path;
    LoadFile(path, true);
}

void TFrmMain::Importdata1Click() { Wnd.FrmImport->ShowWithContinue(); }

void TFrmMain::Definecharactertype1Click() { BringToFront(Wnd.FrmLoad); }

void TFrmMain::BtnSaveClick()
{
    const QString path = Ctx.Ui.GetSaveFileName(this, QStringLiteral("Save protocol"), QString(),
                                                QStringLiteral("Protocol"), QStringLiteral("txt"));
    if (path.isEmpty()) return;
    if (TStatus saved = SaveTextFile(path, EncodeTextLines(ProtocolLines())); !saved)
        Ctx.Ui.ShowError(this, saved.Error());
}

void TFrmMain::StartSpreadsheetEditing()
{
    Ctx.Ui.ShowInformation(this, QStringLiteral("After editing, close Excel and reopen file"));
    const bool workbook = Ctx.Model.FromExcel;
    const QString path = workbook ? Ctx.WorkbookFileName : Ctx.TextFileName;
    if (path.isEmpty()) {
        Ctx.Ui.ShowError(this,
                         QStringLiteral("No data file is loaded, so there is nothing to edit."));
        return;
    }
    if (QString error; !Ctx.Ui.OpenInDefaultApplication(path, &error)) {
        Ctx.Ui.ShowError(this, QStringLiteral("No spreadsheet application could be started for "
                                              "\"%1\":\n%2")
                                   .arg(path, error));
        return;
    }
    if (workbook)
        Excelxls1Click();
    else
        Text1Click();
}
