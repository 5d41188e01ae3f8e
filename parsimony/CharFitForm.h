#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmCharFit : public QWidget {
    Q_OBJECT
public:
    TFrmCharFit(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
