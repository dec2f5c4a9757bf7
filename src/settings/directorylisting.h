#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>

// The entries of one directory as the directory chooser shows them: the
// subdirectories by their native names (to enter them again), the files by
// their display names, each sorted without regard to case. Names beginning
// with "." are left out.
struct DirectoryListing
{
    QList<QByteArray> directories;
    QStringList files;
    int error = 0; // errno of opening the directory; 0 when it was read
};

// Reads `path` in one pass of readdir (the entry type comes with the name, so a
// directory of 100,000 files costs no stat per file). `cancelled` is polled now
// and then so that a read that nobody waits for any more ends early.
DirectoryListing readDirectory(const QByteArray &path,
                               const std::function<bool()> &cancelled = {});

// A file mask such as "*.jpg;*.gif;*.bmp": a name matches when it matches any
// of the patterns, without regard to case. "*" and "*.*" match every name.
class FileMask
{
public:
    explicit FileMask(const QString &mask = QString());
    bool matches(QStringView name) const;
    QStringList filter(const QStringList &names) const;

private:
    bool m_all = false;
    QStringList m_suffixes; // "*.jpg" needs no pattern engine: a suffix test
    QList<QRegularExpression> m_patterns;
};

// An absolute, clean form of a directory path: no "." or ".." parts, no
// doubled or trailing separator except the root "/" itself. A relative path
// is taken from the working directory.
QByteArray cleanDirectoryPath(const QByteArray &path);

// The levels from the root down to `cleanPath`: "/a/b" gives "/", "/a", "/a/b".
QList<QByteArray> pathLevels(const QByteArray &cleanPath);

// The last part of a clean path, "/" for the root.
QByteArray lastPathPart(const QByteArray &cleanPath);

QByteArray joinPath(const QByteArray &directory, const QByteArray &name);

// True when `path` names a directory that can be entered.
bool canEnterDirectory(const QByteArray &path);
