#pragma once
// The branch support window: jackknife, bootstrap or Bremer support of the
// data behind the tree results, run in the background (progress, cancel),
// then the consensus with the support values in a tree window and the
// run in the protocol. The work is a TSupportJob; this window observes it.
//
// Use: `auto* w = new TFrmSupport(ui, field, objects, characters, missing,
//                                 [](const QStringList& lines) { protocol(lines); }, parent);
//       w->show();`
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "parsimony/summaries/SupportJob.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TCriterionChoice;
class TUiServices;
class TscTreeNodes;

class TFrmSupport : public QWidget {
    Q_OBJECT
public:
    TFrmSupport(TUiServices& ui, TSField field, int objectCount, int characterCount,
                bool missingData, std::function<void(const QStringList&)> protocol,
                QWidget* parent);
    ~TFrmSupport() override;

    void StartBTNClick();
    void CancelBTNClick();
    // The last result in a tree window of its own.
    void ShowBTNClick();
    void MethodCBXChange();
    bool IsRunning() const;

    // The data behind the trees (as the model held them when the trees were
    // found): the criterion choice codes them. Without them only
    // Camin-Sokal on the trees' coding is offered.
    void SetData(TMatrixData data);

    // Opens the tree window by itself when a run ends (tests turn it off).
    void SetAutoShow(bool on) { AutoShow = on; }

private:
    // The controls; tests find them by name.
    QComboBox* MethodCBX = nullptr;
    QSpinBox* ReplicatesSPN = nullptr;
    QLineEdit* SeedEDT = nullptr;  // empty: from the clock
    QSpinBox* ThreadsSPN = nullptr;
    TCriterionChoice* Choice = nullptr;  // CriterionCBX
    QPushButton* StartBTN = nullptr;
    QPushButton* CancelBTN = nullptr;
    QPushButton* ShowBTN = nullptr;
    QProgressBar* ProgressPB = nullptr;
    QLabel* StatusLBL = nullptr;

signals:
    void RunFinished();
    // "Show tree": the support tree to show in a window of its own.
    void ComputedTreeWanted(std::shared_ptr<TscTreeNodes> nodes, const QString& title,
                            const QString& newick);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void JobFinished();
    bool AutoShow = true;
    TUiServices& Ui;
    TSField Field;
    int Objects, Characters;
    bool Missing;
    std::function<void(const QStringList&)> Protocol;
    std::unique_ptr<TSupportJob> Job;
    std::optional<TSupportOutcome> Last;
    std::optional<TMatrixData> Data;
};
