#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class FileMask;

// Names packed into one buffer, each followed by a NUL: a directory of
// 100,000 files costs a handful of allocations instead of one per name, and
// a name is decoded for display only when a list line shows it.
class NameList
{
public:
    qsizetype size() const { return qsizetype(m_starts.size()); }
    bool isEmpty() const { return m_starts.empty(); }
    const char *at(qsizetype i) const { return m_bytes.constData() + m_starts[size_t(i)]; }
    QString displayName(qsizetype i) const;
    void append(const char *name);
    // Sorts without regard to the case of ASCII letters; other bytes by value.
    void sortCaseless();
    NameList filtered(const FileMask &mask) const;
    QStringList displayNames() const;

private:
    QByteArray m_bytes;
    std::vector<quint32> m_starts;
};

// The entries of one directory as the directory chooser shows them, each
// list sorted without regard to case. Names beginning with "." are left out.
struct DirectoryListing
{
    NameList directories;
    NameList files;
    int error = 0; // errno of opening the directory; 0 when it was read
};

// Reads `path` in one pass of readdir (the entry type comes with the name, so a
// directory of 100,000 files costs no stat per file). `cancelled` is polled now
// and then so that a read that nobody waits for any more ends early.
DirectoryListing readDirectory(const QByteArray &path, const std::function<bool()> &cancelled = {});

// A file mask such as "*.jpg;*.gif;*.bmp": a name matches when it matches any
// of the patterns, without regard to case. "*" and "*.*" match every name.
class FileMask
{
public:
    explicit FileMask(const QString &mask = QString());
    bool matches(const char *nativeName) const;
    bool matches(const QString &name) const;
    bool matchesAll() const { return m_all; }

private:
    bool m_all = false;
    QList<QByteArray> m_suffixes; // "*.jpg" needs no pattern engine: a suffix test
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
