#include "data/WorkbookZip.h"

#include <zip.h>

#include <limits>

struct TZipArchive::TImpl {
    zip_t* Archive = nullptr;
    QString OpenError;
    bool ZipLike = false;
    qint64 Size = 0;
};

TZipArchive::TZipArchive(const QByteArray& bytes) : Impl(std::make_unique<TImpl>())
{
    Impl->Size = bytes.size();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    if (source) {
        Impl->Archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!Impl->Archive) zip_source_free(source);  // on success the archive owns it
    }
    // The end-of-directory record sits in the last 64 KB + 22 bytes.
    Impl->ZipLike = Impl->Archive || bytes.startsWith("PK") ||
                    bytes.right(65536 + 22).contains(QByteArray("PK\x05\x06", 4));
    if (!Impl->Archive) Impl->OpenError = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
}

TZipArchive::~TZipArchive()
{
    if (Impl->Archive) zip_discard(Impl->Archive);
}

bool TZipArchive::LooksLikeZip() const { return Impl->ZipLike; }

TStatus TZipArchive::Check(qint64 maxPartBytes, qint64 maxTotalBytes) const
{
    if (!Impl->Archive) {
        return TFailure(QStringLiteral("the zip archive is damaged (%1).").arg(Impl->OpenError));
    }
    const zip_int64_t count = zip_get_num_entries(Impl->Archive, 0);
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(Impl->Archive, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_COMP_SIZE)) {
            return TFailure(
                QStringLiteral("the zip archive is damaged (an entry cannot be read)."));
        }
        if (st.comp_size > static_cast<zip_uint64_t>(Impl->Size)) {
            return TFailure(
                QStringLiteral("the zip archive is damaged (an entry is larger than the file)."));
        }
        if (st.size > static_cast<zip_uint64_t>(maxPartBytes) ||
            (total += static_cast<qint64>(st.size)) > maxTotalBytes) {
            return TFailure(
                QStringLiteral(
                    "the workbook unpacks to more than %1 MB, which is too large to load.")
                    .arg(maxTotalBytes / (1024 * 1024)));
        }
    }
    return {};
}

bool TZipArchive::Contains(const QString& name) const
{
    return Impl->Archive && zip_name_locate(Impl->Archive, name.toUtf8().constData(), 0) >= 0;
}

bool TZipArchive::Read(const QString& name, QByteArray* bytes) const
{
    if (!Impl->Archive) return false;
    const QByteArray entry = name.toUtf8();
    const zip_int64_t index = zip_name_locate(Impl->Archive, entry.constData(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(Impl->Archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        !(st.valid & ZIP_STAT_SIZE) ||
        st.size > static_cast<zip_uint64_t>(std::numeric_limits<int>::max()))
        return false;
    zip_file_t* file = zip_fopen_index(Impl->Archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) return false;
    bytes->resize(static_cast<qsizetype>(st.size));
    const zip_int64_t read = zip_fread(file, bytes->data(), st.size);
    zip_fclose(file);
    return read == static_cast<zip_int64_t>(st.size);
}
