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
// Refuses a target that is not a regular file (see OutputFileRefusal).
bool SaveTextFile(const QString& path, const QByteArray& bytes, QString* error);

// A sentence for the user when path cannot take an output file: a folder, a
// device, a FIFO or a socket (writing through a temporary file would replace
// the node by a regular file). Empty when fine, also when nothing is there yet.
QString OutputFileRefusal(const QString& path);
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

// Reads a whole file; on failure returns false and sets *error.
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error, qint64 maxBytes);
