#include "modernsite.h"

#include "picturefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QImage picture(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    const int hue = int(random.bounded(360));
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const QColor c = QColor::fromHsv((hue + x) % 360, 40 + (y * 200) / size.height(),
                                             100 + int(random.bounded(100)));
            line[x] = c.rgb();
        }
    }
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 85);
    return out;
}

// A GIF of the picture's 256-colour reduction (Qt writes no GIF).
QByteArray gifOf(const QImage &image)
{
    return PictureFiles::gifBytes(
        {image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
             .convertToFormat(QImage::Format_RGB32)});
}

// A picture encoded by an outside encoder from a PNG of it; empty on failure.
QByteArray encodedBy(const QString &program, QStringList arguments, const QImage &image,
                     const QString &suffix, QString *error)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.png"));
    const QString out = dir.filePath(QStringLiteral("out") + suffix);
    image.save(in, "PNG");
    arguments << in << (program == QStringLiteral("cwebp") ? QStringLiteral("-o") : QString())
              << out;
    arguments.removeAll(QString());
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") +
                 QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }
    QFile file(out);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString ModernSite::nginxLocations() const
{
    QString text;
    for (auto it = defaultTypes.cbegin(); it != defaultTypes.cend(); ++it)
        text += QStringLiteral("    location %1 { default_type %2; }\n").arg(it.key(), it.value());
    return text;
}

