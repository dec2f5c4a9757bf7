#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

// Picture files for tests and benchmarks, made on the spot.
namespace PictureFiles {

// Four flat quadrants (red, green, blue, yellow from top-left, clockwise),
// so a test can tell which part of a picture it holds.
QImage quadrants(int width, int height);

// Smooth gradients with grain: about 3 bits a pixel as a JPEG of quality 90,
// as a camera picture is, so the decoder has a photo's work to do. Each seed
// gives a different picture.
QImage photoLike(int width, int height, quint32 seed);

// Writes `image` as a JPEG (or BMP/ICO/PNG by the path's extension); true on success.
bool write(const QString &path, const QImage &image, int quality = 90, bool progressive = false);

// Writes `image` with libjpeg and the given chroma sampling: 1 = 4:4:4,
// 2 = 4:2:2, 4 = 4:2:0. Prefix bytes, when given, are written as a segment
// right after the start marker (an Exif block, for instance).
bool writeSampledJpeg(const QString &path, const QImage &image, int sampling, bool progressive,
                      const QByteArray &app1 = QByteArray(), int quality = 90);

// The payload of an APP1 Exif segment ("Exif\0\0" and a TIFF structure)
// whose second directory points at `thumbnail`, in either byte order.
QByteArray exifPayload(const QByteArray &thumbnail, bool bigEndian);
// `image` as JPEG bytes, to embed as a thumbnail.
QByteArray jpegBytes(const QImage &image, int quality = 90);

// A CMYK JPEG as Adobe writes it (inverted values), made with libjpeg.
bool writeCmykJpeg(const QString &path, int width, int height);

// A valid small JPEG whose frame header claims `width` × `height`.
QByteArray jpegClaiming(int width, int height);

// A GIF of these frames (all of the first one's size, 256 colours at most
// among them); empty when the colours do not fit.
QByteArray gifBytes(const QList<QImage> &frames);

// Encoders run as their own programs: `tool` ("cwebp", "avifenc") makes
// `path` from `image` (handed over as a PNG) with `options` before the files.
bool hasTool(const QString &name);
bool writeWithTool(const QString &path, const QImage &image, const QString &tool,
                   const QStringList &options = {});

bool writeBytes(const QString &path, const QByteArray &bytes);
// The same by the path's own bytes, which need not be valid UTF-8.
bool writeNative(const QByteArray &path, const QByteArray &bytes = QByteArray());

inline bool near(QRgb a, QColor b, int tolerance = 24)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace PictureFiles
