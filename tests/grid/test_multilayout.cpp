#include "viewer/multilayout.h"

#include <QTest>

class TestMultiLayout : public QObject
{
    Q_OBJECT

private slots:
    void placesCells_data();
    void placesCells();
    void refusesBadCounts_data();
    void refusesBadCounts();
    void titlesOffGiveRowsOfImageHeight();
    void cellWithoutWidth();
};

void TestMultiLayout::placesCells_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("hiritsu");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QPoint>("image");
    QTest::addColumn<QSize>("extent");

    // The design values: 10 to a row, rows 120 high.
    const QSize design(1000, 720);
    QTest::newRow("design cell 0") << 100 << 0 << "6"
                                   << "10" << 0 << QPoint(0, 0) << design;
    QTest::newRow("design cell 9") << 100 << 0 << "6"
                                   << "10" << 9 << QPoint(900, 0) << design;
    QTest::newRow("design cell 10") << 100 << 0 << "6"
                                    << "10" << 10 << QPoint(0, 120) << design;
    QTest::newRow("design cell 59") << 100 << 0 << "6"
                                    << "10" << 59 << QPoint(900, 600) << design;
    // R only bounds R x C: 1 x 5 still places all 60, in 12 rows of 5.
    const QSize narrow(500, 1440);
    QTest::newRow("1x5 cell 4") << 100 << 0 << "1"
                                << "5" << 4 << QPoint(400, 0) << narrow;
    QTest::newRow("1x5 cell 5") << 100 << 0 << "1"
                                << "5" << 5 << QPoint(0, 120) << narrow;
    QTest::newRow("1x5 cell 59") << 100 << 0 << "1"
                                 << "5" << 59 << QPoint(400, 1320) << narrow;
    // Ratio -40: images 60 wide, columns 60 apart.
    QTest::newRow("ratio -40 cell 1") << 100 << -40 << "6"
                                      << "10" << 1 << QPoint(60, 0) << QSize(600, 720);
    QTest::newRow("ratio -40 cell 19") << 100 << -40 << "6"
                                       << "10" << 19 << QPoint(540, 120) << QSize(600, 720);
    QTest::newRow("hex columns") << 50 << 10 << "$3"
                                 << "0x0A" << 11 << QPoint(60, 70) << QSize(600, 420);
}

void TestMultiLayout::placesCells()
{
    QFETCH(int, size);
    QFETCH(int, hiritsu);
    QFETCH(QString, rows);
    QFETCH(QString, columns);
    QFETCH(int, cell);
    QFETCH(QPoint, image);
    QFETCH(QSize, extent);

    MultiLayout::Input input;
    input.size = size;
    input.hiritsu = hiritsu;
    input.rows = rows;
    input.columns = columns;
    const MultiLayout::Result result = MultiLayout::compute(input);
    QVERIFY(result.ok);
    QCOMPARE(result.cells.size(), MultiLayout::CellCount);
    QCOMPARE(result.imageWidth, size + hiritsu);
    QCOMPARE(result.imageHeight, size);
    QCOMPARE(result.cells[cell].image, image);
    QCOMPARE(result.cells[cell].label, image + QPoint(0, size));
    QCOMPARE(result.extent, extent);
}

void TestMultiLayout::refusesBadCounts_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("error");
    const QString tooMany = QStringLiteral("イメージの最大表示個数は ６０ です");
    QTest::newRow("7x9") << "7"
                         << "9" << tooMany;
    QTest::newRow("61x1") << "61"
                          << "1" << tooMany;
    // Two large counts must not wrap round to a small product.
    QTest::newRow("65536x65536") << "65536"
                                 << "65536" << tooMany;
    QTest::newRow("rows not a number") << "abc"
                                       << "10"
                                       << "'abc' は整数ではありません";
    QTest::newRow("columns empty") << "6"
                                   << ""
                                   << "'' は整数ではありません";
    QTest::newRow("columns with a space") << "6"
                                          << "1 0"
                                          << "'1 0' は整数ではありません";
    // The rows are converted before the product is checked.
    QTest::newRow("rows first") << "x"
                                << "99"
                                << "'x' は整数ではありません";
}

void TestMultiLayout::refusesBadCounts()
{
    QFETCH(QString, rows);
    QFETCH(QString, columns);
    QFETCH(QString, error);
    MultiLayout::Input input;
    input.rows = rows;
    input.columns = columns;
    const MultiLayout::Result result = MultiLayout::compute(input);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, error);
    QVERIFY(result.cells.isEmpty());
}

void TestMultiLayout::titlesOffGiveRowsOfImageHeight()
{
    MultiLayout::Input input;
    input.titles = false;
    input.title = 35;
    const MultiLayout::Result result = MultiLayout::compute(input);
    QVERIFY(result.ok);
    QVERIFY(!result.titles);
    QCOMPARE(result.titleHeight, 0);
    QCOMPARE(result.cells[10].image, QPoint(0, 100));
    QCOMPARE(result.cells[59].image, QPoint(900, 500));
    QCOMPARE(result.extent, QSize(1000, 600));
}

void TestMultiLayout::cellWithoutWidth()
{
    // S + A below 1: the cells keep their arithmetic, the extent stays sane.
    MultiLayout::Input input;
    input.size = 50;
    input.hiritsu = -60;
    const MultiLayout::Result result = MultiLayout::compute(input);
    QVERIFY(result.ok);
    QCOMPARE(result.imageWidth, -10);
    QCOMPARE(result.cells[1].image, QPoint(-10, 0));
    QCOMPARE(result.cells[10].image, QPoint(0, 70));
    QVERIFY(result.extent.width() >= 0);
    QCOMPARE(result.extent.height(), 420);

    // No columns at all: every cell starts a row of its own.
    input.hiritsu = 0;
    input.columns = QStringLiteral("0");
    const MultiLayout::Result stacked = MultiLayout::compute(input);
    QVERIFY(stacked.ok);
    QCOMPARE(stacked.cells[0].image, QPoint(0, 70));
    QCOMPARE(stacked.cells[59].image, QPoint(0, 60 * 70));
}

QTEST_APPLESS_MAIN(TestMultiLayout)
#include "test_multilayout.moc"
