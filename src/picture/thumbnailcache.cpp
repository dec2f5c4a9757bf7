#include "thumbnailcache.h"

#include "orientation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

std::atomic_bool g_enabled{true};

const QString KeyURI = QStringLiteral("Thumb::URI");
const QString KeyMTime = QStringLiteral("Thumb::MTime");
const QString KeySize = QStringLiteral("Thumb::Size");
const QString KeySoftware = QStringLiteral("Software");
// The decode's own message, so that a picture not tried again still says why.
const QString KeyError = QStringLiteral("X-Vellisk-Error");
const QString FailureFolder = QStringLiteral("fail/vellisk-1.0");

QString classFolder(int sizeClass)
{
    static const QString names[ThumbnailCache::ClassCount] = {
        QStringLiteral("normal"), QStringLiteral("large"), QStringLiteral("x-large")};
    return names[qBound(0, sizeClass, ThumbnailCache::ClassCount - 1)];
}

// Characters a file:// URI keeps as they are; every other byte is escaped,
// as the desktop's own libraries write these URIs.
bool keptInUri(uchar c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::strchr("!$&'()*+,-./:=@_~", c) != nullptr && c != '\0';
}

// Made with mode 700 where missing; a directory that exists is left as its
// owner made it.
bool makeDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        return QFileInfo(path).isDir();
    if (errno != ENOENT)
        return false;
    const QString parent = QFileInfo(path).path();
    if (parent == path || !makeDirectory(parent))
        return false;
    return ::mkdir(native.constData(), 0700) == 0 || errno == EEXIST;
}

// The thumbnail at `file` when its keys match the picture, else a null image.
// Read whole: QImageReader::text() cuts keys at their first colon, and
// "Thumb::URI" has two; a thumbnail is a few kilobytes.
QImage readValid(const QString &file, const QByteArray &uri, const ThumbnailCache::Stamp &stamp)
{
    QImage image;
    if (!QFile::exists(file) || !image.load(file, "png"))
        return {};
    if (image.text(KeyURI).toUtf8() != uri || image.text(KeyMTime) != QString::number(stamp.mtime))
        return {};
    const QString size = image.text(KeySize);
    if (!size.isEmpty() && size != QString::number(stamp.size))
        return {};
    return image;
}

// The size a thumbnail of the class has for a picture of `picture` (upright):
// the picture fitted into the class's square, never enlarged.
QSize classSize(QSize picture, int edge)
{
    if (picture.width() <= edge && picture.height() <= edge)
        return picture;
    const QSize fitted = picture.scaled(edge, edge, Qt::KeepAspectRatio);
    return {qMax(1, fitted.width()), qMax(1, fitted.height())};
}

// Failures that say nothing about the file itself are not noted.
bool tellsOfFile(const QByteArray &path, const PictureResult &decoded)
{
    if (decoded.ok || decoded.cancelled || decoded.error.isEmpty())
        return false;
    if (decoded.error == PictureLoader::noDecoderText(path))
        return false;
    for (const char *plugin : {"png", "gif", "webp"}) {
        if (decoded.error == PictureLoader::noPluginText(path, plugin))
            return false;
    }
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QSize size = PictureLoader::readSize(path).fullSize;
    return qint64(size.width()) * size.height() <= PictureLoader::maxPixels();
}

} // namespace

ThumbnailCache::ThumbnailCache(QString root) : m_root(std::move(root))
{
}

QString ThumbnailCache::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/thumbnails");
}

void ThumbnailCache::setEnabled(bool on)
{
    g_enabled.store(on);
}

bool ThumbnailCache::enabled()
{
    return g_enabled.load();
}

