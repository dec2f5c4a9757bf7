#pragma once

#include "pictureloader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <optional>

// The thumbnail cache that file managers and image viewers of the desktop
// share: PNG files under $XDG_CACHE_HOME/thumbnails in three size classes
// (normal 128, large 256, x-large 512), each named by the MD5 of the
// picture's file:// URI and valid while its "Thumb::URI" and "Thumb::MTime"
// keys match the file. A picture that fails to decode is noted under
// "fail/vellisk-1.0" and not tried again until it changes.
//
// Thumbnails are kept upright, as the other programs keep them; what this
// class hands out and takes in is in the loader's display orientation.
// Every function may run on any thread.
class ThumbnailCache
{
public:
    static constexpr int ClassCount = 3;
    // The longest side of a thumbnail of each class, smallest first.
    static constexpr int Edges[ClassCount] = {128, 256, 512};

    // Under `root` (the "thumbnails" directory); the user's own by default.
    explicit ThumbnailCache(QString root = defaultRoot());
    static QString defaultRoot();

    // Used by the grid and the preview only while switched on (the default).
    static void setEnabled(bool on);
    static bool enabled();

    // The canonical file:// URI of a path (made absolute and clean, bytes
    // outside the unreserved set percent-encoded) and the file name it gives.
    static QByteArray uriOf(const QByteArray &path);
    static QString fileNameOf(const QByteArray &uri);
    QString thumbnailPath(int sizeClass, const QByteArray &path) const;
    QString failurePath(const QByteArray &path) const;

    // The file as a thumbnail records it; nothing for a missing or
    // irregular file.
    struct Stamp
    {
        qint64 mtime = 0;
        qint64 size = 0;
    };
    static std::optional<Stamp> stampOf(const QByteArray &path);

    // The error text of the picture's valid failure note, if it has one.
    std::optional<QString> failure(const QByteArray &path) const;
    // The smallest valid thumbnail that covers `box` (or shows the whole of a
    // smaller picture): ok with source Cached, the picture's size from its
    // header. A valid failure note gives not ok with the error text of the
    // decode that failed. Nothing found: not ok and no error text.
    PictureResult find(const QByteArray &path, QSize box) const;
    // After a decode: the largest class the decoded image fills is written
    // (atomically, mode 600, directories made with mode 700). A failure is
    // noted unless it says nothing about the file (cancelled, no decoder or
    // plugin, over the pixel limit, unreadable). False when nothing was written.
    bool remember(const QByteArray &path, const Stamp &stamp, const PictureResult &decoded) const;

    // The grid's and the preview's load: the cache, else the camera's
    // thumbnail when it covers `box`, else a reduced decode, remembered.
    static PictureResult coverThroughCache(const QByteArray &path, QSize box,
                                           const std::atomic_bool *cancel);

private:
    bool write(const QString &target, const QImage &image, const QByteArray &uri,
               const Stamp &stamp, const QString &error) const;

    QString m_root;
};
