#pragma once
// Reading and writing the program's text files: bytes in UTF-8 or
// Windows-1252, cells joined by one tab, lines ended by CR LF.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "data/Result.h"

// UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252.
QString DecodeText(const QByteArray& bytes);

// Cells joined by tabs, every line ended by CR LF, UTF-8 without BOM.
QByteArray EncodeTextTable(const std::vector<QStringList>& rows);
// Every line followed by CR LF.
QByteArray EncodeTextLines(const QStringList& lines);

// Writes through a temporary file so that a failure never destroys the old
// file. Refuses a target that is not a regular file (see OutputFileRefusal).
TStatus SaveTextFile(const QString& path, const QByteArray& bytes);

// Fails when path cannot take an output file: a folder, a device, a FIFO or a
// socket (writing through a temporary file would replace the node by a
// regular file). Fine when nothing is there yet.
TStatus OutputFileRefusal(const QString& path);
// True when both paths lead to one existing file, compared by device and
// inode: links and different spellings of a path count.
bool IsSameFile(const QString& a, const QString& b);
// Why a write failed, for the user: the system's reason (errorNumber is the
// errno after the failure; reason the device's own text, if any), with the
// file size limit (ulimit -f) named when that stopped it.
QString WriteFailureReason(const QString& reason, int errorNumber);
// "Cannot write "path": " and the reason.
QString WriteErrorText(const QString& path, const QString& reason, int errorNumber);

// Text from a file made fit for a message: control characters (tabs, line
// ends, NUL, escape, ...) are shown as \xNN.
QString PrintableText(const QString& text);

// Reads a whole file (maxBytes > 0: refuses larger ones).
TResult<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes);
