#include "data/UiServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
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
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString TQtUiServices::GetSaveFileNameFiltered(QWidget* parent, const QString& caption,
                                               const QString& filters, const QString& initialName,
                                               const QString& defaultSuffix, QString* chosenFilter)
{
    QFileDialog dialog(parent, caption, QString(), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(initialName);
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

bool TQtUiServices::OpenInDefaultApplication(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
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
