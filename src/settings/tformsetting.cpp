#include "tformsetting.h"

#include "common/messagebox.h"
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
#include <QStatusBar>
#include <QTabWidget>

namespace {

QString key(const char *name)
{
    return QLatin1String(name);
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

TFormSetting::TFormSetting(TFormSelectDir *chooser, ProxySink proxySink, QWidget *parent)
    : QMainWindow(parent), m_chooser(chooser), m_proxySink(std::move(proxySink))
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

    move(518, 105);

    readStoredValues();
    InitDialogState();
    // A client area of 487 x 330 below the menu bar, or as much more as the
    // pages need: the Japanese fonts standing in for the Windows ones are
    // taller, and a fixed size below the layout's least would crush the
    // edits and buttons of the fullest page. Measured once the rules have
    // hidden what the stored state hides.
    const QSize pages = m_tabs->minimumSizeHint();
    const int client = qMax(330, pages.height() + statusBar()->sizeHint().height());
    setFixedSize(qMax(487, pages.width()), client + menuBar()->sizeHint().height());
}

void TFormSetting::readStoredValues()
{
    namespace S = SearchSetting;
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSetting"));
    const QString &s = SettingSection;
    auto text = [&](const StoredSetting<QString> &setting, QLineEdit *edit) {
        edit->setText(store.ReadString(s, key(setting.name), setting.firstRun));
    };
    // Setting a check box to a new state runs its click rule through toggled().
    auto flag = [&](const StoredSetting<bool> &setting, QCheckBox *box) {
        const int firstRun = setting.firstRun ? SettingsStore::FlagOn : SettingsStore::FlagOff;
        box->setChecked(store.ReadFlag(s, key(setting.name), firstRun));
    };
    auto integer = [&](const StoredSetting<int> &setting) {
        return store.ReadInteger(s, key(setting.name), setting.firstRun);
    };
    setChoice(m_radioKekka, integer(S::Kekka));
    setChoice(m_radioKekkaWWW, integer(S::KekkaWWW));
    m_scrollSpeed->setValue(integer(S::Speed));
    text(S::MaxURL, m_editMaxURL);
    text(S::MaxImage, m_editMaxImage);
    text(S::Uchikiri, m_editUchikiri);
    text(S::Start, m_editStart);
    text(S::StartURL, m_editStartURL);
    flag(S::CheckGaibu, m_checkGaibu);
    flag(S::CheckLinkMax, m_checkLinkMax);
    text(S::LinkMax, m_editLinkMax);
    flag(S::CheckJpeg, m_checkJPEG);
    flag(S::CheckGif, m_checkGIF);
    flag(S::CheckBmp, m_checkBMP);
    flag(S::CheckSize, m_checkSize);
    flag(S::CheckHiritsu, m_checkHiritsu);
    m_editDirectory->setText(
        store.ReadString(s, key(S::Directory.name), S::saveDirectoryFirstRun()));
    text(S::Height, m_editHeight);
    text(S::Width, m_editWidth);
    text(S::Hiritsu, m_editHiritsu);
    text(S::MaxSize, m_editMaxSize);
    text(S::MinSize, m_editMinSize);
    flag(S::CheckFileSave, m_checkFileSave);
    flag(S::CheckDBSave, m_checkDBSave);
    flag(S::CheckProxy, m_checkProxy);
    text(S::IPAddress, m_editIPAddress);
    text(S::Port, m_editPort);
}

void TFormSetting::writeStoredValues()
{
    namespace S = SearchSetting;
    SettingsStore store;
    // The outer size is written for the record; the dialog's size is fixed.
    const QRect frame = frameGeometry();
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Left"), x());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Top"), y());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Width"), frame.width());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Height"), frame.height());
    const QString &s = SettingSection;
    store.WriteInteger(s, key(S::Speed.name), m_scrollSpeed->value());
    store.WriteInteger(s, key(S::Kekka.name), m_radioKekka->checkedId());
    store.WriteInteger(s, key(S::KekkaWWW.name), m_radioKekkaWWW->checkedId());
    const std::pair<const StoredSetting<QString> &, QLineEdit *> firstTexts[] = {
        {S::Start, m_editStart},   {S::StartURL, m_editStartURL}, {S::LinkMax, m_editLinkMax},
        {S::MaxURL, m_editMaxURL}, {S::MaxImage, m_editMaxImage}, {S::Uchikiri, m_editUchikiri}};
    for (const auto &[setting, edit] : firstTexts)
        store.WriteString(s, key(setting.name), edit->text());
    const std::pair<const StoredSetting<bool> &, QCheckBox *> flags[] = {
        {S::CheckGaibu, m_checkGaibu},     {S::CheckLinkMax, m_checkLinkMax},
        {S::CheckProxy, m_checkProxy},     {S::CheckDBSave, m_checkDBSave},
        {S::CheckJpeg, m_checkJPEG},       {S::CheckGif, m_checkGIF},
        {S::CheckBmp, m_checkBMP},         {S::CheckSize, m_checkSize},
        {S::CheckHiritsu, m_checkHiritsu}, {S::CheckFileSave, m_checkFileSave}};
    for (const auto &[setting, box] : flags)
        store.WriteFlag(s, key(setting.name), box->isChecked());
    const std::pair<const StoredSetting<QString> &, QLineEdit *> lastTexts[] = {
        {S::IPAddress, m_editIPAddress}, {S::Port, m_editPort},       {S::Directory, m_editDirectory},
        {S::Height, m_editHeight},       {S::Width, m_editWidth},     {S::Hiritsu, m_editHiritsu},
        {S::MaxSize, m_editMaxSize},     {S::MinSize, m_editMinSize}};
    for (const auto &[setting, edit] : lastTexts)
        store.WriteString(s, key(setting.name), edit->text());
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
    // The port is checked once, before any control is touched, so that a bad
    // port leaves every control with its earlier proxy rather than one of them
    // with the new host and the old port.
    const std::optional<ProxyChoice> choice = conditions().proxyChoice();
    if (!choice) {
        MessageBox::show(this, QStringLiteral("'%1' は整数ではありません").arg(m_editPort->text()));
        return false;
    }
    if (m_proxySink)
        m_proxySink(*choice);
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

