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
    m_tabs->addTab(buildTabExtra(), QStringLiteral("拡張設定"));
    buildPoliteGroup();
    buildRecordGroup();
    connectRules();
    bindSettings();

    move(518, 105);

    readStoredValues();
    conditionsEdited();
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

void TFormSetting::bindSettings()
{
    namespace S = SearchSetting;
    using namespace Bind;
    using C = SearchConditions;
    m_bindings = {
        position(S::Speed, m_scrollSpeed, into(&C::speed)),
        choice(S::Kekka, m_radioKekka, [](C &c, int item) { c.clearDiskResults = item == 1; }),
        choice(S::KekkaWWW, m_radioKekkaWWW, [](C &c, int item) { c.clearWWWResults = item == 1; }),
        text(S::Start, m_editStart, into(&C::startDirectory)),
        text(S::StartURL, m_editStartURL, into(&C::startURL)),
        text(S::LinkMax, m_editLinkMax, into(&C::linkMax)),
        text(S::MaxURL, m_editMaxURL, into(&C::maxURL)),
        text(S::MaxImage, m_editMaxImage, into(&C::maxImage)),
        text(S::Uchikiri, m_editUchikiri, into(&C::cutOff)),
        flag(S::CheckGaibu, m_checkGaibu, into(&C::followOtherHosts)),
        flag(S::CheckLinkMax, m_checkLinkMax, into(&C::linkMaxOn)),
        flag(S::CheckProxy, m_checkProxy, into(&C::proxyOn)),
        flag(S::CheckDBSave, m_checkDBSave, into(&C::saveToDatabase)),
        flag(S::CheckJpeg, m_checkJPEG, [](C &c, bool on) { c.imageTypes.jpeg = on; }),
        flag(S::CheckGif, m_checkGIF, [](C &c, bool on) { c.imageTypes.gif = on; }),
        flag(S::CheckBmp, m_checkBMP, [](C &c, bool on) { c.imageTypes.bmp = on; }),
        flag(S::CheckSize, m_checkSize, into(&C::checkSize)),
        flag(S::CheckHiritsu, m_checkHiritsu, into(&C::checkRatio)),
        flag(S::CheckFileSave, m_checkFileSave, into(&C::saveToFile)),
        text(S::IPAddress, m_editIPAddress, into(&C::proxyHost)),
        text(S::Port, m_editPort, into(&C::proxyPort)),
        text(S::Directory, m_editDirectory, into(&C::saveDirectory), S::saveDirectoryFirstRun()),
        text(S::Height, m_editHeight, into(&C::heightLimit)),
        text(S::Width, m_editWidth, into(&C::widthLimit)),
        text(S::Hiritsu, m_editHiritsu, into(&C::ratioPercent)),
        text(S::MaxSize, m_editMaxSize, into(&C::maxSizeKB)),
        text(S::MinSize, m_editMinSize, into(&C::minSizeKB)),
        // 拡張設定, after every name an older file holds.
        flag(S::ExtPNG, m_checkPNG, [](C &c, bool on) { c.imageTypes.png = on; }),
        flag(S::ExtWebP, m_checkWebP, [](C &c, bool on) { c.imageTypes.webp = on; }),
        flag(S::ExtAVIF, m_checkAVIF, [](C &c, bool on) { c.imageTypes.avif = on; }),
        flag(S::ExtJpegAlias, m_checkJpegAlias, [](C &c, bool on) { c.imageTypes.jpegAlias = on; }),
        flag(S::ExtQueryType, m_checkQueryType, [](C &c, bool on) { c.extra.queryType = on; }),
        flag(S::ExtContentType, m_checkContentType,
             [](C &c, bool on) { c.extra.contentType = on; }),
        flag(S::ExtSrcset, m_checkSrcset, [](C &c, bool on) { c.extra.srcset = on; }),
        flag(S::ExtCssImage, m_checkCssImage, [](C &c, bool on) { c.extra.cssImage = on; }),
        flag(S::ExtMetaImage, m_checkMetaImage, [](C &c, bool on) { c.extra.metaImage = on; }),
        flag(S::ExtMagic, m_checkMagic, [](C &c, bool on) { c.extra.magic = on; }),
        flag(S::ExtPixelSize, m_checkPixelSize, [](C &c, bool on) { c.extra.pixelSize = on; }),
        text(S::ExtMinWidth, m_editMinWidth,
             [](C &c, const QString &t) { c.extra.minWidth = NumberText::from(t).valueOr(0); }),
        text(S::ExtMinHeight, m_editMinHeight,
             [](C &c, const QString &t) { c.extra.minHeight = NumberText::from(t).valueOr(0); }),
        flag(S::ExtGifShow, m_checkGifShow, [](C &c, bool on) { c.extra.gifShow = on; }),
        flag(S::ExtReferer, m_checkReferer, [](C &c, bool on) { c.extra.referer = on; }),
        text(S::ExtHostInterval, m_editHostInterval,
             [](C &c, const QString &t) {
                 c.extra.hostIntervalMs = NumberText::from(t).valueOr(0);
             }),
        flag(S::ExtRetryLater, m_checkRetryLater, [](C &c, bool on) { c.extra.retryLater = on; }),
        flag(S::ExtRobots, m_checkRobots, [](C &c, bool on) { c.extra.robots = on; }),
        flag(S::ExtBrowserCookies, m_checkBrowserCookies,
             [](C &c, bool on) { c.extra.browserCookies = on; }),
        flag(S::ExtRecord, m_checkRecord, [](C &c, bool on) { c.extra.record = on; }),
        text(S::ExtRecordName, m_editRecordName,
             [](C &c, const QString &t) { c.extra.recordName = t; }),
        flag(S::ExtSkipSaved, m_checkSkipSaved, [](C &c, bool on) { c.extra.skipSaved = on; }),
        flag(S::ExtSameContent, m_checkSameContent,
             [](C &c, bool on) { c.extra.sameContent = on; }),
        flag(S::ExtContinueNumbers, m_checkContinueNumbers,
             [](C &c, bool on) { c.extra.continueNumbers = on; }),
        flag(S::ExtOrientation, m_checkOrientation,
             [](C &c, bool on) { c.extra.orientation = on; }),
        flag(S::ExtThumbCache, m_checkThumbCache, [](C &c, bool on) { c.extra.thumbCache = on; }),
    };
    for (const SettingBinding &binding : m_bindings)
        binding.watch(this, [this] { conditionsEdited(); });
}

