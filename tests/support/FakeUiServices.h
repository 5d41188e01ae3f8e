#pragma once
// Scripted desktop services for window tests: dialogs answer from queues
// (an empty answer means "cancel"), messages and clipboard contents are recorded.
#include <QImage>
#include <QMimeData>
#include <QPrinter>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <memory>

#include "data/UiServices.h"

class TFakeUiServices final : public TUiServices {
public:
    struct TDialogCall {
        QString Caption, Filter, InitialName, DefaultSuffix;
        QString StartPath;  // where the real dialog would start
    };

    QQueue<QString> OpenAnswers;  // each open dialog takes the next answer
    QQueue<QString> SaveAnswers;  // each save dialog takes the next answer
    QList<TDialogCall> OpenCalls, SaveCalls;
    QStringList Informations, Errors, OpenedInApplication;
    bool DefaultApplicationAvailable = true;
    QImage ClipboardImage;
    std::unique_ptr<QMimeData> ClipboardData;
    // Answers the print dialog; may set up the printer (e.g. a PDF output file).
    std::function<bool(QPrinter&)> PrintAnswer = [](QPrinter&) { return false; };
    int BusyDepth = 0;
    // Runs when a message box would be shown (e.g. to answer a nested dialog).
    std::function<void()> OnMessage;

    QString GetOpenFileName(QWidget*, const QString& caption, const QString& filter,
                            const QString& initialPath) override
    {
        OpenCalls.append({caption, filter, initialPath, {}, {}});
        return OpenAnswers.isEmpty() ? QString() : OpenAnswers.dequeue();
    }
    QString GetSaveFileName(QWidget*, const QString& caption, const QString& filter,
                            const QString& initialName, const QString& defaultSuffix) override
    {
        SaveCalls.append({caption, filter, initialName, defaultSuffix, SaveStartPath(initialName)});
        return SaveAnswers.isEmpty() ? QString() : SaveAnswers.dequeue();
    }
    // The filter each save dialog with several filters reports as picked
    // (none queued: none reported, callers go by the extension).
    QQueue<QString> SaveFilterAnswers;
    QString GetSaveFileNameFiltered(QWidget* parent, const QString& caption, const QString& filters,
                                    const QString& initialName, const QString& defaultSuffix,
                                    QString* chosenFilter) override
    {
        *chosenFilter = SaveFilterAnswers.isEmpty() ? QString() : SaveFilterAnswers.dequeue();
        return GetSaveFileName(parent, caption, filters, initialName, defaultSuffix);
    }
    void ShowInformation(QWidget*, const QString& text) override
    {
        Informations.append(text);
        if (OnMessage) OnMessage();
    }
    void ShowError(QWidget*, const QString& text) override
    {
        Errors.append(text);
        if (OnMessage) OnMessage();
    }
    QString DefaultApplicationError = QStringLiteral("no application for this file");
    bool OpenInDefaultApplication(const QString& path, QString* error) override
    {
        OpenedInApplication.append(path);
        if (!DefaultApplicationAvailable) *error = DefaultApplicationError;
        return DefaultApplicationAvailable;
    }
    void SetClipboardImage(const QImage& image) override { ClipboardImage = image; }
    void SetClipboardMimeData(QMimeData* data) override { ClipboardData.reset(data); }
    bool RunPrintDialog(QWidget*, QPrinter& printer) override { return PrintAnswer(printer); }
    void SetBusy(bool busy) override { BusyDepth += busy ? 1 : -1; }
};
