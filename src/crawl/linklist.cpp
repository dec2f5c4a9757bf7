#include "linklist.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QHashFunctions>

#include <algorithm>

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

QString DecodeWebText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? DecodeShiftJis(bytes) : text;
}

QByteArray EncodeShiftJis(const QString &text)
{
    QStringEncoder encoder(ShiftJis);
    return encoder.encode(text);
}

QByteArray FormatEntryLine(qsizetype number, QByteArrayView statusWord, QByteArrayView url)
{
    // Digits by hand: this runs once per listed link.
    char digits[24];
    char *end = digits + sizeof digits;
    char *at = end;
    const bool negative = number < 0;
    quint64 value = negative ? quint64(0) - quint64(number) : quint64(number);
    do {
        *--at = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (end - at < 4)
        *--at = '0';
    if (negative)
        *--at = '-';

    const qsizetype width = qMax<qsizetype>(statusWord.size(), 8);
    QByteArray line(qsizetype(end - at) + 2 + width + 1 + url.size(), Qt::Uninitialized);
    char *out = line.data();
    out = std::copy(at, end, out);
    *out++ = ' ';
    *out++ = ' ';
    out = std::copy(statusWord.begin(), statusWord.end(), out);
    out = std::fill_n(out, width - statusWord.size(), ' ');
    *out++ = ' ';
    std::copy(url.begin(), url.end(), out);
    return line;
}

LinkList::LinkList(int firstNumber, QObject *parent)
    : QAbstractListModel(parent), m_firstNumber(firstNumber), m_seed(QHashSeed::globalSeed())
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
    const QByteArrayView bytes = line(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return lineText(index.row());
    if (role == LineRole)
        return bytes.toByteArray();
    return QVariant();
}

QStringList LinkList::texts() const
{
    QStringList result;
    result.reserve(size());
    for (qsizetype row = 0; row < size(); ++row)
        result.append(lineText(row));
    return result;
}

QString LinkList::lineText(qsizetype row) const
{
    const QByteArrayView bytes = line(row);
    const QByteArrayView url = urlOf(row);
    if (url.isEmpty() || !bytes.endsWith(url))
        return DecodeShiftJis(bytes);
    return DecodeShiftJis(bytes.first(bytes.size() - url.size())) + DecodeWebText(url);
}

quint32 LinkList::hashOf(QByteArrayView url) const
{
    const auto full = quint64(qHash(url, m_seed));
    return quint32(full ^ (full >> 32));
}

size_t LinkList::probe(QByteArrayView url, quint32 hash) const
{
    const size_t mask = m_index.size() - 1;
    const quint32 rowMask = quint32((quint64(1) << m_indexBits) - 1);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const quint32 slot = m_index[at];
        if (slot == 0)
            return at;
        if ((slot & ~rowMask) == (hash & ~rowMask) && urlOf((slot & rowMask) - 1) == url)
            return at;
    }
}

QByteArrayView LinkList::line(qsizetype row) const
{
    const Row &r = m_rows[size_t(row)];
    return QByteArrayView(r.data, qsizetype(r.size));
}

QByteArrayView LinkList::urlOf(qsizetype row) const
{
    const Row &r = m_rows[size_t(row)];
    return QByteArrayView(r.data + r.urlOffset, qsizetype(r.size - r.urlOffset));
}

bool LinkList::containsURL(QByteArrayView url) const
{
    if (m_index.empty())
        return false;
    return m_index[probe(url, hashOf(url))] != 0;
}

void LinkList::growIndex()
{
    m_indexBits = qMax(6, m_indexBits + 1);
    Q_ASSERT(m_indexBits < 32);
    m_index.assign(size_t(1) << m_indexBits, 0);
    const size_t mask = m_index.size() - 1;
    const quint32 rowMask = quint32(mask);
    // In row order, so that of two equal URLs the first row is found first.
    for (size_t row = 0; row < m_rowHashes.size(); ++row) {
        const quint32 hash = m_rowHashes[row];
        size_t at = hash & mask;
        while (m_index[at] != 0)
            at = (at + 1) & mask;
        m_index[at] = (hash & ~rowMask) | quint32(row + 1);
    }
}

bool LinkList::appendEntry(QByteArrayView url, QByteArrayView statusWord)
{
    return appendEntry(url, statusWord, hashOf(url));
}

bool LinkList::appendEntry(QByteArrayView url, QByteArrayView statusWord, quint32 hash)
{
    // One probe serves both the test and the insertion: on a long list each
    // probe is a likely cache miss.
    if ((m_rows.size() + 1) * 4 > m_index.size() * 3)
        growIndex();
    const size_t slot = probe(url, hash);
    if (m_index[slot] != 0)
        return false;
    const QByteArray line = FormatEntryLine(size() + m_firstNumber, statusWord, url);
    appendAt(slot, hash, line, line.size() - url.size());
    return true;
}

void LinkList::append(QByteArrayView line, qsizetype urlOffset)
{
    if ((m_rows.size() + 1) * 4 > m_index.size() * 3)
        growIndex();
    urlOffset = qBound<qsizetype>(0, urlOffset, line.size());
    const QByteArrayView url = line.sliced(urlOffset);
    const quint32 hash = hashOf(url);
    appendAt(probe(url, hash), hash, line, urlOffset);
}

char *LinkList::store(QByteArrayView line)
{
    // Blocks are filled and never moved or grown, so a long list costs no
    // copying; a line longer than a block gets a block of its own.
    constexpr size_t BlockSize = 64 * 1024;
    const auto size = size_t(line.size());
    if (m_blocks.empty() || m_blockSize - m_blockUsed < size) {
        m_blockSize = qMax(BlockSize, size);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char *at = m_blocks.back().get() + m_blockUsed;
    std::copy(line.begin(), line.end(), at);
    m_blockUsed += size;
    return at;
}

void LinkList::appendAt(size_t slot, quint32 hash, QByteArrayView line, qsizetype urlOffset)
{
    m_rows.push_back(Row{store(line), quint32(line.size()), quint32(urlOffset)});
    m_rowHashes.push_back(hash);
    const auto row = quint32(m_rows.size() - 1);
    // A URL listed twice keeps its first row in the index.
    if (m_index[slot] == 0)
        m_index[slot] = (hash & ~quint32(m_index.size() - 1)) | (row + 1);

    if (m_batchDepth > 0)
        return;
    beginInsertRows(QModelIndex(), int(row), int(row));
    m_announced = size();
    endInsertRows();
}

void LinkList::replaceLine(qsizetype row, QByteArrayView line)
{
    if (row < 0 || row >= size())
        return;
    Row &r = m_rows[size_t(row)];
    const quint32 urlSize = r.size - r.urlOffset;
    if (line.size() == qsizetype(r.size)) {
        // The usual case: a status word of the same width, rewritten in place.
        std::copy(line.begin(), line.end(), r.data);
    } else {
        r.data = store(line);
    }
    r.size = quint32(line.size());
    r.urlOffset = quint32(qMax<qsizetype>(0, line.size() - urlSize));
    if (row < m_announced) {
        const QModelIndex at = index(int(row));
        emit dataChanged(at, at, {Qt::DisplayRole, LineRole});
    }
}

void LinkList::clear()
{
    beginResetModel();
    m_blocks.clear();
    m_blockUsed = 0;
    m_blockSize = 0;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowHashes.clear();
    m_index.clear();
    m_indexBits = 0;
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
    if (size() > m_announced) {
        beginInsertRows(QModelIndex(), int(m_announced), int(size() - 1));
        m_announced = size();
        endInsertRows();
    }
}
