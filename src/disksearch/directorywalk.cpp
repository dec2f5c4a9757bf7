#include "directorywalk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ExtensionFilters extensionFilters(bool jpeg, bool gif, bool bmp)
{
    ImageTypes types;
    types.jpeg = jpeg;
    types.gif = gif;
    types.bmp = bmp;
    return extensionFilters(types);
}

ExtensionFilters extensionFilters(const ImageTypes &types)
{
    const auto when = [](bool on, const char *extension) {
        return on ? QByteArray(extension) : QByteArray();
    };
    const bool aliases = types.jpeg && types.jpegAlias;
    return {when(types.jpeg, ".jpg"), when(types.gif, ".gif"),   when(types.bmp, ".bmp"),
            when(types.png, ".png"),  when(types.webp, ".webp"), when(types.avif, ".avif"),
            when(aliases, ".jpeg"),   when(aliases, ".jpe"),     when(aliases, ".jfif")};
}

QByteArray searchRootFor(const QString &directoryText)
{
    QByteArray root = QFile::encodeName(directoryText);
    if (root != "/")
        root.append('/');
    return root;
}

bool matchesExtension(const char *name, size_t length, const ExtensionFilters &filters)
{
    const void *dot = memrchr(name, '.', length);
    if (dot == nullptr)
        return false;
    const char *ext = static_cast<const char *>(dot);
    const size_t extLength = length - size_t(ext - name);
    for (const QByteArray &filter : filters) {
        if (filter.isEmpty() || size_t(filter.size()) != extLength)
            continue;
        size_t i = 0;
        for (; i < extLength; ++i) {
            char c = ext[i];
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
            if (c != filter[qsizetype(i)])
                break;
        }
        if (i == extLength)
            return true;
    }
    return false;
}

DirectoryWalk::DirectoryWalk(QByteArray searchRoot, ExtensionFilters filters)
    : m_root(std::move(searchRoot)), m_filters(std::move(filters))
{
}

void DirectoryWalk::setBatchLimits(int lines, std::chrono::milliseconds interval)
{
    m_batchLines = qMax(1, lines);
    m_batchInterval = interval;
}

void DirectoryWalk::run()
{
    m_found = 0;
    m_listed = 0;
    m_stopped = false;
    m_cancelled = false;
    m_path = m_root;
    m_batch.clear();
    m_batchStart = std::chrono::steady_clock::now();
    const int fd = ::open(m_root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        WalkDirectory(fd);
    if (!m_cancelled)
        flush();
}

bool DirectoryWalk::WalkDirectory(int fd)
{
    DIR *dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return true;
    }
    const int dirFd = ::dirfd(dir);
    // Sparse matches still reach the list while a big tree is walked.
    flushIfDue();
    bool goOn = true;
    while (const dirent *entry = ::readdir(dir)) {
        if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed)) {
            m_cancelled = true;
            goOn = false;
            break;
        }
        const char *name = entry->d_name;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                type = DT_DIR;
        }
        if (type == DT_DIR) {
            if (name[0] == '.')
                continue;
            if (m_stopCheck && m_stopCheck()) {
                m_stopped = true;
                goOn = false;
                break;
            }
            // O_NOFOLLOW: a directory swapped for a link after readdir is not entered either.
            const int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                continue;
            const qsizetype keep = m_path.size();
            m_path.append(name).append('/');
            goOn = WalkDirectory(sub);
            m_path.truncate(keep);
            if (!goOn)
                break;
            continue;
        }
        const size_t length = std::strlen(name);
        if (matchesExtension(name, length, m_filters))
            AddFileEntry(dirFd, name, length);
    }
    ::closedir(dir);
    return goOn;
}

void DirectoryWalk::AddFileEntry(int dirFd, const char *name, size_t length)
{
    struct stat st;
    if (::fstatat(dirFd, name, &st, 0) != 0) {
        reportError(name, length, errno);
        return;
    }
    // A link to a directory is not entered; fifos and devices are not pictures.
    if (!S_ISREG(st.st_mode))
        return;
    // Listed files are those this process may read: the size alone can be had
    // from a file that cannot be opened. The kernel's own check for the
    // effective user (modes, ACLs, capabilities) costs half an open and close.
    if (::faccessat(dirFd, name, R_OK, AT_EACCESS) != 0) {
        reportError(name, length, errno);
        return;
    }
    ++m_found;
    ++m_listed;
    ResultEntry::appendHead(m_batch.bytes, st.st_mtim.tv_sec, qint64(st.st_size));
    m_batch.bytes.append(m_path).append(name, qsizetype(length));
    m_batch.ends.push_back(m_batch.bytes.size());
    if (m_batch.count() >= m_batchLines || (m_batch.count() & 63) == 0)
        flushIfDue();
}

void DirectoryWalk::reportError(const char *name, size_t length, int error)
{
    // The lines before it reach the list first, so the two stay in walk order.
    flush();
    if (m_onError)
        m_onError(m_path + QByteArray(name, qsizetype(length)), error);
}

void DirectoryWalk::flushIfDue()
{
    if (m_batch.count() >= m_batchLines ||
        (m_batch.count() > 0 && std::chrono::steady_clock::now() - m_batchStart >= m_batchInterval))
        flush();
}

void DirectoryWalk::flush()
{
    if (m_batch.count() > 0 && m_onBatch)
        m_onBatch(m_batch);
    m_batch.clear();
    m_batchStart = std::chrono::steady_clock::now();
}
