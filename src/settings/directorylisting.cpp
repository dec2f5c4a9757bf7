#include "directorylisting.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Sorting by a folded key computed once is several times quicker than a
// case-insensitive comparison inside the sort.
template<typename T>
void sortByFoldedName(QList<T> &items, const std::function<QString(const T &)> &nameOf)
{
    std::vector<std::pair<QString, T>> keyed;
    keyed.reserve(size_t(items.size()));
    for (T &item : items)
        keyed.emplace_back(nameOf(item).toCaseFolded(), std::move(item));
    std::sort(keyed.begin(), keyed.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    items.clear();
    items.reserve(qsizetype(keyed.size()));
    for (auto &entry : keyed)
        items.append(std::move(entry.second));
}

bool isDirectoryEntry(int dirFd, const dirent *entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    // A link to a directory is a directory to the user; the file system that
    // gives no type needs a stat.
    struct stat st;
    return fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

DirectoryListing readDirectory(const QByteArray &path, const std::function<bool()> &cancelled)
{
    DirectoryListing listing;
    DIR *dir = opendir(path.constData());
    if (dir == nullptr) {
        listing.error = errno;
        return listing;
    }
    const int fd = dirfd(dir);
    int sinceCheck = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (cancelled && ++sinceCheck == 4096) {
            sinceCheck = 0;
            if (cancelled())
                break;
        }
        const QByteArray name(entry->d_name);
        if (isDirectoryEntry(fd, entry))
            listing.directories.append(name);
        else
            listing.files.append(QFile::decodeName(name));
    }
    closedir(dir);
    sortByFoldedName<QByteArray>(listing.directories,
                                 [](const QByteArray &n) { return QFile::decodeName(n); });
    sortByFoldedName<QString>(listing.files, [](const QString &n) { return n; });
    return listing;
}

FileMask::FileMask(const QString &mask)
{
    const QStringList parts = mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &raw : parts) {
        const QString part = raw.trimmed();
        if (part == QLatin1String("*") || part == QLatin1String("*.*")) {
            m_all = true;
        } else if (part.startsWith(QLatin1String("*.")) && part.indexOf(QLatin1Char('*'), 1) < 0
                   && part.indexOf(QLatin1Char('?')) < 0 && part.indexOf(QLatin1Char('[')) < 0) {
            m_suffixes.append(part.mid(1));
        } else if (!part.isEmpty()) {
            m_patterns.append(QRegularExpression::fromWildcard(part, Qt::CaseInsensitive));
        }
    }
}

bool FileMask::matches(QStringView name) const
{
    if (m_all)
        return true;
    for (const QString &suffix : m_suffixes) {
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    }
    for (const QRegularExpression &re : m_patterns) {
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

QStringList FileMask::filter(const QStringList &names) const
{
    if (m_all)
        return names;
    QStringList kept;
    for (const QString &name : names) {
        if (matches(name))
            kept.append(name);
    }
    return kept;
}

QByteArray cleanDirectoryPath(const QByteArray &path)
{
    QByteArray absolute = path;
    if (!absolute.startsWith('/'))
        absolute = QFile::encodeName(QDir::currentPath()) + '/' + absolute;
    QList<QByteArray> parts;
    for (const QByteArray &part : absolute.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QByteArray clean;
    for (const QByteArray &part : parts)
        clean += '/' + part;
    return clean.isEmpty() ? QByteArray("/") : clean;
}

QList<QByteArray> pathLevels(const QByteArray &cleanPath)
{
    QList<QByteArray> levels{QByteArray("/")};
    qsizetype from = 1;
    while (from < cleanPath.size()) {
        qsizetype slash = cleanPath.indexOf('/', from);
        if (slash < 0)
            slash = cleanPath.size();
        levels.append(cleanPath.left(slash));
        from = slash + 1;
    }
    return levels;
}

QByteArray lastPathPart(const QByteArray &cleanPath)
{
    if (cleanPath == "/")
        return cleanPath;
    return cleanPath.mid(cleanPath.lastIndexOf('/') + 1);
}

QByteArray joinPath(const QByteArray &directory, const QByteArray &name)
{
    if (directory.endsWith('/'))
        return directory + name;
    return directory + '/' + name;
}

bool canEnterDirectory(const QByteArray &path)
{
    struct stat st;
    return stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && access(path.constData(), X_OK) == 0;
}
