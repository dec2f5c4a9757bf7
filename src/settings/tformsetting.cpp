#include "tformsetting.h"

#include "crawl/thttp.h"
#include "common/messagebox.h"
#include "common/integertext.h"
#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "tformselectdir.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

namespace {

const QString Prefix = QStringLiteral("fmSetting.");

QString key(const char *item)
{
    return Prefix + QLatin1String(item);
}

// A stored item number beyond the items picks the last one; below 0, none.
void setChoice(QButtonGroup *group, int item)
{
    if (item < 0) {
        group->setExclusive(false);
        for (QAbstractButton *button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    group->button(std::min(item, 1))->setChecked(true);
}

} // namespace

TFormSetting::TFormSetting(TFormSelectDir *chooser, const QList<THTTP *> &httpControls,
                           QWidget *parent)
    : QMainWindow(parent), m_chooser(chooser), m_http(httpControls)
{
    setObjectName(QStringLiteral("TFormSetting"));
    setWindowTitle(QStringLiteral("ユーザー設定"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(m_tabs);
    buildMenuAndStatus();
    m_tabs->addTab(buildTabWWW(), QStringLiteral("探索設定(WWW)"));
    m_tabs->addTab(buildTabHD(), QStringLiteral("探索設定(HD)"));
    m_tabs->addTab(buildTabGazou(), QStringLiteral("画像設定"));
    m_tabs->addTab(buildTabNetwork(), QStringLiteral("ネットワーク"));
    connectRules();

    // A client area of 487 x 330 below the menu bar.
    setFixedSize(487, 330 + menuBar()->sizeHint().height());
    move(518, 105);

    readStoredValues();
    InitDialogState();
}

TFormSetting::TFormSetting(QWidget *parent) : TFormSetting(nullptr, {}, parent) {}

void TFormSetting::readStoredValues()
{
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSetting"));
    const QString &s = SettingSection;
    auto text = [&](const char *item, QLineEdit *edit) {
        edit->setText(store.ReadString(s, key(item), edit->text()));
    };
    // Setting a check box to a new state runs its click rule through toggled().
    auto flag = [&](const char *item, int defaultValue, QCheckBox *box) {
        box->setChecked(store.ReadFlag(s, key(item), defaultValue));
    };
    setChoice(m_radioKekka, store.ReadInteger(s, key("Kekka"), 0));
    setChoice(m_radioKekkaWWW, store.ReadInteger(s, key("KekkaWWW"), 0));
    m_scrollSpeed->setValue(store.ReadInteger(s, key("Speed"), m_scrollSpeed->value()));
    text("MaxURL", m_editMaxURL);
    text("MaxImage", m_editMaxImage);
    text("Uchikiri", m_editUchikiri);
    text("Start", m_editStart);
    text("StartURL", m_editStartURL);
    flag("CheckGaibu", SettingsStore::FlagOn, m_checkGaibu);
    flag("CheckLinkMax", SettingsStore::FlagOn, m_checkLinkMax);
    m_editLinkMax->setText(store.ReadString(s, key("LinkMax"), QStringLiteral("3")));
    flag("CheckJpeg", SettingsStore::FlagOn, m_checkJPEG);
    flag("CheckGif", SettingsStore::FlagOff, m_checkGIF);
    flag("CheckBMP", SettingsStore::FlagOff, m_checkBMP);
    flag("CheckSize", SettingsStore::FlagOn, m_checkSize);
    flag("CheckHiritsu", SettingsStore::FlagOn, m_checkHiritsu);
    m_editDirectory->setText(
        store.ReadString(s, key("Directory"), QCoreApplication::applicationDirPath()));
    text("Height", m_editHeight);
    text("Width", m_editWidth);
    text("Hiritsu", m_editHiritsu);
    text("MaxSize", m_editMaxSize);
    text("MinSize", m_editMinSize);
    flag("CheckFileSave", SettingsStore::FlagOn, m_checkFileSave);
    flag("CheckDBSave", SettingsStore::FlagOff, m_checkDBSave);
    flag("CheckProxy", SettingsStore::FlagOff, m_checkProxy);
    m_editIPAddress->setText(store.ReadString(s, key("IPAddress"), QString()));
    m_editPort->setText(store.ReadString(s, key("Port"), QString()));
}

void TFormSetting::writeStoredValues()
{
    SettingsStore store;
    // The outer size is written for the record; the dialog's size is fixed.
    const QRect frame = frameGeometry();
    store.WriteInteger(WindowSection, key("Left"), x());
    store.WriteInteger(WindowSection, key("Top"), y());
    store.WriteInteger(WindowSection, key("Width"), frame.width());
    store.WriteInteger(WindowSection, key("Height"), frame.height());
    const QString &s = SettingSection;
    store.WriteInteger(s, key("Speed"), m_scrollSpeed->value());
    store.WriteInteger(s, key("Kekka"), m_radioKekka->checkedId());
    store.WriteInteger(s, key("KekkaWWW"), m_radioKekkaWWW->checkedId());
    const std::pair<const char *, QLineEdit *> firstTexts[] = {
        {"Start", m_editStart},   {"StartURL", m_editStartURL}, {"LinkMax", m_editLinkMax},
        {"MaxURL", m_editMaxURL}, {"MaxImage", m_editMaxImage}, {"Uchikiri", m_editUchikiri}};
    for (const auto &[item, edit] : firstTexts)
        store.WriteString(s, key(item), edit->text());
    const std::pair<const char *, QCheckBox *> flags[] = {
        {"CheckGaibu", m_checkGaibu},       {"CheckLinkMax", m_checkLinkMax},
        {"CheckProxy", m_checkProxy},       {"CheckDBSave", m_checkDBSave},
        {"CheckJpeg", m_checkJPEG},         {"CheckGif", m_checkGIF},
        {"CheckBmp", m_checkBMP},           {"CheckSize", m_checkSize},
        {"CheckHiritsu", m_checkHiritsu},   {"CheckFileSave", m_checkFileSave}};
    for (const auto &[item, box] : flags)
        store.WriteFlag(s, key(item), box->isChecked());
    const std::pair<const char *, QLineEdit *> lastTexts[] = {
        {"IPAddress", m_editIPAddress}, {"Port", m_editPort},       {"Directory", m_editDirectory},
        {"Height", m_editHeight},       {"Width", m_editWidth},     {"Hiritsu", m_editHiritsu},
        {"MaxSize", m_editMaxSize},     {"MinSize", m_editMinSize}};
    for (const auto &[item, edit] : lastTexts)
        store.WriteString(s, key(item), edit->text());
}

void TFormSetting::InitDialogState()
{
    CheckGaibuClick();
    CheckFileSaveClick();
    CheckDBSaveClick();
    CheckProxyClick();
    CheckSizeClick();
    // Following other hosts and saving into a database are not offered.
    m_checkGaibu->setEnabled(false);
    m_checkGaibu->setChecked(false);
    m_checkDBSave->setEnabled(false);
    m_checkDBSave->setChecked(false);
    ApplyProxySettings();
}

void TFormSetting::CheckGaibuClick()
{
    m_checkLinkMax->setVisible(m_checkGaibu->isChecked());
    m_editLinkMax->setVisible(m_checkGaibu->isChecked());
}

void TFormSetting::CheckFileSaveClick()
{
    m_groupDirectory->setVisible(m_checkFileSave->isChecked());
}

void TFormSetting::CheckDBSaveClick()
{
    m_groupDB->setVisible(m_checkDBSave->isChecked());
}

void TFormSetting::CheckProxyClick()
{
    const bool on = m_checkProxy->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{m_labelIP, m_labelPort, m_editIPAddress,
                                                       m_editPort})
        w->setVisible(on);
    m_proxyInUse = on;
}

void TFormSetting::CheckSizeClick()
{
    m_groupSize->setVisible(m_checkSize->isChecked());
    m_groupHiritsu->setVisible(m_checkHiritsu->isChecked());
}

bool TFormSetting::ApplyProxySettings()
{
    m_proxyInUse = m_checkProxy->isChecked();
    if (!m_proxyInUse) {
        for (THTTP *http : std::as_const(m_http))
            http->SetProxy(false, http->proxy().hostName(), http->proxy().port());
        return true;
    }
    // The port is converted once, before any control is touched, so that a bad
    // port leaves every control with its earlier proxy rather than one of them
    // with the new host and the old port.
    const QString portText = m_editPort->text();
    int port = 0;
    if (!parseIntegerText(portText, &port) || port < 0 || port > 65535) {
        MessageBox::show(this, QStringLiteral("'%1' は整数ではありません").arg(portText));
        return false;
    }
    for (THTTP *http : std::as_const(m_http))
        http->SetProxy(true, m_editIPAddress->text(), port);
    return true;
}

void TFormSetting::Button3Click()
{
    if (m_chooser != nullptr && m_chooser->exec() == 1)
        m_editStart->setText(m_chooser->directory());
}

void TFormSetting::Button4Click()
{
    if (m_chooser != nullptr && m_chooser->exec() == 1)
        m_editDirectory->setText(m_chooser->directory());
}

void TFormSetting::Button6Click()
{
    if (ApplyProxySettings())
        setStatusText(QStringLiteral("プロキシ設定完了"));
}

void TFormSetting::Button7Click()
{
    const QString directory = m_editDirectory->text();
    if (directory.isEmpty()) {
        MessageBox::show(this, QStringLiteral("ディレクトリを指定してください"));
        return;
    }
    // One level only: the parent must exist, and an existing directory fails.
    setStatusText(QDir().mkdir(directory) ? QStringLiteral("ディレクトリ作成完了")
                                          : QStringLiteral("ディレクトリ作成失敗"));
}

void TFormSetting::setStatusText(const QString &text)
{
    m_status->setText(text);
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

QString TFormSetting::startURL() const { return m_editStartURL->text(); }
int TFormSetting::radioKekkaWWW() const { return m_radioKekkaWWW->checkedId(); }
QString TFormSetting::editMaxImage() const { return m_editMaxImage->text(); }
QString TFormSetting::editMaxURL() const { return m_editMaxURL->text(); }
QString TFormSetting::editUchikiri() const { return m_editUchikiri->text(); }
int TFormSetting::scrollSpeed() const { return m_scrollSpeed->value(); }
void TFormSetting::setStartDirectory(const QString &directory) { m_editStart->setText(directory); }
QString TFormSetting::startDirectory() const { return m_editStart->text(); }
int TFormSetting::radioKekka() const { return m_radioKekka->checkedId(); }
bool TFormSetting::checkJPEG() const { return m_checkJPEG->isChecked(); }
bool TFormSetting::checkGIF() const { return m_checkGIF->isChecked(); }
bool TFormSetting::checkBMP() const { return m_checkBMP->isChecked(); }
bool TFormSetting::checkFileSave() const { return m_checkFileSave->isChecked(); }
QString TFormSetting::editDirectory() const { return m_editDirectory->text(); }
bool TFormSetting::checkSize() const { return m_checkSize->isChecked(); }
QString TFormSetting::editMinSize() const { return m_editMinSize->text(); }
QString TFormSetting::editMaxSize() const { return m_editMaxSize->text(); }
bool TFormSetting::checkHiritsu() const { return m_checkHiritsu->isChecked(); }
QString TFormSetting::editHiritsu() const { return m_editHiritsu->text(); }
bool TFormSetting::checkProxy() const { return m_checkProxy->isChecked(); }
QString TFormSetting::editIPAddress() const { return m_editIPAddress->text(); }
QString TFormSetting::editPort() const { return m_editPort->text(); }
