#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>

// Shift-JIS bytes shown as text (invalid bytes become replacement marks).
QString DecodeShiftJis(QByteArrayView bytes);
QByteArray EncodeShiftJis(const QString &text);

// One line of the URL list or the image list: "%4.4d  %-8s %-s" (entry
// number, status word padded to 8 bytes, URL). The number widens beyond 9999.
QByteArray FormatEntryLine(qsizetype number, QByteArrayView statusWord, QByteArrayView url);

// A list of entry lines: the lines are the truth (bytes, as formatted); the
// display text is their Shift-JIS reading. A hash of the URLs makes the
// exact-duplicate test constant-time however long the list grows.
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

    qsizetype size() const { return m_lines.size(); }
    int firstNumber() const { return m_firstNumber; }
    const QByteArray &line(qsizetype row) const { return m_lines.at(row); }
    const QList<QByteArray> &lines() const { return m_lines; }
    // The display texts of all lines, in order.
    QStringList texts() const;

    bool containsURL(const QByteArray &url) const { return m_urls.contains(url); }
    // Appends a line whose URL (as the duplicate test sees it) is `url`.
    void append(const QByteArray &line, const QByteArray &url);
    // Replaces a line in place; its URL must stay the same.
    void replaceLine(qsizetype row, const QByteArray &line);
    void clear();

    // Between these calls appended rows are announced to views once, at the
    // end, instead of one by one; the lines themselves are there at once.
    void beginBatch();
    void endBatch();

private:
    int m_firstNumber;
    QList<QByteArray> m_lines;
    QSet<QByteArray> m_urls;
    qsizetype m_announced = 0; // rows views know of
    int m_batchDepth = 0;
};
