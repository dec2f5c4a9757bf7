#include "testsite.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

QByteArray makeJpeg(QSize size, int bytes, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((x * 255) / qMax(1, size.width()), (y * 255) / qMax(1, size.height()),
                           int(random.bounded(256)));
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 80);
    // Bytes after the end marker are ignored by every reader.
    if (out.size() < bytes)
        out.append(QByteArray(bytes - out.size(), '\0'));
    return out;
}

TestSite TestSite::generate(const QString &hostA, const QString &hostB, const Options &o)
{
    TestSite site;
    site.hostA = hostA;
    site.hostB = hostB;
    QRandomGenerator random(o.seed);
    const QString a = QStringLiteral("http://") + hostA;
    const QString b = QStringLiteral("http://") + hostB;

    // Page 0 is index.html; the others sit in two directories and are reached
    // through a tree of links written relative, rooted and absolute.
    auto pagePath = [](int i) -> QString {
        if (i == 0)
            return QStringLiteral("/index.html");
        return (i % 2 ? QStringLiteral("/d1/p") : QStringLiteral("/d2/p")) +
               QString::asprintf("%04d.html", i);
    };
    QList<QByteArray> bodies(o.pages);
    for (int i = 0; i < o.pages; ++i) {
        bodies[i] = "<html><head><title>p</title></head><body>\n";
        site.pageURLs.append(a + pagePath(i));
    }
    for (int i = 1; i < o.pages; ++i) {
        const int parent = (i - 1) / 2;
        const QString path = pagePath(i);
        QByteArray link;
        switch (i % 3) {
        case 0:
            link = path.toLatin1();
            break; // rooted
        case 1:
            link = (a + path).toLatin1();
            break; // absolute
        default:
            link = ".." + path.toLatin1();
            break; // relative
        }
        if (parent == 0 && link.startsWith(".."))
            link = path.toLatin1().mid(1);
        bodies[parent] += "<a href=\"" + link + "\">page</a>\n";
    }
    for (int i = 0; i < o.pages; i += 7) {
        const QString other = b + pagePath(i);
        bodies[i] += "<a href=" + other.toLatin1() + ">other host</a>\n";
        if (!site.otherHostPageURLs.contains(other))
            site.otherHostPageURLs.append(other);
    }
    for (int k = 0; k < o.brokenPages; ++k) {
        const QString path = QStringLiteral("/missing%1.html").arg(k);
        bodies[(k * 5) % o.pages] += "<a href=" + path.toLatin1() + ">gone</a>\n";
        site.brokenPageURLs.append(a + path);
    }

    static const QSize shapes[] = {{64, 48}, {48, 64}, {90, 30}, {60, 30}, {40, 40}, {89, 30}};
    for (int j = 0; j < o.images; ++j) {
        const bool onB = j % 10 == 9;
        const QString path =
            QStringLiteral("/img/%1/i%2.jpg").arg(j % 4).arg(j, 4, 10, QLatin1Char('0'));
        const QString url = (onB ? b : a) + path;
        const QSize size = shapes[j % 6];
        const int bytes = o.minBytes + int(random.bounded(quint32(o.maxBytes - o.minBytes + 1)));
        const QByteArray jpeg = makeJpeg(size, bytes, o.seed * 1000 + quint32(j));
        site.files.insert(path, jpeg);
        site.imageURLs.append(url);
        site.imageBytes.insert(url, jpeg);
        site.imageSizes.insert(url, size);
        // Images in img tags, some in links to the picture itself; those on
        // the second host written absolute or scheme-relative.
        const QByteArray link = !onB          ? path.toLatin1()
                                : j % 20 == 9 ? url.toLatin1()
                                              : "//" + hostB.toLatin1() + path.toLatin1();
        if (j % 5 == 0)
            bodies[j % o.pages] += "<a href=\"" + link + "\">pic</a>\n";
        else
            bodies[j % o.pages] += "<img src=\"" + link + "\">\n";
    }
    for (int k = 0; k < o.brokenImages; ++k) {
        const QString path = QStringLiteral("/img/missing%1.jpg").arg(k);
        bodies[(k * 3 + 1) % o.pages] += "<img src=" + path.toLatin1() + ">\n";
        site.brokenImageURLs.append(a + path);
    }
    if (o.movedPage) {
        bodies[0] += "<a href=\"/moved.html\">moved</a>\n";
        site.files.insert(
            QStringLiteral("/gallery/index.html"),
            "<html><body><a href=\"more.html\">more</a><img src=\"pic.jpg\"></body></html>\n");
        site.files.insert(QStringLiteral("/gallery/more.html"), "<html><body>more</body></html>\n");
        site.pageURLs << a + QStringLiteral("/moved.html")
                      << a + QStringLiteral("/gallery/more.html");
        const QString picture = a + QStringLiteral("/gallery/pic.jpg");
        const QByteArray jpeg = makeJpeg(QSize(64, 48), 30000, o.seed);
        site.files.insert(QStringLiteral("/gallery/pic.jpg"), jpeg);
        site.imageURLs.append(picture);
        site.imageBytes.insert(picture, jpeg);
        site.imageSizes.insert(picture, QSize(64, 48));
    }
    for (int i = 0; i < o.pages; ++i)
        site.files.insert(pagePath(i), bodies[i] + "</body></html>\n");
    return site;
}

QMap<QString, QString> TestSite::redirects(const Options &options)
{
    if (!options.movedPage)
        return {};
    return {{QStringLiteral("/moved.html"), QStringLiteral("/gallery/index.html")}};
}

bool TestSite::writeTo(const QString &root) const
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = root + it.key();
        if (!QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/')))))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}
