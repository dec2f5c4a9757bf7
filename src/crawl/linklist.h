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

// A list of crawl entries: each row holds its URL's bytes and a status
// byte; the line a view shows, "%4.4d  %-8s %-s" (entry number, status word
// padded to 8 bytes of Shift-JIS, URL), is made only when it is asked for,
// by FormatEntryLine. The URLs stand one after another in large blocks that
// never move, without a heap block of their own each. A hash index over the
// URLs makes the exact-duplicate test constant-time however long the list
// grows. The index holds only a hash tag and a row number per entry and
// compares the URL where it is stored, so a long list costs no second copy
// of every URL and a new URL is almost never compared byte by byte.
class LinkList : public QAbstractListModel
{
    Q_OBJECT
public:
    // Where a crawl is with an entry; the line shows it as "----", "開始",
    // "エラー" or "終了".
    enum Status : quint8 { New, Started, Failed, Done };

    // The line bytes of a row.
    static constexpr int LineRole = Qt::UserRole + 1;

    // `firstNumber`: the entry number of the first line (0 or 1).
    explicit LinkList(int firstNumber, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    qsizetype size() const { return qsizetype(m_rows.size()); }
    int firstNumber() const { return m_firstNumber; }
    // The display text of a line: its number and status word in Shift-JIS,
    // its URL as DecodeWebText reads it.
    QString lineText(qsizetype row) const;
    // The display texts of all lines, in order.
    QStringList texts() const;

    bool containsURL(QByteArrayView url) const;
    // The URL of a row (in range), as it was added; valid until the list is
    // cleared.
    QByteArrayView urlOf(qsizetype row) const;
    Status status(qsizetype row) const { return m_rows[size_t(row)].status; }
    // Views of the row hear of the change; a row out of range is ignored.
    void setStatus(qsizetype row, Status status);
    // Appends `url` as a new entry, numbered after the rows before it,
    // unless a row already holds exactly this URL.
    bool appendEntry(QByteArrayView url);
    // The same with the URL's hash already taken (see hashOf).
    bool appendEntry(QByteArrayView url, quint32 hash);
    quint32 hashOf(QByteArrayView url) const;
    // Where a row was found: a row of another list (the page an image link
    // stood on), or -1 when none was noted. Four bytes a row, only in a list
    // that notes any.
    void setSource(qsizetype row, qint32 source);
    qint32 sourceOf(qsizetype row) const
    {
        return row >= 0 && size_t(row) < m_sources.size() ? m_sources[size_t(row)] : -1;
    }
    // Starts loading the index slot where a URL of this hash is looked up,
    // so that other work can go on while it comes from memory.
    void prefetch(quint32 hash) const
    {
        if (!m_index.empty())
            __builtin_prefetch(m_index.data() + (hash & (m_index.size() - 1)));
    }
    void clear();

    // Between these calls appended rows are announced to views once, at the
    // end, instead of one by one; the lines themselves are there at once.
    void beginBatch();
    void endBatch();

private:
    QByteArray line(qsizetype row) const;
    // The slot holding `url`, or the free slot where it would go.
    size_t probe(QByteArrayView url, quint32 hash) const;
    void growIndex();
    char *store(QByteArrayView bytes);

    struct Row
    {
        const char *url; // in one of m_blocks
        quint32 size;
        Status status;
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
    std::vector<qint32> m_sources;
    int m_indexBits = 0;
    qsizetype m_announced = 0; // rows views know of
    int m_batchDepth = 0;
};

// One line of the URL list or the image list: "%4.4d  %-8s %-s". The number
// widens beyond 9999.
QByteArray FormatEntryLine(qsizetype number, LinkList::Status status, QByteArrayView url);
