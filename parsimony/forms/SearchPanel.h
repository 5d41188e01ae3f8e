#pragma once
// One search kind of the parsimony window beside the evolutionary search: its
// settings (shown in place of the generations and trees), the job it makes of
// them, its progress on the window's bars and labels, and its trees for the
// tree results window. A new kind is a new panel with its job, listed in
// SearchPanels.cpp; the window and the other kinds stay as they are.
//
//   std::unique_ptr<TSearchJob> job = panel->MakeJob(missingData, seed);
//   if (!job) return;                 // the panel told the user why
//   panel->Observe(*job, view);       // before job->Start(...)
//   // once the job has ended, on the window's thread:
//   TFoundTrees found = panel->Found(*job);
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/FormContext.h"
#include "parsimony/SearchJob.h"

class QGridLayout;
class TBigTreeResults;
class QLineEdit;
class QProgressBar;

// The window's progress widgets, which every kind shares.
struct TSearchProgressView {
    QProgressBar* Bar1 = nullptr;
    QLabel* Status1 = nullptr;  // beside Bar1
    QProgressBar* Bar2 = nullptr;
    QLabel* Status2 = nullptr;  // beside Bar2
    QLabel* Seed = nullptr;
};

// What a finished run hands to the tree results window, or why nothing.
struct TFoundTrees {
    std::vector<QStringList> Rows;  // legend row first
    std::shared_ptr<TParsimonySearch> Population;
    std::shared_ptr<TBigTreeResults> Big;  // past 255 objects, instead of Population
    double Optimum = 0;
    QStringList WidestHow;  // the widest "found by" texts it can show, for the list's last column
    QStringList Protocol;
    // No trees to show: the message, as an error or as information.
    QString Nothing;
    bool NothingIsError = false;
};

class TSearchPanel : public QWidget {
    Q_OBJECT
public:
    TSearchPanel(TFormContext& context, QWidget* parent);

    // The kind's item in the window's list of searches.
    virtual QString Title() const = 0;
    // Reads and checks the settings and the data; null (and the user told
    // why) when the run cannot start.
    virtual std::unique_ptr<TSearchJob> MakeJob(bool missingData, std::uint64_t seed) = 0;
    // Sets the progress widgets for a new run and has the job report to them
    // on the window's thread.
    virtual void Observe(TSearchJob& job, const TSearchProgressView& view) = 0;
    virtual TFoundTrees Found(const TSearchJob& job) const = 0;
    // The data were replaced or edited: choices that depend on them follow.
    virtual void Refresh() {}

protected:
    // A labelled edit in the next row of the panel.
    QLineEdit* AddSetting(const QString& name, const QString& label, const QString& text);
    // Any labelled control in the next row.
    void AddRow(const QString& label, QWidget* control);
    void showEvent(QShowEvent* event) override;
    // The thread count, 1 to the thorough search's maximum; false when told.
    bool ReadThreadCount(const QString& text, int* threads);
    // Whether the tree results window can show the data's trees and the
    // coding is current; false when told.
    bool DataFitResultsWindow(const QString& batchCommand);
    // Whether the coding is current (the data may have any number of
    // objects); false when told.
    bool CodingCurrent();

    TFormContext& Ctx;

private:
    QGridLayout* Grid = nullptr;
};

// Every panel of the window, in the order of its list after the evolutionary search.
std::vector<TSearchPanel*> MakeSearchPanels(TFormContext& context, QWidget* parent);
