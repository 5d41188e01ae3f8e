#pragma once
#include <QWidget>

#include "data/AppContext.h"

class TFrmLoad : public QWidget {
    Q_OBJECT
public:
    TFrmLoad(TAppContext& context, QWidget* parent);

private:
    TAppContext& Ctx;
};
