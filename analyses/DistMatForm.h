#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmDistMat : public QWidget {
    Q_OBJECT
public:
    TFrmDistMat(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
