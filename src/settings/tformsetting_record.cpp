// The group "保存の記録" of the tab "拡張設定": a database of saved pictures,
// and what a crawl does with it. Every box starts off.
#include "tformsetting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

void TFormSetting::buildRecordGroup()
{
    QGroupBox *group = addExtraGroup(QStringLiteral("保存の記録"));
    auto *layout = new QVBoxLayout(group);
    const auto box = [group](const char *name, const QString &caption, QLayout *into) {
        auto *check = new QCheckBox(caption, group);
        check->setObjectName(QLatin1String(name));
        into->addWidget(check);
        return check;
    };
    auto *row = new QHBoxLayout;
    layout->addLayout(row);
    m_checkRecord = box("CheckRecord", QStringLiteral("保存した画像を記録する (DB)"), row);
    m_editRecordName = new QLineEdit(group);
    m_editRecordName->setObjectName(QStringLiteral("EditRecordName"));
    row->addWidget(m_editRecordName, 1);
    m_checkSkipSaved =
        box("CheckSkipSaved", QStringLiteral("記録済みの画像は取り直さない"), layout);
    m_checkSameContent =
        box("CheckSameContent", QStringLiteral("同じ中身の画像は一つだけ保存する"), layout);
    m_checkContinueNumbers = box("CheckContinueNumbers", QStringLiteral("番号を続ける"), layout);

    // Skipping and comparing read the record: they wait for it.
    const auto follow = [this](bool on) {
        m_editRecordName->setEnabled(on);
        m_checkSkipSaved->setEnabled(on);
        m_checkSameContent->setEnabled(on);
    };
    connect(m_checkRecord, &QCheckBox::toggled, this, follow);
    follow(false);
}