ModernSite ModernSite::generate(const QString &host, const Options &o)
{
    ModernSite site;
    site.host = host;
    site.defaultTypes.insert(QStringLiteral("/photo/"), QStringLiteral("image/webp"));
    const QString a = QStringLiteral("http://") + host;
    auto pagePath = [](int i) {
        return i == 0 ? QStringLiteral("/index.html") : QStringLiteral("/pages/p%1.html").arg(i);
    };
    QList<QByteArray> heads(o.pages);
    QList<QByteArray> bodies(o.pages);
    for (int i = 1; i < o.pages; ++i) {
        // Links over several lines, single-quoted, upper-case names.
        const QByteArray path = pagePath(i).toLatin1();
        const QByteArray link = i % 2 ? QByteArray("<A\n  HREF='" + path + "'>page</A>\n")
                                      : QByteArray("<a href=\"" + path + "\">page</a>\n");
        bodies[(i - 1) / 2] += link;
    }

    auto add = [&](const QString &path, const QByteArray &bytes) {
        site.files.insert(path, bytes);
        site.pictures.insert(a + path, bytes);
    };
    QString *error = &site.error;
    for (int j = 0; j < o.pictures && site.error.isEmpty(); ++j) {
        const int page = j % o.pages;
        const QImage image = picture(QSize(160 + j % 7 * 8, 120), o.seed * 1000 + quint32(j));
        const QString n = QString::number(j);
        QByteArray &body = bodies[page];
        switch (j % 11) {
        case 0: { // a plain JPEG, as pages always had them
            const QString path = QStringLiteral("/img/p") + n + QStringLiteral(".jpg");
            add(path, encoded(image, "JPEG"));
            body += "<img src=\"" + path.toLatin1() + "\" alt=''>\n";
            site.todayURLs.append(a + path);
            break;
        }
        case 1: { // PNG, single-quoted, over two lines
            const QString path = QStringLiteral("/img/p") + n + QStringLiteral(".png");
            add(path, encoded(image, "PNG"));
            body += "<img class='x'\n     src='" + path.toLatin1() + "'>\n";
            break;
        }
        case 2: { // a lazy WebP behind a placeholder
            const QString path = QStringLiteral("/lazy/p") + n + QStringLiteral(".webp");
            add(path, encodedBy(QStringLiteral("cwebp"), {QStringLiteral("-quiet")}, image,
                                QStringLiteral(".webp"), error));
            body += "<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" data-src=\"" +
                    path.toLatin1() + "\">\n";
            break;
        }
        case 3: { // srcset: the largest candidate
            const QString small = QStringLiteral("/set/p") + n + QStringLiteral("-320.jpg");
            const QString large = QStringLiteral("/set/p") + n + QStringLiteral("-1280.jpg");
            site.files.insert(small, encoded(image.scaled(80, 60), "JPEG"));
            add(large, encoded(image, "JPEG"));
            body += "<img src=\"" + large.toLatin1() + "\" srcset=\"" + small.toLatin1() +
                    " 320w, " + large.toLatin1() + " 1280w\" sizes=\"100vw\">\n";
            site.todayURLs.append(a + large);
            break;
        }
        case 4: { // <picture>: the AVIF source, not the WebP or the fallback
            const QString avif = QStringLiteral("/pic/p") + n + QStringLiteral(".avif");
            const QString webp = QStringLiteral("/pic/p") + n + QStringLiteral(".webp");
            const QString jpeg = QStringLiteral("/pic/p") + n + QStringLiteral(".jpg");
            add(avif, encodedBy(QStringLiteral("avifenc"),
                                {QStringLiteral("--speed"), QStringLiteral("10")}, image,
                                QStringLiteral(".avif"), error));
            site.files.insert(webp, encodedBy(QStringLiteral("cwebp"), {QStringLiteral("-quiet")},
                                              image, QStringLiteral(".webp"), error));
            site.files.insert(jpeg, encoded(image, "JPEG"));
            body += "<picture>\n  <source type=\"image/avif\" srcset=\"" + avif.toLatin1() +
                    "\">\n  <source type=\"image/webp\" srcset=\"" + webp.toLatin1() +
                    "\">\n  <img src=\"" + jpeg.toLatin1() + "\">\n</picture>\n";
            site.todayURLs.append(a + jpeg);
            break;
        }
        case 5: { // a CSS background in a style attribute
            const QString path = QStringLiteral("/bg/p") + n + QStringLiteral(".jpg");
            add(path, encoded(image, "JPEG"));
            body += "<div style=\"background-image: url('" + path.toLatin1() + "')\"></div>\n";
            break;
        }
        case 6: { // a CDN address with a query string
            const QString path = QStringLiteral("/cdn/p") + n + QStringLiteral(".jpg");
            site.files.insert(path, encoded(image, "JPEG"));
            // Listed as the page means it: the entity decoded.
            site.pictures.insert(a + path + QStringLiteral("?w=800&q=80"), site.files.value(path));
            body += "<img src=\"" + path.toLatin1() + "?w=800&amp;q=80\">\n";
            break;
        }
        case 7: { // ".jpeg"
            const QString path = QStringLiteral("/img/p") + n + QStringLiteral(".jpeg");
            add(path, encoded(image, "JPEG"));
            body += "<IMG SRC=" + path.toLatin1() + ">\n";
            break;
        }
        case 8: { // the page's own picture
            const QString path = QStringLiteral("/og/p") + n + QStringLiteral(".jpg");
            add(path, encoded(image, "JPEG"));
            heads[page] +=
                "<meta content=\"" + (a + path).toLatin1() + "\" property=\"og:image\">\n";
            break;
        }
        case 9: { // no extension: the server says what it is
            const QString path = QStringLiteral("/photo/p") + n;
            add(path, encodedBy(QStringLiteral("cwebp"), {QStringLiteral("-quiet")}, image,
                                QStringLiteral(".webp"), error));
            body += "<img src=\"" + path.toLatin1() + "\">\n";
            break;
        }
        default: { // a <style> block, and a GIF
            const QString css = QStringLiteral("/hero/p") + n + QStringLiteral(".png");
            add(css, encoded(image, "PNG"));
            heads[page] += "<style>\n.hero" + n.toLatin1() + " {\n  background: #fff url(\"" +
                           css.toLatin1() + "\") no-repeat;\n}\n</style>\n";
            const QString gif = QStringLiteral("/img/p") + n + QStringLiteral(".gif");
            add(gif, gifOf(image));
            site.todayURLs.append(a + gif);
            body += "<img src=\"" + gif.toLatin1() + "\">\n";
            break;
        }
        }
    }
    // What is no picture, or too small to be one worth keeping.
    for (int page = 0; page < o.pages; page += 4) {
        const QString fake = QStringLiteral("/fake/p%1.jpg").arg(page);
        site.files.insert(fake, "<!DOCTYPE html>\n<html><body>Not Found</body></html>\n");
        bodies[page] += "<img src=\"" + fake.toLatin1() + "\">\n";
        site.fakeURLs.append(a + fake);
        site.todayURLs.append(a + fake);
        const QString icon = QStringLiteral("/icons/i%1.png").arg(page);
        site.files.insert(icon, encoded(picture(QSize(16, 16), quint32(page)), "PNG"));
        bodies[page] += "<img src=\"" + icon.toLatin1() + "\" width=16>\n";
        site.tinyURLs.append(a + icon);
    }
    const QString pixel = QStringLiteral("/t/pixel.gif");
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::white);
    site.files.insert(pixel, gifOf(dot));
    bodies[0] += "<img src=\"" + pixel.toLatin1() + "\" width=1 height=1>\n";
    site.tinyURLs.append(a + pixel);
    site.todayURLs.append(a + pixel);

    for (int i = 0; i < o.pages; ++i)
        site.files.insert(pagePath(i), "<!DOCTYPE html>\n<html>\n<head>\n<title>p</title>\n" +
                                           heads[i] + "</head>\n<body>\n" + bodies[i] +
                                           "</body>\n</html>\n");
    for (auto it = site.pictures.cbegin(); it != site.pictures.cend() && site.error.isEmpty();
         ++it) {
        if (it.value().isEmpty())
            site.error = QStringLiteral("no bytes for ") + it.key();
    }
    return site;
}

bool ModernSite::writeTo(const QString &root) const
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = root + it.key();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}
