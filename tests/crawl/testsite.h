#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

// A web site made for a crawl: pages that link pages, images of several
// sizes and shapes (some on a second host name), links to other hosts and a
// few broken links. It knows what a crawl of it must find.
struct TestSite
{
    struct Options
    {
        int pages = 60;
        int images = 120;
        int minBytes = 2000;
        int maxBytes = 150000;
        int brokenPages = 2;
        int brokenImages = 2;
        quint32 seed = 1;
        // The start page links a page that the server redirects to another
        // directory, where it links a page and a picture relative to itself.
        bool movedPage = false;
    };

    QString hostA; // "127.0.0.1:port", the start host
    QString hostB; // a second name of the same server
    // Paths (from "/") and bodies of every file the server holds.
    QMap<QString, QByteArray> files;
    QStringList pageURLs; // pages on the start host, all reachable
    QStringList otherHostPageURLs;
    QStringList brokenPageURLs;
    QStringList imageURLs; // images that exist
    QStringList brokenImageURLs;
    QMap<QString, QByteArray> imageBytes; // URL -> body
    QMap<QString, QSize> imageSizes;      // URL -> width x height

    QString startURL() const
    {
        return QStringLiteral("http://") + hostA + QStringLiteral("/index.html");
    }
    static TestSite generate(const QString &hostA, const QString &hostB, const Options &options);
    // The paths the server must redirect (path -> target) for a site made
    // with `options`: known before the server, and so the site's hosts, are.
    static QMap<QString, QString> redirects(const Options &options);
    // Writes the files under `root`; false when one could not be written.
    bool writeTo(const QString &root) const;
};

// A JPEG of `size` padded after its end to exactly `bytes` bytes (or larger
// when the picture itself needs more).
QByteArray makeJpeg(QSize size, int bytes, quint32 seed);
