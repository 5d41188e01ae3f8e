#include "data/FormLook.h"

#include <QColor>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

void InfoTipBackground(QWidget* w)
{
    QPalette p = w->palette();
    const QPalette tip = QToolTip::palette();
    p.setColor(QPalette::Base, tip.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Window, tip.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, tip.color(QPalette::ToolTipText));
    w->setPalette(p);
}

void AquaBackground(QWidget* w)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor(0, 255, 255));
    w->setPalette(p);
}
