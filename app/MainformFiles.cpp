// The main window's ways to a data file beside the open dialogs: the list of
// recent files and files dropped on the window.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include "app/Mainform.h"
#include "data/UiServices.h"

void TFrmMain::NoteRecentFile(const QString& path)
{
    Recent.Add(path);
    Recent.Save(Ctx.Ui.Settings());
    FillRecentMenu();
}

void TFrmMain::FillRecentMenu()
{
    RecentFiles1->clear();
    const QStringList& paths = Recent.Paths();
    for (int i = 0; i < paths.size(); ++i) {
        // "&1" gives the keyboard a way in; the full path tells like names apart.
        QAction* a = RecentFiles1->addAction(
            QStringLiteral("&%1  %2").arg(i + 1).arg(QDir::toNativeSeparators(paths[i])), this,
            [this, i] { OpenRecentFile(i); });
        a->setData(paths[i]);
    }
    if (!paths.isEmpty()) {
        RecentFiles1->addSeparator();
        RecentFiles1->addAction(QStringLiteral("Clear list"), this, [this] { ClearRecentFiles(); });
    }
    RecentFiles1->setEnabled(!paths.isEmpty());
}

void TFrmMain::OpenRecentFile(int index)
{
    if (index < 0 || index >= Recent.Paths().size()) return;
    const QString path = Recent.Paths()[index];
    if (!QFileInfo(path).isFile()) {
        Recent.Remove(path);
        Recent.Save(Ctx.Ui.Settings());
        FillRecentMenu();
        Ctx.Ui.ShowError(this, QStringLiteral("The file \"%1\" no longer exists. It has been "
                                              "removed from the recent files.")
                                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    OpenDataFile(path);
}

void TFrmMain::ClearRecentFiles()
{
    Recent.Clear();
    Recent.Save(Ctx.Ui.Settings());
    FillRecentMenu();
}

namespace {
QStringList LocalFiles(const QList<QUrl>& urls)
{
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}
}  // namespace

void TFrmMain::OpenDroppedFiles(const QList<QUrl>& urls)
{
    const QStringList paths = LocalFiles(urls);
    if (paths.isEmpty()) return;
    const QString path = paths.first();
    if (QFileInfo(path).isDir()) {
        Ctx.Ui.ShowError(this, QStringLiteral("\"%1\" is a folder, not a data file.")
                                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (paths.size() > 1) {
        WriteProtocol(QString());
        WriteProtocol(
            QStringLiteral("%1 files were dropped; only the first is opened.").arg(paths.size()));
    }
    OpenDataFile(path);
}

namespace {
// Opens the files after the drop has ended: a message box inside it would
// keep the dragging program waiting.
void OpenLater(TFrmMain* main, const QList<QUrl>& urls)
{
    QMetaObject::invokeMethod(
        main, [main, urls] { main->OpenDroppedFiles(urls); }, Qt::QueuedConnection);
}

// Takes file drops on the protocol for the main window (a text edit would
// insert the file's address as text); other drops stay with the edit.
class TFileDropFilter : public QObject {
public:
    TFileDropFilter(QObject* parent, TFrmMain* main) : QObject(parent), Main(main) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
        if (!drag && event->type() != QEvent::Drop) return false;
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls() || LocalFiles(drop->mimeData()->urls()).isEmpty())
            return false;
        drop->acceptProposedAction();
        if (!drag) OpenLater(Main, drop->mimeData()->urls());
        return true;
    }

private:
    TFrmMain* Main;
};
}  // namespace

void TFrmMain::AcceptFileDrops()
{
    setAcceptDrops(true);
    Memo1->viewport()->installEventFilter(new TFileDropFilter(Memo1, this));
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() && !LocalFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void TFrmMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() && !LocalFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void TFrmMain::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    OpenLater(this, event->mimeData()->urls());
}
