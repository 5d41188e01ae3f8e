#pragma once
// The parsimony window: the settings of the search, its progress, and
// "Continue", which runs the whole search in a worker thread and hands the
// population to the tree results window.
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "data/FormContext.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class TBigTreeResults;
class TParsimonySearch;
class TSearchJob;
class TSearchPanel;
class TUpDownEdit;

class TFrmOptimize : public QWidget {
    Q_OBJECT
public:
    TFrmOptimize(TFormContext& context, QWidget* parent);
    ~TFrmOptimize() override;

    // "Continue": reads and checks the settings, then starts the search. The
    // run goes on in a worker thread; RunFinished is emitted when it is over
    // (the results window is filled and the protocol written by then).
    void Button1Click();
    // "Cancel": stops the running search between two trees or generations.
    void BtnCancelClick();

    bool IsRunning() const { return Job != nullptr; }
    // Other data were loaded: the progress of an earlier run goes (a running
    // search goes on, on the data it was started with).
    void DataReplaced();

    // The kinds of search the window offers, in the order of CbKind's items.
    // The numbers are the items' order in the search kind list.
    enum class TSearchKind { Evolutionary = 0, Thorough = 1, Exact = 2 };
    TSearchKind SearchKind() const;
    void SetSearchKind(TSearchKind kind);
    // A fixed seed for the next runs (tests); without one the clock decides.
    void SetSeed(std::optional<std::uint64_t> seed) { FixedSeed = seed; }

private:
    // The controls: other windows use the methods above, tests find them by name.
    QLabel* Label1 = nullptr;
    TUpDownEdit* Edit1 = nullptr;  // generations, with its up/down buttons (UpDown1)
    QLabel* Label2 = nullptr;
    TUpDownEdit* Edit2 = nullptr;  // number of trees, with its up/down buttons (UpDown2)
    QCheckBox* CheckBox1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label4 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* LabelSeed = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* Button1 = nullptr;
    // The search kind; every kind but the evolutionary search has a panel of
    // its own settings (item k of CbKind is Panels[k - 1]).
    QLabel* LabelKind = nullptr;
    QComboBox* CbKind = nullptr;
    std::vector<TSearchPanel*> Panels;

signals:
    void RunFinished();
    // The results window follows the run through these (see TFrmTreeOpt).
    void ResultsCleared();
    void ListFilled(const std::vector<QStringList>& rows);
    void ListCellChanged(int row, int column, const QString& text);
    void ListColumnsFitted(const QString& legend, const QStringList& widestHow);
    void PopulationFound(std::shared_ptr<TParsimonySearch> population, const QString& optimum);
    // The trees of a run past 255 objects (the thorough search's).
    void BigTreesFound(std::shared_ptr<TBigTreeResults> trees, const QString& optimum);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartRun(int treeCount, int generations);
    void KindChanged();
    TSearchPanel* KindPanel() const;  // null for the evolutionary search
    void StartPanelRun(TSearchPanel& panel);
    void PanelRunEnded();
    void RunEnded();
    void SetRunning(bool running);
    void ClearProgress();
    // Runs f on the window's thread, after what the worker posted before.
    template <typename F>
    void Post(F f);

    TFormContext& Ctx;
    std::optional<std::uint64_t> FixedSeed;
    // The running job, at most one, on its own thread; RunningPanel made it
    // (null: the evolutionary search).
    std::unique_ptr<TSearchJob> Job;
    TSearchPanel* RunningPanel = nullptr;
    std::uint64_t RunRevision = 0;  // of the data the running job was started on
};
