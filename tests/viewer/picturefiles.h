#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

// Picture files for the viewer tests, made on the spot.
namespace PictureFiles {

// Four flat quadrants (red, green, blue, yellow from top-left, clockwise),
// so a test can tell which part of a picture it holds.
QImage quadrants(int width, int height);

// Writes `image` as a JPEG (or BMP/ICO by the path's extension); true on success.
bool write(const QString &path, const QImage &image, int quality = 90, bool progressive = false);

// A CMYK JPEG as Adobe writes it (inverted values), made with libjpeg.
bool writeCmykJpeg(const QString &path, int width, int height);

// A valid small JPEG whose frame header claims `width` × `height`.
QByteArray jpegClaiming(int width, int height);

QByteArray readAll(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

// Peak resident memory of this process, in kilobytes (VmHWM).
qint64 peakResidentKb();
// Starts a new peak from the current resident size; false where not supported.
bool resetPeakResident();

inline bool near(QRgb a, QColor b, int tolerance = 24)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance
           && qAbs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace PictureFiles
