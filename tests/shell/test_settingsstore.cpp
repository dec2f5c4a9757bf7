#include "shell/settingsstore.h"
#include <QTest>
class TestSettingsStore : public QObject { Q_OBJECT private slots: void placeholder() {} };
QTEST_APPLESS_MAIN(TestSettingsStore)
#include "test_settingsstore.moc"
