#include "multilayout.h"

#include "common/integertext.h"

QString MultiLayout::notAnIntegerText(const QString &text)
{
    return QStringLiteral("'%1' は整数ではありません").arg(text);
}

MultiLayout::Result MultiLayout::compute(const Input &input)
{
    Result result;
    int rows = 0;
    int columns = 0;
    if (!parseIntegerText(input.rows, &rows)) {
        result.error = notAnIntegerText(input.rows);
        return result;
    }
    if (!parseIntegerText(input.columns, &columns)) {
        result.error = notAnIntegerText(input.columns);
        return result;
    }
    // In 64 bits: two large counts must not wrap round to a small product.
    if (qint64(rows) * qint64(columns) > CellCount) {
        result.error = tooManyText();
        return result;
    }

    const qint64 s = input.size;
    const qint64 w = s + input.hiritsu;
    const qint64 t = input.titles ? input.title : 0;
    result.ok = true;
    result.imageWidth = int(w);
    result.imageHeight = int(s);
    result.titleHeight = int(t);
    result.titles = input.titles;
    result.cells.reserve(CellCount);

    qint64 c = 0;
    qint64 x = -w;
    qint64 y = 0;
    qint64 right = 0;
    qint64 bottom = 0;
    for (int i = 0; i < CellCount; ++i) {
        ++c;
        x += w;
        if (c > columns) {
            x = 0;
            y += s + t;
            c = 1;
        }
        Cell cell;
        cell.image = QPoint(int(x), int(y));
        cell.label = QPoint(int(x), int(y + s));
        result.cells.append(cell);
        right = qMax(right, x + qMax<qint64>(w, 0));
        bottom = qMax(bottom, y + qMax<qint64>(s, 0) + t);
    }
    result.extent = QSize(int(qMin<qint64>(right, 1 << 24)), int(qMin<qint64>(bottom, 1 << 24)));
    return result;
}
