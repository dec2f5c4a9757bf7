#include "integertext.h"

#include <QStringView>

#include <limits>

bool parseIntegerText(const QString &text, int *value)
{
    QStringView t(text);
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.front() == QLatin1Char('-');
        t = t.mid(1);
    }
    int base = 10;
    if (t.size() > 2 && t[0] == QLatin1Char('0') &&
        (t[1] == QLatin1Char('x') || t[1] == QLatin1Char('X'))) {
        base = 16;
        t = t.mid(2);
    } else if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t = t.mid(1);
    }
    if (t.isEmpty())
        return false;
    qint64 result = 0;
    for (QChar c : t) {
        int digit;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (base == 16 && c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            digit = c.unicode() - 'a' + 10;
        else if (base == 16 && c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            digit = c.unicode() - 'A' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > qint64(std::numeric_limits<quint32>::max()) + 1)
            return false;
    }
    if (negative)
        result = -result;
    // Hexadecimal text names the 32 bits themselves ("0xFFFFFFFF" is -1).
    if (base == 16 && !negative && result <= std::numeric_limits<quint32>::max())
        result = qint32(quint32(result));
    if (result < std::numeric_limits<qint32>::min() || result > std::numeric_limits<qint32>::max())
        return false;
    *value = int(result);
    return true;
}
