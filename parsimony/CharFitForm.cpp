#include "parsimony/CharFitForm.h"

TFrmCharFit::TFrmCharFit(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Compatibility of characters"));
    resize(519, 517);
}
