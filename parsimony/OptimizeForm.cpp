#include "parsimony/OptimizeForm.h"

TFrmOptimize::TFrmOptimize(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Camin - Sokal parsimony"));
    resize(481, 223);
}
