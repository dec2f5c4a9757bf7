#include "droptarget.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

DropTarget directory(const QString &path)
{
    return {DropTarget::Kind::Directory, QDir::cleanPath(QFileInfo(path).absoluteFilePath()), {}};
}

} // namespace

bool isWebAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

DropTarget DropTarget::of(const QMimeData &mime)
{
    // The first item decides; a drop starts one run.
    QString what;
    if (mime.hasUrls() && !mime.urls().isEmpty()) {
        const QUrl url = mime.urls().constFirst();
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir())
            return directory(url.toLocalFile());
        const QString address = url.toString(QUrl::FullyEncoded);
        if (isWebAddress(address))
            return {Kind::Url, address, {}};
        what = url.toDisplayString(QUrl::PreferLocalFile);
    } else if (mime.hasText()) {
        const QString text = mime.text().trimmed();
        const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed();
        if (isWebAddress(first))
            return {Kind::Url, first, {}};
        if (QDir::isAbsolutePath(first) && QFileInfo(first).isDir())
            return directory(first);
        what = first;
    }
    DropTarget refused;
    refused.error = QStringLiteral("ドロップできません : ") + what;
    return refused;
}
