#include "linklist.h"

#include <QHashFunctions>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>

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

QByteArray FormatEntryLine(qsizetype number, LinkList::Status status, QByteArrayView url)
{
    static const std::array<QByteArray, 4> words = {
        EncodeShiftJis(QStringLiteral("----")), EncodeShiftJis(QStringLiteral("開始")),
        EncodeShiftJis(QStringLiteral("エラー")), EncodeShiftJis(QStringLiteral("終了"))};
    Q_ASSERT(size_t(status) < words.size());
    const QByteArrayView word = words[size_t(status)];

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

    const qsizetype width = qMax<qsizetype>(word.size(), 8);
    QByteArray line(qsizetype(end - at) + 2 + width + 1 + url.size(), Qt::Uninitialized);
    char *out = line.data();
    out = std::copy(at, end, out);
    *out++ = ' ';
    *out++ = ' ';
    out = std::copy(word.begin(), word.end(), out);
    out = std::fill_n(out, width - word.size(), ' ');
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
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return lineText(index.row());
    if (role == LineRole)
        return line(index.row());
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
    // The number and the status word are Shift-JIS; the URL is as the page
    // wrote it.
    return DecodeShiftJis(FormatEntryLine(row + m_firstNumber, status(row), {})) +
           DecodeWebText(urlOf(row));
}

QByteArray LinkList::line(qsizetype row) const
{
    return FormatEntryLine(row + m_firstNumber, status(row), urlOf(row));
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

QByteArrayView LinkList::urlOf(qsizetype row) const
{
    const Row &r = m_rows[size_t(row)];
    return QByteArrayView(r.url, qsizetype(r.size));
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
    for (size_t row = 0; row < m_rowHashes.size(); ++row) {
        const quint32 hash = m_rowHashes[row];
        size_t at = hash & mask;
        while (m_index[at] != 0)
            at = (at + 1) & mask;
        m_index[at] = (hash & ~rowMask) | quint32(row + 1);
    }
}

bool LinkList::appendEntry(QByteArrayView url)
{
    return appendEntry(url, hashOf(url));
}

bool LinkList::appendEntry(QByteArrayView url, quint32 hash)
{
    // One probe serves both the test and the insertion: on a long list each
    // probe is a likely cache miss.
    if ((m_rows.size() + 1) * 4 > m_index.size() * 3)
        growIndex();
    const size_t slot = probe(url, hash);
    if (m_index[slot] != 0)
        return false;
    m_rows.push_back(Row{store(url), quint32(url.size()), New});
    m_rowHashes.push_back(hash);
    const auto row = quint32(m_rows.size() - 1);
    m_index[slot] = (hash & ~quint32(m_index.size() - 1)) | (row + 1);

    if (m_batchDepth > 0)
        return true;
    beginInsertRows(QModelIndex(), int(row), int(row));
    m_announced = size();
    endInsertRows();
    return true;
}

char *LinkList::store(QByteArrayView bytes)
{
    // Blocks are filled and never moved or grown, so a long list costs no
    // copying; a URL longer than a block gets a block of its own.
    constexpr size_t BlockSize = 64 * 1024;
    const auto size = size_t(bytes.size());
    if (m_blocks.empty() || m_blockSize - m_blockUsed < size) {
        m_blockSize = qMax(BlockSize, size);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char *at = m_blocks.back().get() + m_blockUsed;
    std::copy(bytes.begin(), bytes.end(), at);
    m_blockUsed += size;
    return at;
}

void LinkList::setStatus(qsizetype row, Status status)
{
    if (row < 0 || row >= size())
        return;
    m_rows[size_t(row)].status = status;
    if (row < m_announced) {
        const QModelIndex at = index(int(row));
        emit dataChanged(at, at, {Qt::DisplayRole, LineRole});
    }
}

void LinkList::setSource(qsizetype row, qint32 source)
{
    if (row < 0 || row >= size())
        return;
    if (m_sources.size() <= size_t(row))
        m_sources.resize(size_t(row) + 1, -1);
    m_sources[size_t(row)] = source;
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
    m_sources.clear();
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
