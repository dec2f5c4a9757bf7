#include "resultlistmodel.h"

#include "picture/picturemimedata.h"

#include <QFile>

#include <algorithm>
#include <cstring>

ResultListModel::ResultListModel(QObject *parent) : QAbstractListModel(parent)
{
}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count())
        return QVariant();
    const QByteArrayView bytes = line(index.row());
    // Names need not be valid UTF-8; the text shown is only for the eye.
    return QString::fromLocal8Bit(bytes);
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList ResultListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list"), QStringLiteral("application/x-qt-image")};
}

QMimeData *ResultListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.row() < count())
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return nullptr;
    QList<QByteArray> paths;
    paths.reserve(rows.size());
    for (const int row : rows)
        paths.append(fileName(row));
    return new PictureMimeData(paths);
}

Qt::DropActions ResultListModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

QByteArrayView ResultListModel::line(int row) const
{
    if (row < 0 || row >= count())
        return QByteArrayView();
    const qsizetype from = begin(row);
    return QByteArrayView(m_text.data() + from, qsizetype(m_ends[size_t(row)]) - from);
}

void ResultListModel::appendLine(QByteArrayView line)
{
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    m_text.insert(m_text.end(), line.begin(), line.end());
    m_ends.push_back(m_text.size());
    m_longest = qMax(m_longest, line.size());
    endInsertRows();
}

void ResultListModel::appendBatch(const ResultBatch &batch)
{
    if (batch.count() == 0)
        return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + int(batch.count()) - 1);
    const quint64 base = m_text.size();
    m_text.insert(m_text.end(), batch.bytes.begin(), batch.bytes.end());
    qsizetype previous = 0;
    for (const qsizetype end : batch.ends) {
        m_ends.push_back(base + quint64(end));
        m_longest = qMax(m_longest, end - previous);
        previous = end;
    }
    endInsertRows();
}

void ResultListModel::clear()
{
    if (m_ends.empty())
        return;
    beginResetModel();
    // Give the memory back: a list may have held a million lines.
    std::vector<char>().swap(m_text);
    std::vector<quint64>().swap(m_ends);
    m_longest = 0;
    endResetModel();
}

void ResultListModel::removeSortedRows(const std::vector<int> &rows)
{
    if (rows.empty())
        return;
    beginResetModel();
    size_t next = 0; // index into rows
    quint64 write = 0;
    quint64 from = 0; // original start of the current line
    size_t kept = 0;
    for (size_t row = 0; row < m_ends.size(); ++row) {
        const quint64 end = m_ends[row];
        if (next < rows.size() && size_t(rows[next]) == row) {
            ++next;
        } else {
            const quint64 length = end - from;
            if (write != from)
                std::memmove(m_text.data() + write, m_text.data() + from, length);
            write += length;
            m_ends[kept++] = write;
        }
        from = end;
    }
    m_text.resize(write);
    m_ends.resize(kept);
    endResetModel();
}
