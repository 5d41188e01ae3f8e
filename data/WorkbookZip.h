#pragma once
// The zip container of .xlsx and .ods files, through libzip. A zip may
// declare any sizes (a 6 KB file declaring a 4 GB part), so every archive is
// checked here before a part is unpacked:
//
//   TZipArchive zip(bytes);
//   if (TStatus fits = zip.Check(maxPart, maxTotal); !fits) return fits.Error();
//   if (zip.Read("content.xml", &xml)) ...
#include <QByteArray>
#include <QString>
#include <memory>

#include "data/Result.h"

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
    // Fails when the archive is damaged or a part would unpack to more than
    // maxPartBytes (or all parts to more than maxTotalBytes).
    TStatus Check(qint64 maxPartBytes, qint64 maxTotalBytes) const;
    bool Contains(const QString& name) const;
    // The unpacked part; false when it is missing or cannot be unpacked.
    bool Read(const QString& name, QByteArray* bytes) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};
