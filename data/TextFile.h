#pragma once
// Reading and writing the program's text files: bytes in UTF-8 or
// Windows-1252, cells joined by one tab, lines ended by CR LF.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252.
QString DecodeText(const QByteArray& bytes);

// Cells joined by tabs, every line ended by CR LF, UTF-8 without BOM.
QByteArray EncodeTextTable(const std::vector<QStringList>& rows);
// Every line followed by CR LF.
QByteArray EncodeTextLines(const QStringList& lines);

// Writes through a temporary file so that a failure never destroys the old
// file. On failure returns false and sets *error to a sentence for the user.
bool SaveTextFile(const QString& path, const QByteArray& bytes, QString* error);

// Reads a whole file; on failure returns false and sets *error.
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error, qint64 maxBytes);
