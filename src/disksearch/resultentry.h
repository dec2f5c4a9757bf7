#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMetaType>
#include <QString>

#include <ctime>
#include <vector>

// One line of the result file list: "%8s %8d %s" with the date as yy/MM/dd
// (local time), the size in bytes and the full path. The path starts at the
// 19th character whenever the size fits in 8 digits.
namespace ResultEntry {

constexpr int PathColumn = 18;

// Appends one line (without a line break) to `out`. The path is kept as the
// bytes the file system gave; sizes are 64-bit so a file over 2 GiB is not
// shown with a negative length.
void append(QByteArray &out, time_t modified, qint64 size, QByteArrayView path);
// The date and size columns with their trailing blank; the path goes after.
void appendHead(QByteArray &out, time_t modified, qint64 size);
QByteArray format(time_t modified, qint64 size, QByteArrayView path);

// The path of a line: everything from the 19th character on, untrimmed.
QByteArray fileName(QByteArrayView line);

} // namespace ResultEntry

// The text of an input/output error as the program reports it.
QString IoErrorText(int errnoValue);

// Lines handed from the walk to the list in one go, stored back to back.
struct ResultBatch
{
    QByteArray bytes;
    std::vector<qsizetype> ends; // end offset of each line in `bytes`

    qsizetype count() const { return qsizetype(ends.size()); }
    QByteArrayView line(qsizetype i) const
    {
        const qsizetype begin = i == 0 ? 0 : ends[size_t(i - 1)];
        return QByteArrayView(bytes).sliced(begin, ends[size_t(i)] - begin);
    }
    void clear()
    {
        bytes.clear();
        ends.clear();
    }
};
Q_DECLARE_METATYPE(ResultBatch)
