#pragma once

#include "resultentry.h"

#include <QAbstractListModel>

#include <vector>

// The lines of the result file list, stored back to back as bytes with one
// end offset each (about 8 bytes per line on top of the text), so a list of
// a million entries stays small. Display text is made only for the rows a
// view asks for. Lines are only appended or removed, never changed.
class ResultListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ResultListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Lines drag out as their files (text/uri-list, and the first picture).
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    int count() const { return int(m_ends.size()); }
    QByteArrayView line(int row) const;
    // The native path bytes of a line (from its 19th character on).
    QByteArray fileName(int row) const { return ResultEntry::fileName(line(row)); }
    // Longest line in bytes, for the width of the rows.
    qsizetype longestLine() const { return m_longest; }

    void appendLine(QByteArrayView line);
    void appendBatch(const ResultBatch &batch);
    void clear();
    // Removes the given rows (ascending, no repeats) in one pass over the text.
    void removeSortedRows(const std::vector<int> &rows);

private:
    qsizetype begin(int row) const { return row == 0 ? 0 : qsizetype(m_ends[size_t(row - 1)]); }

    std::vector<char> m_text;
    std::vector<quint64> m_ends;
    qsizetype m_longest = 0;
};
