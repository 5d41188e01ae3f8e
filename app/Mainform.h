#pragma once
// The main window: the menu from which every command starts, and the
// protocol into which every command writes its report lines.
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <memory>

#include "app/AppContext.h"
#include "data/NexusMatrix.h"
#include "data/RecentFiles.h"

class QAction;
class QMenu;
class QUrl;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class TFrmCharFit;
class TFrmCST;
class TFrmDistMat;
class TFrmImport;
class TFrmLoad;
class TFrmOptimize;
class TFrmSupport;
class TBigTreeResults;
class TParsimonySearch;
class TscTreeNodes;
class TFrmTreeOpt;

// The windows the main window creates, hidden, and connects.
struct TAppWindows {
    TFrmImport* FrmImport = nullptr;
    TFrmCST* FrmCST = nullptr;
    TFrmLoad* FrmLoad = nullptr;
    TFrmDistMat* FrmDistMat = nullptr;
    TFrmTreeOpt* FrmTreeOpt = nullptr;
    TFrmOptimize* FrmOptimize = nullptr;
    TFrmCharFit* FrmCharFit = nullptr;
};

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creates every other window, hidden, in the program's order.
    explicit TFrmMain(TAppContext& context);
    ~TFrmMain() override;

    TAppContext& Context() { return Ctx; }
    // The other windows (for the window tests).
    const TAppWindows& Windows() const { return Wnd; }

    void WriteProtocol(const QString& line);
    QStringList ProtocolLines() const;

    // Loads a file as if it had been chosen in the matching open dialog
    // (used for a file named on the command line). False when it failed.
    bool OpenDataFile(const QString& path);

    // Menu handlers.
    void Excelxls1Click();
    void Text1Click();
    // NEXUS or CSV file, chosen by its extension.
    void NexusCsv1Click();
    // The matrix in another program's format (NEXUS, binary NEXUS, PHYLIP, CSV).
    void ExportMatrix1Click();
    // "Open trees...": the trees of a Newick or NEXUS file, scored on the
    // loaded matrix, in the tree results window.
    void OpenTrees1Click();
    // How the stars of a NEXUS file's unordered characters are rooted.
    TNexusRootRule NexusRootRule() const;
    void SetNexusRootRule(TNexusRootRule rule);
    void Importdata1Click();
    void Definecharactertype1Click();
    void BtnGraficClick();
    void CreateTree1Click();
    void DistanceMatrix1Click();
    void Cramer1Click();
    void StateCombiClick();
    void PairwisecompatibilityClick();
    void BtnSaveClick();
    // Help > About: the version, the licence and the libraries.
    void About1Click();
    // Help > User guide: the installed guide in the user's viewer, or why not.
    void UserGuide1Click();
    // Where Help > User guide looks (UserGuidePlaces() unless set; tests).
    void SetUserGuidePlaces(const QStringList& places) { GuidePlaces = places; }

    // File/Data > Recent files: opens the index-th file of the list; a file
    // that is gone is reported and leaves the list.
    void OpenRecentFile(int index);
    void ClearRecentFiles();
    const TRecentFiles& RecentFiles() const { return Recent; }
    // Files dropped on the window: the first is opened as File > Open would.
    void OpenDroppedFiles(const QList<QUrl>& urls);

    // "Start Excel": open the current data file in the user's spreadsheet
    // application, then run the matching loader's open dialog at once.
    void StartSpreadsheetEditing();

private:
    // The controls and menu commands; tests find them by name.
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BtnSave = nullptr;
    QAction* Excelxls1 = nullptr;
    QAction* Text1 = nullptr;
    QAction* NexusCsv1 = nullptr;
    QAction* ExportMatrix1 = nullptr;
    QAction* OpenTrees1 = nullptr;
    QAction* NexusRootFirst1 = nullptr;  // File/Data > Open > Unordered NEXUS characters
    QAction* NexusRootLowest1 = nullptr;
    QAction* Importdata1 = nullptr;
    QAction* Definecharactertype1 = nullptr;
    QAction* BtnGrafic = nullptr;
    QAction* CreateTree1 = nullptr;
    QAction* DistanceMatrix1 = nullptr;
    QAction* Cramer1 = nullptr;
    QAction* StateCombi = nullptr;
    QAction* Pairwisecompatibility = nullptr;
    QAction* Quit1 = nullptr;          // File/Data > Quit (Ctrl+Q)
    QAction* SaveProtocol1 = nullptr;  // Ctrl+S, as the Save button
    QMenu* RecentFiles1 = nullptr;     // File/Data > Recent files
    QAction* UserGuide1 = nullptr;     // Help > User guide
    QAction* About1 = nullptr;         // Help > About

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenu();
    void FormCreate();
    bool LoadFile(const QString& path, bool workbook);
    void DropResultsOfEarlierData();
    void ShowNewestProtocolLines();
    void NoteRecentFile(const QString& path);
    // Files dropped anywhere on the window, the protocol included, are opened.
    void AcceptFileDrops();
    void FillRecentMenu();
    // Connects the windows' requests to the windows that answer them.
    void ConnectWindows();
    // Branch support for the trees of the results window, in one window at a
    // time (a running one is brought to the front).
    void ShowSupport(std::shared_ptr<TParsimonySearch> search);
    void ShowBigSupport(std::shared_ptr<TBigTreeResults> trees);
    // The support window on the data of trees: their coding, objects and
    // rule, and the model's revision they were found on (0: a file's).
    void ShowSupportFor(const TSField& field, int objects, bool missingData,
                        std::uint64_t revision);
    // A tree in a modal tree window over owner; nodes live until it closes.
    void DrawTree(QWidget* owner, TscTreeNodes* nodes, const QString& title, const QString& newick);
    // A tree computed by a summary (a consensus, a support tree) in a tree window
    // of its own beside the others, titled by what it shows and the data file.
    void ShowComputedTree(QWidget* owner, std::shared_ptr<TscTreeNodes> nodes, const QString& title,
                          const QString& newick);
    // The character type step of Parsimony and Distance Matrix.
    void CharacterTypeStep();

    TAppContext& Ctx;
    TAppWindows Wnd;
    TRecentFiles Recent;
    QString TreeFileName;  // the tree file last chosen
    QPointer<TFrmSupport> SupportWindow;
    QStringList GuidePlaces;
    QList<QPointer<QWidget>> ComputedTreeWindows;
};

// The ten start-up lines of the protocol.
QStringList StartupBanner();
