#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmTreeOpt : public QWidget {
    Q_OBJECT
public:
    TFrmTreeOpt(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
