#pragma once
// What every window is given: the model, the desktop services and the
// protocol. Windows never reach each other through it; they offer intent
// methods and signals, and the main window connects them.
//   TFormContext ctx(ui);
//   ctx.ProtocolSink = [&](const QString& line) { memo->appendPlainText(line); };
//   TFrmLoad load(ctx, parent);
#include <functional>

#include "data/DataDocument.h"

class TUiServices;

struct TFormContext {
    explicit TFormContext(TUiServices& ui) : Ui(ui) {}

    // The loaded data; Model is the document's, as every job reads it.
    TDataDocument Document;
    TModel& Model = Document.Model;
    TUiServices& Ui;

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
