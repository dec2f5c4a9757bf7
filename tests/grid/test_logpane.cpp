#include "components/logpane.h"

#include <QTest>

// Lines reach the control late but never lost, reordered or resurrected.
class TestLogPane : public QObject
{
    Q_OBJECT
private slots:
    void hiddenPaneKeepsLinesUntilShown();
    void shownPaneCatchesUpInOrder();
    void clearingDropsWaitingLines();
    void longBacklogArrivesWholeAndInOrder();
};

void TestLogPane::hiddenPaneKeepsLinesUntilShown()
{
    LogPane pane;
    pane.appendLine(QStringLiteral("one"));
    pane.appendLine(QStringLiteral("二"));
    QCoreApplication::processEvents();
    QCOMPARE(pane.toPlainText(), QString()); // not laid out while nobody sees it
    pane.show();
    QCOMPARE(pane.toPlainText(), QStringLiteral("one\n二"));
    pane.hide();
    pane.appendLine(QStringLiteral("three"));
    QCOMPARE(pane.text(), QStringLiteral("one\n二\nthree"));
}

void TestLogPane::shownPaneCatchesUpInOrder()
{
    LogPane pane;
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QStringList expected;
    for (int i = 0; i < 30; ++i) {
        expected << QStringLiteral("line %1").arg(i);
        pane.appendLine(expected.last());
        if (i % 7 == 0)
            QTest::qWait(20);
    }
    QTRY_COMPARE(pane.toPlainText(), expected.join(QLatin1Char('\n')));
    QCOMPARE(pane.blockCount(), 30);
}

void TestLogPane::clearingDropsWaitingLines()
{
    LogPane pane;
    pane.appendLine(QStringLiteral("old"));
    pane.clearLog();
    pane.appendLine(QStringLiteral("new"));
    pane.show();
    QCOMPARE(pane.toPlainText(), QStringLiteral("new"));
    pane.clearLog();
    QCOMPARE(pane.text(), QString());
}

// Opening the pane after a long hidden crawl adds the backlog piece by piece;
// a reader who asks for the text meanwhile still gets all of it.
void TestLogPane::longBacklogArrivesWholeAndInOrder()
{
    LogPane pane;
    QStringList expected;
    for (int i = 0; i < 12000; ++i) {
        expected << QString::number(i);
        pane.appendLine(expected.last());
    }
    pane.show();
    QVERIFY(pane.blockCount() < 12000); // the first piece only
    QTRY_COMPARE(pane.blockCount(), 12000);
    QCOMPARE(pane.toPlainText(), expected.join(QLatin1Char('\n')));

    pane.hide();
    for (int i = 0; i < 12000; ++i)
        pane.appendLine(QStringLiteral("more"));
    pane.show();
    pane.appendLine(QStringLiteral("last"));
    QCOMPARE(pane.text().split(QLatin1Char('\n')).size(), 24001);
    QVERIFY(pane.text().endsWith(QStringLiteral("more\nlast")));
}

QTEST_MAIN(TestLogPane)
#include "test_logpane.moc"
