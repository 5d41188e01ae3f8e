#include <QApplication>
#include <cstdio>
#include <cstring>

#include "VarnoVersion.h"
#include "app/Mainform.h"
#include "data/UiServices.h"

int main(int argc, char* argv[])
{
    // Answered before any window, so they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("varno " VARNO_VERSION);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::puts(
            "varno: VARNO Classic, phylogenetic reconstruction with character state trees.\n"
            "\n"
            "Usage: varno [FILE]\n"
            "       varno --version\n"
            "\n"
            "FILE (a text, CSV or NEXUS matrix, or an .xls, .xlsx or .ods workbook) is\n"
            "opened as if chosen in the open dialog. The jobs without windows are in\n"
            "varno-batch.");
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VARNO Classic"));
    QApplication::setApplicationDisplayName(QStringLiteral("VARNO Classic"));
    QApplication::setApplicationVersion(QStringLiteral(VARNO_VERSION));

    TQtUiServices ui;
    TAppContext context(ui);
    TFrmMain mainWindow(context);
    mainWindow.show();

    // A file named on the command line opens as if chosen in the open dialog.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) mainWindow.OpenDataFile(args.at(1));
    return app.exec();
}
