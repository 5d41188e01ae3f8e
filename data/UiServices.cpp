#include "data/UiServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

TUiServices::TUiServices() = default;
TUiServices::~TUiServices() = default;

QSettings& TUiServices::Settings()
{
    if (!OwnSettings) {
        ScratchDir = std::make_unique<QTemporaryDir>();
        OwnSettings = std::make_unique<QSettings>(
            ScratchDir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
    return *OwnSettings;
}

void TUiServices::UseSettingsFile(const QString& path)
{
    OwnSettings = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QString TUiServices::SaveStartPath(const QString& initialName) const
{
    if (SaveFolder.isEmpty() || initialName.contains(QLatin1Char('/')) ||
        QFileInfo(initialName).isAbsolute())
        return initialName;
    return QDir(SaveFolder).filePath(initialName);
}

TQtUiServices::TQtUiServices() = default;
TQtUiServices::~TQtUiServices() = default;

QSettings& TQtUiServices::Settings()
{
    if (!UserSettings)
        UserSettings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                   QStringLiteral("VARNO Classic"),
                                                   QStringLiteral("VARNO Classic"));
    return *UserSettings;
}

QString TQtUiServices::GetOpenFileName(QWidget* parent, const QString& caption,
                                       const QString& filter, const QString& initialPath)
{
    return QFileDialog::getOpenFileName(parent, caption, initialPath, filter);
}

QString TQtUiServices::GetSaveFileName(QWidget* parent, const QString& caption,
                                       const QString& filter, const QString& initialName,
                                       const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(SaveStartPath(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    SaveFolder = QFileInfo(dialog.selectedFiles().first()).absolutePath();
    return dialog.selectedFiles().first();
}

QString TQtUiServices::GetSaveFileNameFiltered(QWidget* parent, const QString& caption,
                                               const QString& filters, const QString& initialName,
                                               const QString& defaultSuffix, QString* chosenFilter)
{
    QFileDialog dialog(parent, caption, QString(), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(SaveStartPath(initialName));
    // A name typed without an extension gets the picked format's.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            const qsizetype star = filter.indexOf(QStringLiteral("*."));
            if (star >= 0)
                dialog.setDefaultSuffix(
                    filter.mid(star + 2).section(QRegularExpression(QStringLiteral("[ )]")), 0, 0));
        });
    chosenFilter->clear();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    *chosenFilter = dialog.selectedNameFilter();
    SaveFolder = QFileInfo(dialog.selectedFiles().first()).absolutePath();
    return dialog.selectedFiles().first();
}

void TQtUiServices::ShowInformation(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QGuiApplication::applicationDisplayName(), text);
}

void TQtUiServices::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), text);
}

bool TQtUiServices::OpenInDefaultApplication(const QString& path, QString* error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open starts even when no application takes the file and tells so only by
    // its exit code, which the desktop services ignore. Not parented: an editor run
    // in xdg-open's foreground outlives the program.
    auto* opener = new QProcess;
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->start(QStringLiteral("xdg-open"), {absolute});
    if (!opener->waitForStarted()) {
        *error = QStringLiteral("xdg-open: ") + opener->errorString();
        delete opener;
        return false;
    }
    if (!opener->waitForFinished(3000)) {
        // Still running: the application it started runs in its foreground.
        QObject::connect(opener, &QProcess::readyReadStandardError, opener,
                         [opener] { opener->readAllStandardError(); });
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    if (!opened) {
        *error = QString::fromLocal8Bit(opener->readAllStandardError()).trimmed();
        if (error->isEmpty())
            *error = QStringLiteral("xdg-open ended with code %1").arg(opener->exitCode());
    }
    delete opener;
    return opened;
#else
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(absolute))) return true;
    *error = QStringLiteral("the system has no application registered for this file");
    return false;
#endif
}

void TQtUiServices::SetClipboardImage(const QImage& image)
{
    QGuiApplication::clipboard()->setImage(image);
}

void TQtUiServices::SetClipboardMimeData(QMimeData* data)
{
    QGuiApplication::clipboard()->setMimeData(data);
}

bool TQtUiServices::RunPrintDialog(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void TQtUiServices::SetBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
