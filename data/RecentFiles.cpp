#include "data/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString Key = QStringLiteral("RecentFiles/Paths");

QString Normal(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool SameFile(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}
}  // namespace

void TRecentFiles::Add(const QString& path)
{
    if (path.isEmpty()) return;
    const QString normal = Normal(path);
    Remove(normal);
    List.prepend(normal);
    while (List.size() > MaxCount) List.removeLast();
}

bool TRecentFiles::Remove(const QString& path)
{
    if (path.isEmpty()) return false;
    const QString normal = Normal(path);
    const qsizetype before = List.size();
    List.removeIf([&](const QString& p) { return SameFile(p, normal); });
    return List.size() != before;
}

void TRecentFiles::Load(const QSettings& settings)
{
    List.clear();
    const QStringList saved = settings.value(Key).toStringList();
    // Oldest first, so that Add leaves the newest in front.
    for (qsizetype i = saved.size() - 1; i >= 0; --i) Add(saved[i]);
}

void TRecentFiles::Save(QSettings& settings) const { settings.setValue(Key, List); }
