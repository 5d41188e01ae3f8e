#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmOptimize : public QWidget {
    Q_OBJECT
public:
    TFrmOptimize(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
