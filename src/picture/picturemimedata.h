#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMimeData>

#include <optional>

// Files carried out of the program by drag and drop or the clipboard: their
// file:// addresses as text/uri-list, and the first one's picture as image
// data. The picture is decoded only when a receiver asks for it, so starting
// a drag of many files reads none of them.
class PictureMimeData : public QMimeData
{
    Q_OBJECT
public:
    explicit PictureMimeData(const QList<QByteArray> &paths);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;
    // The file whose picture the image data holds; empty when none has one.
    QByteArray picturePath() const { return m_picture; }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    QByteArray m_picture;
    mutable std::optional<QImage> m_image;
};
