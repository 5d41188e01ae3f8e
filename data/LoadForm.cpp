#include "data/LoadForm.h"

TFrmLoad::TFrmLoad(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Check data"));
    resize(568, 316);
}
