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

QTEST_MAIN(TestLogPane)
#include "test_logpane.moc"
