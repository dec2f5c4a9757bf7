#pragma once

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>

// A web site written the way today's pages are: PNG, WebP and AVIF beside
// JPEG and GIF, ".jpeg" files, CDN addresses with query strings, lazy images
// (data-src), srcset candidates, <picture> sources, CSS backgrounds in style
// attributes and <style> blocks, og:image, an image address without an
// extension, tags over several lines and single-quoted attributes; and what
// must not be listed: an HTML page saved under ".jpg", icons and a 1×1 GIF.
// The WebP and AVIF files are made by the real encoders (cwebp, avifenc).
struct ModernSite
{
    struct Options
    {
        int pages = 12;
        int pictures = 44; // pictures the pages show, of all kinds in turn
        quint32 seed = 1;
    };

    QString host;                    // "127.0.0.1:port"
    QMap<QString, QByteArray> files; // path from "/" -> body
    // Every picture the pages show, as a browser picks it: URL -> bytes.
    QMap<QString, QByteArray> pictures;
    // What must never be listed: the fake ".jpg", the icons, the 1×1 GIF.
    QStringList fakeURLs;
    QStringList tinyURLs;
    // The image URLs the first-run rules (src/href ending in ".jpg" or ".gif")
    // gather, the fake ".jpg" pages among them.
    QStringList todayURLs;
    // Extensionless pictures: path prefix -> Content-Type the server gives.
    QMap<QString, QString> defaultTypes;
    QString error; // why the site could not be made

    QString startURL() const
    {
        return QStringLiteral("http://") + host + QStringLiteral("/index.html");
    }
    // nginx location lines that serve the extensionless paths with their type.
    QString nginxLocations() const;
    static ModernSite generate(const QString &host, const Options &options);
    bool writeTo(const QString &root) const;
};
