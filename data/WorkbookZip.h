#pragma once
// The zip container of .xlsx and .ods files, through libzip. orcus trusts the
// sizes a zip declares (a 6 KB file declaring a 4 GB part made it allocate
// 4 GB and spin for half a minute), so every archive is checked here before
// orcus sees it, and the part-by-part reader takes its parts from here too.
#include <QByteArray>
#include <QString>
#include <memory>

class TZipArchive {
public:
    // The bytes must outlive the archive.
    explicit TZipArchive(const QByteArray& bytes);
    ~TZipArchive();
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    // True when the bytes open as a zip, begin like one or end in a zip
    // directory: damaged archives count (libzip calls them "not a zip").
    bool LooksLikeZip() const;
    // False with a sentence in *error when the archive is damaged or a part
    // would unpack to more than maxPartBytes (or all parts to more than
    // maxTotalBytes).
    bool Check(qint64 maxPartBytes, qint64 maxTotalBytes, QString* error) const;
    // The unpacked part; false when it is missing or cannot be unpacked.
    bool Read(const QString& name, QByteArray* bytes) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
