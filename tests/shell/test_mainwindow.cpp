#include "shell/appwindows.h"
#include <QTest>
class TestMainWindow : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
