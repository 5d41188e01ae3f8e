// The search kinds the parsimony window offers beside the evolutionary search.
#include "parsimony/forms/ExactPanel.h"
#include "parsimony/forms/SearchPanel.h"
#include "parsimony/forms/ThoroughPanel.h"

std::vector<TSearchPanel*> MakeSearchPanels(TFormContext& context, QWidget* parent)
{
    return {new TThoroughPanel(context, parent), new TExactPanel(context, parent)};
}
