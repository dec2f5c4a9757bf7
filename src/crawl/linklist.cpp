#include "linklist.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// Windows code page 932, the Shift-JIS of the program's texts.
constexpr const char *ShiftJis = "windows-31j";
} // namespace

QString DecodeShiftJis(QByteArrayView bytes)
{
    // Opening a converter costs far more than one short line; keep one per
    // thread. Stateless: a cut-off byte at a line end does not leak into the
    // next line.
    thread_local QStringDecoder decoder(ShiftJis, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray EncodeShiftJis(const QString &text)
{
    QStringEncoder encoder(ShiftJis);
    return encoder.encode(text);
}

QByteArray FormatEntryLine(qsizetype number, QByteArrayView statusWord, QByteArrayView url)
{
    QByteArray digits = QByteArray::number(number);
    QByteArray line;
    line.reserve(qMax<qsizetype>(digits.size(), 4) + 3 + qMax<qsizetype>(statusWord.size(), 8)
                 + url.size());
    if (number >= 0 && digits.size() < 4)
        line.append(4 - digits.size(), '0');
    line.append(digits).append("  ").append(statusWord);
    if (statusWord.size() < 8)
        line.append(8 - statusWord.size(), ' ');
    line.append(' ').append(url);
    return line;
}

LinkList::LinkList(int firstNumber, QObject *parent)
    : QAbstractListModel(parent), m_firstNumber(firstNumber)
{
}

int LinkList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_announced);
}

QVariant LinkList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_announced)
        return QVariant();
    const QByteArray &bytes = m_lines.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return DecodeShiftJis(bytes);
    if (role == LineRole)
        return bytes;
    return QVariant();
}

QStringList LinkList::texts() const
{
    QStringList result;
    result.reserve(m_lines.size());
    for (const QByteArray &bytes : m_lines)
        result.append(DecodeShiftJis(bytes));
    return result;
}

void LinkList::append(const QByteArray &line, const QByteArray &url)
{
    m_urls.insert(url);
    if (m_batchDepth > 0) {
        m_lines.append(line);
        return;
    }
    const int row = int(m_lines.size());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.append(line);
    m_announced = m_lines.size();
    endInsertRows();
}

void LinkList::replaceLine(qsizetype row, const QByteArray &line)
{
    if (row < 0 || row >= m_lines.size())
        return;
    m_lines[row] = line;
    if (row < m_announced) {
        const QModelIndex at = index(int(row));
        emit dataChanged(at, at, {Qt::DisplayRole, LineRole});
    }
}

void LinkList::clear()
{
    beginResetModel();
    m_lines.clear();
    m_urls.clear();
    m_announced = 0;
    endResetModel();
}

void LinkList::beginBatch()
{
    ++m_batchDepth;
}

void LinkList::endBatch()
{
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return;
    if (m_lines.size() > m_announced) {
        beginInsertRows(QModelIndex(), int(m_announced), int(m_lines.size() - 1));
        m_announced = m_lines.size();
        endInsertRows();
    }
}
