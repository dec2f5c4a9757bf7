#include "resultentry.h"

#include <cerrno>
#include <cstdio>

namespace ResultEntry {

void appendHead(QByteArray &out, time_t modified, qint64 size)
{
    struct tm local = {};
    localtime_r(&modified, &local);
    char head[48];
    // yy/MM/dd is always 8 characters, so the date needs no padding.
    const int n = std::snprintf(head, sizeof head, "%02d/%02d/%02d %8lld ", local.tm_year % 100,
                                local.tm_mon + 1, local.tm_mday, static_cast<long long>(size));
    out.append(head, n);
}

void append(QByteArray &out, time_t modified, qint64 size, QByteArrayView path)
{
    appendHead(out, modified, size);
    out.append(path);
}

QByteArray format(time_t modified, qint64 size, QByteArrayView path)
{
    QByteArray line;
    append(line, modified, size, path);
    return line;
}

QByteArray fileName(QByteArrayView line)
{
    if (line.size() <= PathColumn)
        return QByteArray();
    return line.sliced(PathColumn).toByteArray();
}

} // namespace ResultEntry

QString IoErrorText(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return QStringLiteral("ﾌｧｲﾙが見つかりません");
    case ENAMETOOLONG:
    case ENOTDIR:
    case EILSEQ:
        return QStringLiteral("不正なﾌｧｲﾙ名です");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます");
    case EACCES:
    case EPERM:
        return QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    default:
        break;
    }
    return QStringLiteral("I/O ｴﾗｰ (%1)").arg(errnoValue);
}
