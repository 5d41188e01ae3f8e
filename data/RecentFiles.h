#pragma once
// The data files opened last, most recent first, each once, at most eight;
// kept between runs in the program's settings.
//
// Use: `TRecentFiles recent; recent.Load(settings);
//       recent.Add(path); recent.Save(settings);`
#include <QStringList>

class QSettings;

class TRecentFiles {
public:
    static constexpr int MaxCount = 8;

    const QStringList& Paths() const { return List; }
    // Puts the file first (as an absolute, clean path), dropping an earlier
    // entry for the same file and the oldest beyond MaxCount.
    void Add(const QString& path);
    // False when the file was not in the list.
    bool Remove(const QString& path);
    void Clear() { List.clear(); }

    // Reads the list as saved; a list edited by hand is tidied the same way.
    void Load(const QSettings& settings);
    void Save(QSettings& settings) const;

private:
    QStringList List;
};
