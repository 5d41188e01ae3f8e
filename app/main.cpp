#include <QApplication>

#include "app/Mainform.h"
#include "data/UiServices.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VARNO Classic"));
    QApplication::setApplicationDisplayName(QStringLiteral("VARNO Classic"));

    TQtUiServices ui;
    TAppContext context(ui);
    TFrmMain mainWindow(context);
    mainWindow.show();

    // A file named on the command line opens as if chosen in the open dialog.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) mainWindow.OpenDataFile(args.at(1));
    return app.exec();
}
