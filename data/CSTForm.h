#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmCST : public QWidget {
    Q_OBJECT
public:
    TFrmCST(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