void TFormSetting::conditionsEdited()
{
    SearchConditions c;
    for (const SettingBinding &binding : m_bindings)
        binding.apply(c);
    m_conditions = c;
    emit conditionsChanged(m_conditions);
}

void TFormSetting::readStoredValues()
{
    SettingsStore store;
    readWindowPosition(store, this, QStringLiteral("fmSetting"));
    for (const SettingBinding &binding : m_bindings)
        binding.read(store);
}

void TFormSetting::writeStoredValues()
{
    SettingsStore store;
    // The outer size is written for the record; the dialog's size is fixed.
    const QRect frame = frameGeometry();
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Left"), x());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Top"), y());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Width"), frame.width());
    store.WriteInteger(WindowSection, QStringLiteral("fmSetting.Height"), frame.height());
    for (const SettingBinding &binding : m_bindings)
        binding.write(store);
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
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_labelIP, m_labelPort, m_editIPAddress, m_editPort})
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
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->widget(i)->objectName() == tabName)
            m_tabs->setCurrentIndex(i);
    }
    show();
    raise();
    activateWindow();
}

void TFormSetting::setStartDirectory(const QString &directory)
{
    m_editStart->setText(directory);
}

QString TFormSetting::startURL() const
{
    return m_editStartURL->text();
}
int TFormSetting::radioKekkaWWW() const
{
    return m_radioKekkaWWW->checkedId();
}
QString TFormSetting::editMaxImage() const
{
    return m_editMaxImage->text();
}
QString TFormSetting::editMaxURL() const
{
    return m_editMaxURL->text();
}
int TFormSetting::scrollSpeed() const
{
    return m_scrollSpeed->value();
}
QString TFormSetting::startDirectory() const
{
    return m_editStart->text();
}
int TFormSetting::radioKekka() const
{
    return m_radioKekka->checkedId();
}
bool TFormSetting::checkJPEG() const
{
    return m_checkJPEG->isChecked();
}
bool TFormSetting::checkGIF() const
{
    return m_checkGIF->isChecked();
}
bool TFormSetting::checkBMP() const
{
    return m_checkBMP->isChecked();
}
bool TFormSetting::checkSize() const
{
    return m_checkSize->isChecked();
}
QString TFormSetting::editMinSize() const
{
    return m_editMinSize->text();
}
QString TFormSetting::editDirectory() const
{
    return m_editDirectory->text();
}
