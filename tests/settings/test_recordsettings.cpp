// The group "保存の記録": a first run keeps every box off and names the
// database "Vellisk.db"; what is set is stored after the older names.
#include "settings/tformsetting.h"
#include "settingstestutil.h"
#include "testutils.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

class TestRecordSettings : public QObject
{
    Q_OBJECT

private slots:
    void firstRunOffThenStored();
};

void TestRecordSettings::firstRunOffThenStored()
{
    ConfigSandbox sandbox;
    auto setting = std::make_unique<TFormSetting>(nullptr, nullptr);
    const ExtraSettings first = setting->conditions().extra;
    QVERIFY(!first.record && !first.skipSaved && !first.sameContent && !first.continueNumbers);
    QCOMPARE(first.recordName, QStringLiteral("Vellisk.db"));
    const auto box = [&](const char *name) {
        return setting->findChild<QCheckBox *>(QLatin1String(name));
    };
    auto *name = setting->findChild<QLineEdit *>(QStringLiteral("EditRecordName"));
    box("CheckRecord")->click();
    box("CheckSkipSaved")->click();
    box("CheckContinueNumbers")->click();
    name->setText(QStringLiteral("/tmp/pictures.db"));
    setting->close();
    const QStringList names = storedNames(sandbox.settingsBytes(), QStringLiteral("Setting"));
    QCOMPARE(names.mid(names.indexOf(QStringLiteral("fmSetting.ExtRecord")), 5),
             (QStringList{QStringLiteral("fmSetting.ExtRecord"),
                          QStringLiteral("fmSetting.ExtRecordName"),
                          QStringLiteral("fmSetting.ExtSkipSaved"),
                          QStringLiteral("fmSetting.ExtSameContent"),
                          QStringLiteral("fmSetting.ExtContinueNumbers")}));
    const auto stored = [&](const char *key) {
        return storedValue(sandbox.settingsPath(), QStringLiteral("Setting"), QLatin1String(key));
    };
    QCOMPARE(stored("fmSetting.ExtRecordName"), QStringLiteral("/tmp/pictures.db"));
    QCOMPARE(stored("fmSetting.ExtSkipSaved") + stored("fmSetting.ExtSameContent"),
             QStringLiteral("17"));
}

QTEST_MAIN(TestRecordSettings)
#include "test_recordsettings.moc"
