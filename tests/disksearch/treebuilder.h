#pragma once

// Builds real directory trees for the disk search tests. Names are bytes, so
// trees can hold names that are not valid UTF-8.
#include <QByteArray>
#include <QList>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

class TreeBuilder
{
public:
    TreeBuilder() { QVERIFY(m_dir.isValid()); }
    // Removes by bytes: the temporary directory's own clean-up goes through
    // QString and misses names that are not valid UTF-8.
    ~TreeBuilder()
    {
        ::nftw(
            root().constData(),
            [](const char *path, const struct stat *, int type, FTW *) {
                return type == FTW_DP ? ::rmdir(path) * 0 : ::unlink(path) * 0;
            },
            32, FTW_DEPTH | FTW_PHYS);
    }

    // Root of the tree, without a trailing separator.
    QByteArray root() const { return QFile::encodeName(m_dir.path()); }
    QString rootText() const { return m_dir.path(); }

    // A file of `size` bytes; parent directories are made as needed.
    QByteArray file(const QByteArray &relative, qint64 size = 0, time_t modified = 0) const
    {
        const QByteArray path = root() + '/' + relative;
        makeParents(relative);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            qFatal("cannot create %s", path.constData());
        if (size > 0 && ::ftruncate(fd, size) != 0)
            qFatal("cannot size %s", path.constData());
        ::close(fd);
        if (modified != 0) {
            const struct timespec times[2] = {{modified, 0}, {modified, 0}};
            ::utimensat(AT_FDCWD, path.constData(), times, 0);
        }
        return path;
    }

    QByteArray dir(const QByteArray &relative) const
    {
        makeParents(relative + "/x");
        return root() + '/' + relative;
    }

    QByteArray symlink(const QByteArray &relative, const QByteArray &target) const
    {
        makeParents(relative);
        const QByteArray path = root() + '/' + relative;
        if (::symlink(target.constData(), path.constData()) != 0)
            qFatal("cannot link %s", path.constData());
        return path;
    }

    static bool exists(const QByteArray &path)
    {
        struct stat st;
        return ::lstat(path.constData(), &st) == 0;
    }

    // Names of one directory in the order the system enumerates them.
    static QList<QByteArray> enumerate(const QByteArray &directory)
    {
        QList<QByteArray> names;
        if (DIR *d = ::opendir(directory.constData())) {
            while (const dirent *e = ::readdir(d))
                names.append(QByteArray(e->d_name));
            ::closedir(d);
        }
        return names;
    }

private:
    void makeParents(const QByteArray &relative) const
    {
        const qsizetype slash = relative.lastIndexOf('/');
        if (slash < 0)
            return;
        QByteArray path = root();
        for (const QByteArray &part : relative.left(slash).split('/')) {
            path += '/' + part;
            ::mkdir(path.constData(), 0755);
        }
    }

    QTemporaryDir m_dir;
};

// File permissions bind the superuser only without the capabilities that
// override them. While this lives, the calling thread (and every thread it
// starts) runs without them; `binds()` is false where they cannot be dropped.
class PermissionsBind
{
public:
    PermissionsBind()
    {
        if (::geteuid() != 0) {
            m_binds = true;
            return;
        }
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
        m_binds = m_dropped;
    }
    ~PermissionsBind()
    {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

    bool binds() const { return m_binds; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
    bool m_binds = false;
};
