#include "tformsetting.h"

#include "shell/settingsstore.h"
#include "shell/storedwindow.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

TFormSetting::TFormSetting(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFormSetting"));
    setWindowTitle(QStringLiteral("ユーザー設定"));
    move(518, 105);
    setFixedSize(487, 330);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(m_tabs);

    auto *tabWWW = new QWidget(m_tabs);
    tabWWW->setObjectName(QStringLiteral("TabWWW"));
    m_editStartURL = new QLineEdit(QStringLiteral("http://"), tabWWW);
    m_editStartURL->setObjectName(QStringLiteral("EditStartURL"));
    (new QVBoxLayout(tabWWW))->addWidget(m_editStartURL);
    m_tabs->addTab(tabWWW, QStringLiteral("探索設定(WWW)"));

    auto *tabHD = new QWidget(m_tabs);
    tabHD->setObjectName(QStringLiteral("TabHD"));
    m_editStart = new QLineEdit(QStringLiteral("/"), tabHD);
    m_editStart->setObjectName(QStringLiteral("EditStart"));
    (new QVBoxLayout(tabHD))->addWidget(m_editStart);
    m_tabs->addTab(tabHD, QStringLiteral("探索設定(HD)"));

    readStoredValues();
}

void TFormSetting::readStoredValues()
{
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSetting"));
    m_editStart->setText(
        store.ReadString(SettingSection, QStringLiteral("fmSetting.Start"), m_editStart->text()));
    m_editStartURL->setText(store.ReadString(SettingSection, QStringLiteral("fmSetting.StartURL"),
                                             m_editStartURL->text()));
}

void TFormSetting::writeStoredValues()
{
    SettingsStore store;
    writeWindowGeometry(store, this, QStringLiteral("fmSetting"));
    store.WriteString(SettingSection, QStringLiteral("fmSetting.Start"), m_editStart->text());
    store.WriteString(SettingSection, QStringLiteral("fmSetting.StartURL"), m_editStartURL->text());
}

void TFormSetting::closeEvent(QCloseEvent *event)
{
    writeStoredValues();
    QMainWindow::closeEvent(event);
}

void TFormSetting::showOnTab(const QString &tabName)
{
    if (auto *tab = m_tabs->findChild<QWidget *>(tabName))
        m_tabs->setCurrentWidget(tab);
    show();
    raise();
    activateWindow();
}

QString TFormSetting::startURL() const
{
    return m_editStartURL->text();
}

void TFormSetting::setStartDirectory(const QString &directory)
{
    m_editStart->setText(directory);
}

QString TFormSetting::startDirectory() const
{
    return m_editStart->text();
}
