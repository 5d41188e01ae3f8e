#pragma once
// The criterion choice of the search and support windows: for text files and
// workbooks "Irreversible (Camin-Sokal)" first, the default, which runs as
// the windows always did; for a NEXUS file its types first. With an
// outgroup choice, which only a reversible criterion uses, and a choice of
// how the gaps of a NEXUS file are read, open only when the file has gaps.
//
//   auto* choice = new TCriterionChoice("CbCriterion", "CbOutgroup", parent, "CbGaps");
//   choice->Refresh(model.Criteria, model.DataMatrix, model.ObjectCount);
//   auto coding = SearchCriteria(model.Data(), choice->Chosen(), choice->Gaps());
//   int outgroup = choice->Outgroup();  // object 1..N
#include <QComboBox>
#include <optional>

#include "data/CharacterCriteria.h"
#include "data/Global.h"

class TUiServices;

// For the searches that count Camin-Sokal only: true when no character of
// the model is reversible under chosen (none: the file's types); else
// false after telling the user why, in the batch tool's words.
bool CaminSokalOnly(const TModel& model, std::optional<TCriterion> chosen, const QString& search,
                    const QString& instead, TUiServices& ui, QWidget* parent);

class TCriterionChoice : public QObject {
    Q_OBJECT
public:
    // No outgroup combo when outgroupName is empty, no gap combo when gapName is.
    TCriterionChoice(const QString& criterionName, const QString& outgroupName, QWidget* parent,
                     const QString& gapName = QString());

    QComboBox* Criterion() const { return CbCriterion; }
    QComboBox* OutgroupBox() const { return CbOutgroup; }
    QComboBox* GapBox() const { return CbGaps; }

    // The items for these data; the choices stay while they still fit.
    void Refresh(const TCharacterCriteria& criteria, const TDynStrMatrix& matrix, int objects);
    // None: the file's types.
    std::optional<TCriterion> Chosen() const;
    // The chosen outgroup, object 1..N.
    int Outgroup() const;
    // Whether some character is reversible under the choice.
    bool ReversibleInUse() const;
    // How gaps are read: as missing data unless the file has gaps and the
    // choice says one more state.
    TGapReading Gaps() const;

private:
    void Update();
    QComboBox* CbCriterion = nullptr;
    QComboBox* CbOutgroup = nullptr;
    QComboBox* CbGaps = nullptr;
    bool FileTypes = false;  // the data give types (a NEXUS file)
    bool FileReversible = false;
    QStringList Names;
};
