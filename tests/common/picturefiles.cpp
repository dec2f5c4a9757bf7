#include "picturefiles.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace PictureFiles {

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = width / 2;
    const int h = height / 2;
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, width - w, h, Qt::green);
    painter.fillRect(w, h, width - w, height - h, Qt::blue);
    painter.fillRect(0, h, w, height - h, Qt::yellow);
    return image;
}

QImage photoLike(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    const int shift = int(seed % 97);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(24));
            row[x] = qRgb((x * 255 / width + grain + shift) & 255, (y * 255 / height + grain) & 255,
                          ((x + y) / 40 + grain) & 255);
        }
    }
    return image;
}

bool write(const QString &path, const QImage &image, int quality, bool progressive)
{
    QImageWriter writer(path);
    if (path.endsWith(QStringLiteral("jpg"), Qt::CaseInsensitive) ||
        path.endsWith(QStringLiteral("jpeg"), Qt::CaseInsensitive)) {
        writer.setFormat("jpeg");
        writer.setQuality(quality);
        writer.setProgressiveScanWrite(progressive);
    } else if (path.endsWith(QStringLiteral("ico"), Qt::CaseInsensitive)) {
        writer.setFormat("ico");
    } else if (path.endsWith(QStringLiteral("png"), Qt::CaseInsensitive)) {
        writer.setFormat("png");
    } else {
        writer.setFormat("bmp");
    }
    return writer.write(image);
}

bool writeSampledJpeg(const QString &path, const QImage &source, int sampling, bool progressive,
                      const QByteArray &app1, int quality)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr)
        return false;
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = sampling == 1 ? 1 : 2;
    cinfo.comp_info[0].v_samp_factor = sampling == 4 ? 2 : 1;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = app1.isEmpty();
    jpeg_start_compress(&cinfo, TRUE);
    if (!app1.isEmpty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(app1.constData()),
                          unsigned(app1.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

QByteArray exifPayload(const QByteArray &thumbnail, bool bigEndian)
{
    QByteArray tiff;
    auto put16 = [&](int v) {
        const char b[2] = {char(v & 0xFF), char(v >> 8 & 0xFF)};
        tiff.append(bigEndian ? b[1] : b[0]).append(bigEndian ? b[0] : b[1]);
    };
    auto put32 = [&](quint32 v) {
        if (bigEndian) {
            put16(int(v >> 16));
            put16(int(v & 0xFFFF));
        } else {
            put16(int(v & 0xFFFF));
            put16(int(v >> 16));
        }
    };
    auto entry = [&](int tag, int type, quint32 value) {
        put16(tag);
        put16(type);
        put32(1);
        if (type == 3) {
            put16(int(value));
            put16(0);
        } else {
            put32(value);
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(8);
    // IFD0: orientation only; IFD1 follows at 8 + 18.
    put16(1);
    entry(0x0112, 3, 1);
    put32(26);
    put16(3);
    entry(0x0103, 3, 6);
    entry(0x0201, 4, 68);
    entry(0x0202, 4, quint32(thumbnail.size()));
    put32(0);
    return QByteArray("Exif\0\0", 6) + tiff + thumbnail;
}

QByteArray jpegBytes(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

bool writeCmykJpeg(const QString &path, int width, int height)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    cinfo.write_Adobe_marker = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    // Inverted CMYK for pure red: C=0, M=255, Y=255, K=0 stored as 255 - value.
    std::vector<JSAMPLE> row(size_t(width) * 4);
    for (int x = 0; x < width; ++x) {
        row[size_t(x) * 4 + 0] = 255;
        row[size_t(x) * 4 + 1] = 0;
        row[size_t(x) * 4 + 2] = 0;
        row[size_t(x) * 4 + 3] = 255;
    }
    JSAMPROW pointer = row.data();
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

QByteArray jpegClaiming(int width, int height)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    if (!writer.write(quadrants(16, 16)))
        return {};
    // Baseline frame header: FF C0, length (2), precision (1), height (2), width (2).
    const qsizetype sof = bytes.indexOf(QByteArrayLiteral("\xFF\xC0"));
    if (sof < 0)
        return {};
    bytes[sof + 5] = char(height >> 8);
    bytes[sof + 6] = char(height & 0xFF);
    bytes[sof + 7] = char(width >> 8);
    bytes[sof + 8] = char(width & 0xFF);
    return bytes;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeNative(const QByteArray &path, const QByteArray &bytes)
{
    FILE *file = std::fopen(path.constData(), "wb");
    if (file == nullptr)
        return false;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size());
    return std::fclose(file) == 0 && written;
}

QByteArray gifBytes(const QList<QImage> &frames)
{
    if (frames.isEmpty())
        return {};
    QList<QRgb> palette;
    QHash<QRgb, int> indexOf;
    for (const QImage &frame : frames) {
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                const QRgb colour = frame.pixel(x, y) | 0xFF000000u;
                if (!indexOf.contains(colour)) {
                    if (palette.size() == 256)
                        return {};
                    indexOf.insert(colour, int(palette.size()));
                    palette.append(colour);
                }
            }
        }
    }
    palette.resize(256, qRgb(0, 0, 0));
    QByteArray out("GIF89a");
    auto le16 = [&out](int value) {
        out.append(char(value & 0xFF));
        out.append(char(value >> 8));
    };
    le16(frames.first().width());
    le16(frames.first().height());
    out.append("\xF7\x00\x00", 3); // a global table of 256 colours
    for (const QRgb colour : palette)
        out.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    for (const QImage &frame : frames) {
        out.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8); // 1/10 s a frame
        out.append('\x2C');
        le16(0);
        le16(0);
        le16(frame.width());
        le16(frame.height());
        out.append('\x00');
        out.append('\x08'); // LZW minimum code size
        // 9-bit codes, a clear code before the table would need 10 bits.
        QByteArray codes;
        quint32 bits = 0;
        int count = 0;
        auto put = [&](int code) {
            bits |= quint32(code) << count;
            for (count += 9; count >= 8; count -= 8, bits >>= 8)
                codes.append(char(bits & 0xFF));
        };
        int run = 0;
        put(256);
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                if (++run == 250) {
                    put(256);
                    run = 1;
                }
                put(indexOf.value(frame.pixel(x, y) | 0xFF000000u));
            }
        }
        put(257);
        if (count > 0)
            codes.append(char(bits & 0xFF));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size())).append(block);
        }
        out.append('\x00');
    }
    out.append('\x3B');
    return out;
}

bool hasTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

bool writeWithTool(const QString &path, const QImage &image, const QString &tool,
                   const QStringList &options)
{
    const QString png = path + QStringLiteral(".source.png");
    if (!image.save(png, "png", 100))
        return false;
    QStringList arguments = options;
    if (tool == QStringLiteral("cwebp"))
        arguments << QStringLiteral("-quiet") << png << QStringLiteral("-o") << path;
    else
        arguments << png << path;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(tool, arguments);
    const bool ok = process.waitForFinished(600000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    QFile::remove(png);
    return ok;
}

} // namespace PictureFiles
