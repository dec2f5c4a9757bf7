// The group "礼儀と接続" of the tab "拡張設定": how the crawl behaves towards
// the sites it visits. Every box starts off and the interval empty, so a
// first run sends the requests it always sent.
#include "tformsetting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

QCheckBox *politeBox(const char *name, const QString &caption, QWidget *parent, QLayout *into)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(QLatin1String(name));
    into->addWidget(check);
    return check;
}

} // namespace

void TFormSetting::buildPoliteGroup()
{
    QGroupBox *group = addExtraGroup(QStringLiteral("礼儀と接続"));
    auto *layout = new QVBoxLayout(group);
    m_checkReferer = politeBox("CheckReferer", QStringLiteral("画像の取得にページの URL を添える"),
                               group, layout);
    auto *intervalRow = new QHBoxLayout;
    layout->addLayout(intervalRow);
    intervalRow->addWidget(new QLabel(QStringLiteral("同じホストへの間隔"), group));
    m_editHostInterval = new QLineEdit(group);
    m_editHostInterval->setObjectName(QStringLiteral("EditHostInterval"));
    m_editHostInterval->setFixedWidth(64);
    m_editHostInterval->setMaxLength(6);
    m_editHostInterval->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*")), m_editHostInterval));
    intervalRow->addWidget(m_editHostInterval);
    intervalRow->addWidget(new QLabel(QStringLiteral("ミリ秒"), group));
    intervalRow->addStretch(1);
    m_checkRetryLater =
        politeBox("CheckRetryLater", QStringLiteral("混雑時は待って取り直す"), group, layout);
    m_checkRobots = politeBox("CheckRobots", QStringLiteral("robots.txt に従う"), group, layout);
    m_checkBrowserCookies =
        politeBox("CheckBrowserCookies", QStringLiteral("ブラウザのクッキーを使う"), group, layout);
}
