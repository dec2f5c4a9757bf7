#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

// Shift-JIS bytes shown as text (invalid bytes become replacement marks).
QString DecodeShiftJis(QByteArrayView bytes);
QByteArray EncodeShiftJis(const QString &text);
// Page text or a URL as a page wrote it: UTF-8 when the bytes are valid
// UTF-8, as on the pages of today, else Shift-JIS. ASCII reads the same
// either way.
QString DecodeWebText(QByteArrayView bytes);

// One line of the URL list or the image list: "%4.4d  %-8s %-s" (entry
// number, status word padded to 8 bytes, URL). The number widens beyond 9999.
QByteArray FormatEntryLine(qsizetype number, QByteArrayView statusWord, QByteArrayView url);

// A list of entry lines: the lines are the truth (bytes, as formatted); the
// display text is their Shift-JIS reading. The lines stand one after another
// in large blocks that never move, without a heap block of their own each. A hash index over the URLs makes
// the exact-duplicate test constant-time however long the list grows. The
// index holds only a hash tag and a row number per line and compares the
// URL where it stands in its line, so a long list costs no second copy of
// every URL and a new URL is almost never compared byte by byte.
class LinkList : public QAbstractListModel
{
    Q_OBJECT
public:
    // The line bytes of a row.
    static constexpr int LineRole = Qt::UserRole + 1;

    // `firstNumber`: the entry number of the first line (0 or 1).
    explicit LinkList(int firstNumber, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    qsizetype size() const { return qsizetype(m_rows.size()); }
    int firstNumber() const { return m_firstNumber; }
    // The bytes of a line; valid until the list changes.
    QByteArrayView line(qsizetype row) const;
    // The display text of a line: its number and status word in Shift-JIS,
    // its URL as DecodeWebText reads it.
    QString lineText(qsizetype row) const;
    // The display texts of all lines, in order.
    QStringList texts() const;

    bool containsURL(QByteArrayView url) const;
    // The URL of a line as the duplicate test sees it: its tail from the
    // offset given when the line was added.
    QByteArrayView urlOf(qsizetype row) const;
    // Appends the entry line of `url` with `statusWord`, numbered after the
    // lines before it, unless a line already holds exactly this URL.
    bool appendEntry(QByteArrayView url, QByteArrayView statusWord);
    // The same with the URL's hash already taken (see hashOf).
    bool appendEntry(QByteArrayView url, QByteArrayView statusWord, quint32 hash);
    quint32 hashOf(QByteArrayView url) const;
    // Starts loading the index slot where a URL of this hash is looked up,
    // so that other work can go on while it comes from memory.
    void prefetch(quint32 hash) const
    {
        if (!m_index.empty())
            __builtin_prefetch(m_index.data() + (hash & (m_index.size() - 1)));
    }
    // Appends a line that ends in its URL, which starts at `urlOffset`.
    void append(QByteArrayView line, qsizetype urlOffset);
    // Replaces a line whose tail (its URL) stays the same.
    void replaceLine(qsizetype row, QByteArrayView line);
    void clear();

    // Between these calls appended rows are announced to views once, at the
    // end, instead of one by one; the lines themselves are there at once.
    void beginBatch();
    void endBatch();

private:
    // The slot holding `url`, or the free slot where it would go.
    size_t probe(QByteArrayView url, quint32 hash) const;
    void growIndex();
    void appendAt(size_t slot, quint32 hash, QByteArrayView line, qsizetype urlOffset);
    char *store(QByteArrayView line);

    struct Row
    {
        char *data; // in one of m_blocks
        quint32 size;
        quint32 urlOffset; // within the line
    };

    int m_firstNumber;
    size_t m_seed;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    size_t m_blockUsed = 0; // bytes taken in the last block
    size_t m_blockSize = 0;
    std::vector<Row> m_rows;
    // Open addressing over 2^m_indexBits slots, at most three quarters full. A slot is
    // 0 when free, else the row + 1 in its low m_indexBits bits and the
    // URL hash's bits above those as a tag, so that a probe rarely reads a
    // line. Four bytes a slot keep the index small enough to stay in cache
    // longer; the rows' full hashes let it grow without rereading lines.
    std::vector<quint32> m_index;
    std::vector<quint32> m_rowHashes;
    int m_indexBits = 0;
    qsizetype m_announced = 0; // rows views know of
    int m_batchDepth = 0;
};
