#include "parsimony/forms/SearchPanel.h"

#include <QGridLayout>
#include <QLineEdit>

#include "data/UiServices.h"
#include "parsimony/evolutionary/OptimizeRun.h"
#include "parsimony/forms/FormHelpers.h"
#include "parsimony/thorough/ThoroughSearch.h"

TSearchPanel::TSearchPanel(TFormContext& context, QWidget* parent) : QWidget(parent), Ctx(context)
{
    Grid = new QGridLayout(this);
    Grid->setContentsMargins(0, 0, 0, 0);
    Grid->setColumnStretch(1, 1);
    hide();
}

QLineEdit* TSearchPanel::AddSetting(const QString& name, const QString& label, const QString& text)
{
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    const int row = Grid->rowCount();
    Grid->addWidget(BoldLabel(label, this), row, 0);
    Grid->addWidget(edit, row, 1);
    return edit;
}

void TSearchPanel::AddRow(const QString& label, QWidget* control)
{
    const int row = Grid->rowCount();
    Grid->addWidget(BoldLabel(label, this), row, 0);
    Grid->addWidget(control, row, 1);
}

void TSearchPanel::showEvent(QShowEvent* event)
{
    Refresh();
    QWidget::showEvent(event);
}

bool TSearchPanel::ReadThreadCount(const QString& text, int* threads)
{
    const TResult<int> read = ReadIntegerText(text);
    if (!read) {
        Ctx.Ui.ShowError(this, read.Error());
        return false;
    }
    *threads = *read;
    if (*threads < 1 || *threads > MaxThoroughThreads) {
        Ctx.Ui.ShowError(
            this, QStringLiteral("The number of threads must be 1 to %1.").arg(MaxThoroughThreads));
        return false;
    }
    return true;
}

bool TSearchPanel::DataFitResultsWindow(const QString& batchCommand)
{
    if (Ctx.Model.ObjectCount > MaxParsimonyObjects) {
        Ctx.Ui.ShowError(
            this, QStringLiteral("The tree results window shows trees of at most %1 objects; the "
                                 "data have %2. Run the %3 search with varno-batch %4.")
                      .arg(MaxParsimonyObjects)
                      .arg(Ctx.Model.ObjectCount)
                      .arg(batchCommand == QLatin1String("search") ? QStringLiteral("thorough")
                                                                   : batchCommand,
                           batchCommand));
        return false;
    }
    return CodingCurrent();
}

bool TSearchPanel::CodingCurrent()
{
    if (!CodingFitsData(Ctx.Model)) {
        Ctx.Ui.ShowError(this, CodingOutdated);
        return false;
    }
    return true;
}
