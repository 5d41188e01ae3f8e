#pragma once
// Everything a window asks of the desktop: file and print dialogs, message
// boxes, the clipboard, the default application for a file and the busy
// cursor. Windows call only this, so tests drive them with a scripted fake.
#include <QString>
#include <memory>

class QSettings;
class QTemporaryDir;
class QWidget;
class QImage;
class QMimeData;
class QPrinter;

class TUiServices {
public:
    TUiServices();
    virtual ~TUiServices();
    TUiServices(const TUiServices&) = delete;
    TUiServices& operator=(const TUiServices&) = delete;

    // The chosen path, or an empty text when the user cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                    const QString& initialPath) = 0;
    // The folder save dialogs start in: the data file's after a load, then the
    // one saved to last.
    QString SaveFolder;
    // Where a save dialog offering initialName starts: a bare name in SaveFolder.
    QString SaveStartPath(const QString& initialName) const;

    // defaultSuffix is appended when the user typed a name without one.
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                    const QString& initialName, const QString& defaultSuffix) = 0;
    // The same with several filters ("A (*.a);;B (*.b)"): *chosenFilter receives
    // the one picked (empty when not known: callers then go by the extension).
    virtual QString GetSaveFileNameFiltered(QWidget* parent, const QString& caption,
                                            const QString& filters, const QString& initialName,
                                            const QString& defaultSuffix, QString* chosenFilter)
    {
        chosenFilter->clear();
        return GetSaveFileName(parent, caption, filters, initialName, defaultSuffix);
    }

    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    virtual void ShowError(QWidget* parent, const QString& text) = 0;

    // Opens the file in the user's default application; false when none could be started,
    // with the system's reason in error.
    virtual bool OpenInDefaultApplication(const QString& path, QString* error) = 0;

    virtual void SetClipboardImage(const QImage& image) = 0;
    // Takes ownership of data.
    virtual void SetClipboardMimeData(QMimeData* data) = 0;

    // The system print dialog on printer; false when cancelled.
    virtual bool RunPrintDialog(QWidget* parent, QPrinter& printer) = 0;

    virtual void SetBusy(bool busy) = 0;

    // What the program remembers between runs (recent files, window places,
    // export choices). The desktop keeps them with the user's settings; any
    // other services keep them in a scratch file of their own, so tests never
    // read or change the user's settings.
    virtual QSettings& Settings();
    // From now on, settings live in this ini file (tests: a later run).
    void UseSettingsFile(const QString& path);

private:
    std::unique_ptr<QTemporaryDir> ScratchDir;
    std::unique_ptr<QSettings> OwnSettings;
};

// The real services on the Qt desktop.
class TQtUiServices final : public TUiServices {
public:
    TQtUiServices();
    ~TQtUiServices() override;
    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                            const QString& initialPath) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                            const QString& initialName, const QString& defaultSuffix) override;
    QString GetSaveFileNameFiltered(QWidget* parent, const QString& caption, const QString& filters,
                                    const QString& initialName, const QString& defaultSuffix,
                                    QString* chosenFilter) override;
    void ShowInformation(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    bool OpenInDefaultApplication(const QString& path, QString* error) override;
    void SetClipboardImage(const QImage& image) override;
    void SetClipboardMimeData(QMimeData* data) override;
    bool RunPrintDialog(QWidget* parent, QPrinter& printer) override;
    void SetBusy(bool busy) override;
    QSettings& Settings() override;

private:
    std::unique_ptr<QSettings> UserSettings;
};

// Keeps the busy cursor for the lifetime of the guard.
class TBusyGuard {
public:
    explicit TBusyGuard(TUiServices& ui) : Ui(ui) { Ui.SetBusy(true); }
    ~TBusyGuard() { Ui.SetBusy(false); }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
    TUiServices& Ui;
};
