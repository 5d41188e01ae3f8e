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
class TEvolutionaryJob;
class TExactJob;
class TParsimonySearch;
class TThoroughJob;
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

    bool IsRunning() const { return Evolutionary || Thorough || Exact; }

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
    // The search kind and the thorough search's own settings.
    QLabel* LabelKind = nullptr;
    QComboBox* CbKind = nullptr;
    QWidget* ThoroughBox = nullptr;
    QLineEdit* EdTimeLimit = nullptr;
    QLineEdit* EdReplicates = nullptr;
    QLineEdit* EdThreads = nullptr;
    // The exact search's settings; an empty time limit means none.
    QWidget* ExactBox = nullptr;
    QLineEdit* EdExactTimeLimit = nullptr;
    QLineEdit* EdMaxTrees = nullptr;
    QLineEdit* EdExactThreads = nullptr;

signals:
    void RunFinished();
    // The results window follows the run through these (see TFrmTreeOpt).
    void ResultsCleared();
    void ListFilled(const std::vector<QStringList>& rows);
    void ListCellChanged(int row, int column, const QString& text);
    void ListColumnsFitted(const QString& legend, const QString& widestHow);
    void PopulationFound(std::shared_ptr<TParsimonySearch> population, const QString& optimum);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartRun(int treeCount, int generations);
    void KindChanged();
    void StartThorough();
    void ThoroughEnded();
    void StartExact();
    void ExactEnded();
    // Shared by the thorough and the exact search.
    bool ReadThreadCount(const QString& text, int* threads);
    bool DataFitResultsWindow(const QString& batchCommand);
    void ShowFoundTrees(const std::vector<QStringList>& rows,
                        std::shared_ptr<TParsimonySearch> population, double optimum,
                        const QString& widestHow, const QStringList& protocol);
    void RunEnded();
    void SetRunning(bool running);
    // Runs f on the window's thread, after what the worker posted before.
    template <typename F>
    void Post(F f);

    TFormContext& Ctx;
    std::optional<std::uint64_t> FixedSeed;
    // The running job, at most one; each owns its thread.
    std::unique_ptr<TEvolutionaryJob> Evolutionary;
    std::unique_ptr<TThoroughJob> Thorough;
    std::unique_ptr<TExactJob> Exact;
};

// Sets a status label's text; its colour shows only while it has a text.
void SetStatusLabel(QLabel* label, const QString& text);
