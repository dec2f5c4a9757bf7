#include "picturemimedata.h"

#include "pictureloader.h"
#include "thumbnailcache.h"

namespace {
const QString UriList = QStringLiteral("text/uri-list");
const QString ImageType = QStringLiteral("application/x-qt-image");
} // namespace

PictureMimeData::PictureMimeData(const QList<QByteArray> &paths)
{
    // Written as bytes: a name that is not UTF-8 keeps its exact bytes.
    QByteArray list;
    for (const QByteArray &path : paths) {
        list += ThumbnailCache::uriOf(path) + "\r\n";
        if (m_picture.isEmpty() && PictureLoader::formatOf(path) != PictureLoader::Format::None)
            m_picture = path;
    }
    if (!list.isEmpty())
        setData(UriList, list);
}

QStringList PictureMimeData::formats() const
{
    QStringList list = QMimeData::formats();
    if (!m_picture.isEmpty())
        list.append(ImageType);
    return list;
}

bool PictureMimeData::hasFormat(const QString &mimeType) const
{
    return formats().contains(mimeType);
}

QVariant PictureMimeData::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (mimeType != ImageType || m_picture.isEmpty())
        return QMimeData::retrieveData(mimeType, type);
    if (!m_image) {
        const PictureResult picture = PictureLoader::decodeFull(m_picture);
        m_image = picture.ok ? picture.image : QImage();
    }
    if (m_image->isNull())
        return {};
    return *m_image;
}
