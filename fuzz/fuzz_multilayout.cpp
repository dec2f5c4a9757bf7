// The grid layout from whatever the dialog may hold: any rows and columns
// text, any bar positions. It must answer with a message or 60 cells, never
// crash, and never place a cell outside the extent it reports.
#include "viewer/multilayout.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 7)
        return 0;
    MultiLayout::Input input;
    input.size = int(data[0]) * 2;            // 0 to 510: beyond the bar too
    input.hiritsu = int(int8_t(data[1])) * 2; // -256 to 254
    input.title = int(data[2]) % 128;
    input.titles = (data[3] & 1) != 0;
    const size_t split = 4 + (size - 4) * data[3] / 256;
    const QByteArray text(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));
    input.rows = QString::fromUtf8(text.left(qsizetype(split - 4)));
    input.columns = QString::fromUtf8(text.mid(qsizetype(split - 4)));

    const MultiLayout::Result result = MultiLayout::compute(input);
    if (!result.ok) {
        if (result.error.isEmpty() || !result.cells.isEmpty())
            std::abort();
        return 0;
    }
    if (result.cells.size() != MultiLayout::CellCount)
        std::abort();
    for (const MultiLayout::Cell &cell : result.cells) {
        if (cell.image.y() < 0 || cell.label.y() != cell.image.y() + input.size)
            std::abort();
        if (result.imageWidth >= 0 && cell.image.x() >= 0 &&
            cell.image.x() + result.imageWidth > result.extent.width())
            std::abort();
    }
    return 0;
}
