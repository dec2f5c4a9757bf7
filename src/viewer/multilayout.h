#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// The grid of the multi-image window: where each of the 60 cells goes for
// the values of the layout dialog. Cells run left to right, C to a row,
// with no gap; each row is S + T pixels high and a title sits under its image.
class MultiLayout
{
public:
    static constexpr int CellCount = 60;

    struct Input
    {
        int size = 100;                         // S: image height
        int hiritsu = 0;                        // A: the image is S + A wide
        QString rows = QStringLiteral("6");     // R, as typed
        QString columns = QStringLiteral("10"); // C, as typed
        bool titles = true;
        int title = 20; // T when titles are on
    };

    struct Cell
    {
        QPoint image; // top-left of the image
        QPoint label; // top-left of the title
    };

    struct Result
    {
        bool ok = false;
        QString error;      // the message when not ok; nothing may move then
        int imageWidth = 0; // S + A, may be below 1
        int imageHeight = 0;
        int titleHeight = 0; // T, 0 with titles off
        bool titles = true;
        QList<Cell> cells;
        QSize extent; // right and bottom edge of everything placed
    };

    static Result compute(const Input &input);

    static QString tooManyText() { return QStringLiteral("イメージの最大表示個数は ６０ です"); }
    static QString notAnIntegerText(const QString &text);
};
