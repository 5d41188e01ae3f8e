#include "data/CSTForm.h"

TFrmCST::TFrmCST(TAppContext& context, QWidget* parent) : QWidget(parent, Qt::Window), Ctx(context)
{
    setWindowTitle(QStringLiteral("Character state tree"));
    resize(176, 243);
}