SearchConditions TFormSetting::conditions() const
{
    SearchConditions c;
    c.startURL = m_editStartURL->text();
    c.clearWWWResults = m_radioKekkaWWW->checkedId() == 1;
    c.maxImage = NumberText::from(m_editMaxImage->text());
    c.maxURL = NumberText::from(m_editMaxURL->text());
    c.cutOff = NumberText::from(m_editUchikiri->text());
    c.followOtherHosts = m_checkGaibu->isChecked();
    c.linkMaxOn = m_checkLinkMax->isChecked();
    c.linkMax = m_editLinkMax->text();
    c.speed = m_scrollSpeed->value();
    c.startDirectory = m_editStart->text();
    c.clearDiskResults = m_radioKekka->checkedId() == 1;
    c.saveToFile = m_checkFileSave->isChecked();
    c.saveDirectory = m_editDirectory->text();
    c.saveToDatabase = m_checkDBSave->isChecked();
    c.imageTypes = ImageTypes{m_checkJPEG->isChecked(), m_checkGIF->isChecked(),
                              m_checkBMP->isChecked()};
    c.checkSize = m_checkSize->isChecked();
    c.minSizeKB = NumberText::from(m_editMinSize->text());
    c.maxSizeKB = NumberText::from(m_editMaxSize->text());
    c.checkRatio = m_checkHiritsu->isChecked();
    c.ratioPercent = NumberText::from(m_editHiritsu->text());
    c.heightLimit = m_editHeight->text();
    c.widthLimit = m_editWidth->text();
    c.proxyOn = m_checkProxy->isChecked();
    c.proxyHost = m_editIPAddress->text();
    c.proxyPort = m_editPort->text();
    return c;
}

void TFormSetting::setStartDirectory(const QString &directory) { m_editStart->setText(directory); }

QString TFormSetting::startURL() const { return m_editStartURL->text(); }
int TFormSetting::radioKekkaWWW() const { return m_radioKekkaWWW->checkedId(); }
QString TFormSetting::editMaxImage() const { return m_editMaxImage->text(); }
QString TFormSetting::editMaxURL() const { return m_editMaxURL->text(); }
int TFormSetting::scrollSpeed() const { return m_scrollSpeed->value(); }
QString TFormSetting::startDirectory() const { return m_editStart->text(); }
int TFormSetting::radioKekka() const { return m_radioKekka->checkedId(); }
bool TFormSetting::checkJPEG() const { return m_checkJPEG->isChecked(); }
bool TFormSetting::checkGIF() const { return m_checkGIF->isChecked(); }
bool TFormSetting::checkBMP() const { return m_checkBMP->isChecked(); }
bool TFormSetting::checkSize() const { return m_checkSize->isChecked(); }
QString TFormSetting::editMinSize() const { return m_editMinSize->text(); }
QString TFormSetting::editDirectory() const { return m_editDirectory->text(); }
