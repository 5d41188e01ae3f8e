#pragma once
// The small files a GoogleTest test reads and writes, and paths into the
// source tree. A write that fails fails the test.
//
//   const QString data = WriteFile(dir, "a.txt", "Name\tC1\r\n");
//   WriteText(dir.filePath("b.txt"), text);
//   EXPECT_EQ(ReadText(path), expected);          // empty when unreadable
//   EXPECT_EQ(out, FileBytes(SourceFile("tests/golden/x.txt")));
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A file of the source tree, by its path from the top.
inline QString SourceFile(const QString& relative)
{
    return QStringLiteral(VARNO_SOURCE_DIR "/") + relative;
}

inline QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The file's bytes; "missing file" when unreadable, so a comparison fails.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing file");
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

inline void WriteText(const QString& path, const QString& text) { WriteBytes(path, text.toUtf8()); }

// The bytes as the file `name` in dir; its path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    WriteBytes(path, bytes);
    return path;
}
