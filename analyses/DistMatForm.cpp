#include "analyses/DistMatForm.h"

TFrmDistMat::TFrmDistMat(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Distance matrix"));
    resize(900, 578);
}
