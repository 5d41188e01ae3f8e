#pragma once
// What the windows share: the model, the desktop services and each other.
// TFrmMain creates every window once, in this order, and fills the pointers.
#include "data/Global.h"

#include <functional>

class TUiServices;
class TFrmMain;
class TFrmImport;
class TFrmCST;
class TFrmLoad;
class TFrmDistMat;
class TFrmTreeOpt;
class TFrmOptimize;
class TFrmCharFit;

struct TAppContext {
    explicit TAppContext(TUiServices& ui) : Ui(ui) {}

    TModel Model;
    TUiServices& Ui;

    TFrmMain* FrmMain = nullptr;
    TFrmImport* FrmImport = nullptr;
    TFrmCST* FrmCST = nullptr;
    TFrmLoad* FrmLoad = nullptr;
    TFrmDistMat* FrmDistMat = nullptr;
    TFrmTreeOpt* FrmTreeOpt = nullptr;
    TFrmOptimize* FrmOptimize = nullptr;
    TFrmCharFit* FrmCharFit = nullptr;

    // The files last chosen in the text and the workbook open dialogs.
    QString TextFileName;
    QString WorkbookFileName;

    // Appends one line to the protocol of the main window.
    std::function<void(const QString&)> ProtocolSink;
    void WriteProtocol(const QString& line) const
    {
        if (ProtocolSink) ProtocolSink(line);
    }
    void WriteProtocol(const QStringList& lines) const
    {
        for (const QString& line : lines) WriteProtocol(line);
    }
};