QByteArray ThumbnailCache::uriOf(const QByteArray &path)
{
    const QByteArray absolute =
        path.startsWith('/') ? path : QFile::encodeName(QDir::currentPath()) + '/' + path;
    QList<QByteArray> parts;
    for (const QByteArray &part : absolute.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    const QByteArray clean = '/' + parts.join('/');
    QByteArray uri = QByteArrayLiteral("file://");
    for (const char byte : clean) {
        const auto c = uchar(byte);
        if (keptInUri(c)) {
            uri.append(byte);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", unsigned(c));
            uri.append(escaped, 3);
        }
    }
    return uri;
}

QString ThumbnailCache::fileNameOf(const QByteArray &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QString ThumbnailCache::thumbnailPath(int sizeClass, const QByteArray &path) const
{
    return m_root + QLatin1Char('/') + classFolder(sizeClass) + QLatin1Char('/') +
           fileNameOf(uriOf(path));
}

QString ThumbnailCache::failurePath(const QByteArray &path) const
{
    return m_root + QLatin1Char('/') + FailureFolder + QLatin1Char('/') + fileNameOf(uriOf(path));
}

std::optional<ThumbnailCache::Stamp> ThumbnailCache::stampOf(const QByteArray &path)
{
    struct stat st
    {
    };
    if (path.isEmpty() || path.contains('\0') || ::stat(path.constData(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return std::nullopt;
    return Stamp{qint64(st.st_mtim.tv_sec), qint64(st.st_size)};
}

std::optional<QString> ThumbnailCache::failure(const QByteArray &path) const
{
    const std::optional<Stamp> stamp = stampOf(path);
    if (!stamp)
        return std::nullopt;
    const QImage note = readValid(failurePath(path), uriOf(path), *stamp);
    if (note.isNull())
        return std::nullopt;
    const QString error = note.text(KeyError);
    return error.isEmpty() ? PictureLoader::cannotOpenText(path) : error;
}

PictureResult ThumbnailCache::find(const QByteArray &path, QSize box) const
{
    PictureResult result;
    const std::optional<Stamp> stamp = stampOf(path);
    if (!stamp)
        return result;
    if (const std::optional<QString> error = failure(path)) {
        result.error = *error;
        result.source = PictureResult::Source::Cached;
        return result;
    }
    const QByteArray uri = uriOf(path);
    // A thumbnail's longest side is its class's edge at most, so a class
    // smaller than the box's longest side can never cover it.
    const int need = qMax(box.width(), box.height());
    int orientation = 0; // read once, when a thumbnail is found
    QSize stored;
    for (int c = 0; c < ClassCount; ++c) {
        if (Edges[c] < need)
            continue;
        QImage image = readValid(thumbnailPath(c, path), uri, *stamp);
        if (image.isNull())
            continue;
        if (orientation == 0) {
            orientation = Orientation::ofFile(path);
            stored = PictureLoader::readSize(path).fullSize;
        }
        if (stored.isEmpty())
            return result;
        // Kept upright; shown as the loader shows the picture.
        const bool upright = PictureLoader::uprightDisplay();
        if (!upright)
            image = Orientation::stored(image, orientation);
        const QSize shown = upright ? Orientation::upright(stored, orientation) : stored;
        const bool covers = image.width() >= box.width() && image.height() >= box.height();
        if (!covers && image.size() != shown)
            continue;
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        result.ok = true;
        result.image = std::move(image);
        result.fullSize = shown;
        result.source = PictureResult::Source::Cached;
        return result;
    }
    return result;
}

bool ThumbnailCache::remember(const QByteArray &path, const Stamp &stamp,
                              const PictureResult &decoded) const
{
    const QByteArray uri = uriOf(path);
    if (!decoded.ok) {
        if (!tellsOfFile(path, decoded))
            return false;
        QImage mark(1, 1, QImage::Format_ARGB32);
        mark.fill(Qt::transparent);
        return write(failurePath(path), mark, uri, stamp, decoded.error);
    }
    if (decoded.source != PictureResult::Source::Decoded || decoded.image.isNull())
        return false;
    QImage image = decoded.image;
    QSize picture = decoded.fullSize;
    if (!PictureLoader::uprightDisplay()) {
        const int orientation = Orientation::ofFile(path);
        image = Orientation::upright(image, orientation);
        picture = Orientation::upright(picture, orientation);
    }
    if (picture.isEmpty())
        return false;
    // The largest class the decode has the pixels for; a rounding pixel short
    // still counts.
    for (int c = ClassCount - 1; c >= 0; --c) {
        const QSize target = classSize(picture, Edges[c]);
        if (image.width() + 1 < target.width() || image.height() + 1 < target.height())
            continue;
        if (image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return write(thumbnailPath(c, path), image, uri, stamp, QString());
    }
    return false;
}

bool ThumbnailCache::write(const QString &target, const QImage &image, const QByteArray &uri,
                           const Stamp &stamp, const QString &error) const
{
    const QString folder = QFileInfo(target).path();
    if (!makeDirectory(folder))
        return false;
    QImage tagged = image;
    tagged.setText(KeyURI, QString::fromLatin1(uri));
    tagged.setText(KeyMTime, QString::number(stamp.mtime));
    tagged.setText(KeySize, QString::number(stamp.size));
    tagged.setText(KeySoftware, QStringLiteral("Vellisk 1.0"));
    if (!error.isEmpty())
        tagged.setText(KeyError, error);
    // Written whole under a passing name (mode 600) and renamed: a reader,
    // ours or another program's, never sees half a thumbnail.
    QTemporaryFile file(folder + QStringLiteral("/.vellisk-XXXXXX.png"));
    if (!file.open())
        return false;
    QImageWriter writer(&file, "png");
    // Qt maps PNG quality to zlib's level (80 gives level 1): written on the
    // decode threads, a fast level keeps the first view as quick as before.
    writer.setQuality(80);
    if (!writer.write(tagged) || !file.flush())
        return false;
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0)
        return false;
    file.setAutoRemove(false);
    return true;
}

PictureResult ThumbnailCache::coverThroughCache(const QByteArray &path, QSize box,
                                                const std::atomic_bool *cancel)
{
    if (!enabled())
        return PictureLoader::decodeThumbnailOrCover(path, box, cancel);
    const ThumbnailCache cache;
    PictureResult found = cache.find(path, box);
    if (found.ok || !found.error.isEmpty())
        return found;
    PictureResult thumbnail = PictureLoader::readThumbnail(path, cancel);
    if (thumbnail.cancelled || (thumbnail.ok && thumbnail.image.width() >= box.width() &&
                                thumbnail.image.height() >= box.height()))
        return thumbnail;
    const std::optional<Stamp> stamp = stampOf(path);
    // Decoded for the class the next look-up of this box will ask for, which
    // may be a little more than the box: a 4:3 picture's 128 class is 96
    // high, short of a 100-pixel cell.
    const QSize shown =
        thumbnail.fullSize.isValid() ? thumbnail.fullSize : PictureLoader::readSize(path).fullSize;
    QSize decodeBox = box;
    for (const int edge : Edges) {
        const QSize target = classSize(shown, edge);
        if (target == shown || (target.width() >= box.width() && target.height() >= box.height())) {
            decodeBox = decodeBox.expandedTo(target);
            break;
        }
    }
    PictureResult result = PictureLoader::decodeToCover(path, decodeBox, cancel);
    if (stamp)
        cache.remember(path, *stamp, result);
    return result;
}
