#include "parsimony/TreeOptForm.h"

TFrmTreeOpt::TFrmTreeOpt(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Trees"));
    resize(973, 602);
}
