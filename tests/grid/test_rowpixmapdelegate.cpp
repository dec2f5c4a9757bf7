#include "components/rowpixmapdelegate.h"

#include <QListView>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTest>

#include <cstdlib>

// The cached rows must look like the style's own rows, also after a row's
// text or selection changes (a stale picture would show the old text).
class TestRowPixmapDelegate : public QObject
{
    Q_OBJECT
private slots:
    void rowsLookAsTheStyleDrawsThem();
};

namespace {
QImage shot(QListView &view, QAbstractItemDelegate *delegate)
{
    view.setItemDelegate(delegate);
    return view.viewport()->grab().toImage();
}

// The largest difference of one colour channel between two pictures of the
// same size. Edges blended into a pixmap may round one step apart.
int largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}
} // namespace

void TestRowPixmapDelegate::rowsLookAsTheStyleDrawsThem()
{
    QStringListModel model({QStringLiteral("26/12/08    41662 /tmp/a/0001.jpg"),
                            QStringLiteral("0002  開始     http://h/b.jpg"),
                            QStringLiteral("third")});
    QListView view;
    view.setModel(&model);
    view.resize(320, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QStyledItemDelegate plain;
    RowPixmapDelegate cached;

    QVERIFY(largestDifference(shot(view, &cached), shot(view, &plain)) <= 2);
    QVERIFY(largestDifference(shot(view, &cached), shot(view, &plain)) <= 2); // from the cache

    model.setData(model.index(1), QStringLiteral("0002  終了     http://h/b.jpg"));
    view.setCurrentIndex(model.index(2));
    QVERIFY(largestDifference(shot(view, &cached), shot(view, &plain)) <= 2);
    view.setCurrentIndex(model.index(0));
    QVERIFY(largestDifference(shot(view, &cached), shot(view, &plain)) <= 2);
}

QTEST_MAIN(TestRowPixmapDelegate)
#include "test_rowpixmapdelegate.moc"
