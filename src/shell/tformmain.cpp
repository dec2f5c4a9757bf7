#include "tformmain.h"

#include "animation.h"
#include "components/logpane.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/thttp.h"
#include "settings/tformsetting.h"
#include "common/datafiles.h"
#include "common/settingsstore.h"
#include "statusbar.h"
#include "common/storedwindow.h"
#include "toolicons.h"
#include "viewer/previewpane.h"
#include "viewer/tformview.h"
#include "disksearch/disksearch.h"
#include "disksearch/resultlistpane.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

#include <utility>

namespace {
const QString Prefix = QStringLiteral("fmTarnvale");

QString key(const char *item)
{
    return Prefix + QLatin1Char('.') + QLatin1String(item);
}
} // namespace

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFormMain"));
    setWindowTitle(QStringLiteral("ヴェリスク   (Vellisk)   Ver 1.0"));
    QFont uiFont(QStringLiteral("ＭＳ Ｐゴシック"));
    uiFont.setPixelSize(12);
    setFont(uiFont);
    move(343, 106);
    resize(672, 569);

    buildToolBars();
    buildMenus();
    buildTabs();
    buildStatusBars();
    buildTimers();
    connectWeb();

    readStoredValues();
    InitMainWindow();
}

TFormMain::~TFormMain()
{
    // The windows opened by "複数" go while the list they leave still exists.
    qDeleteAll(std::exchange(m_extraViews, {}));
}

void TFormMain::readStoredValues()
{
    SettingsStore store;
    readWindowPosition(store, this, Prefix);
    readWindowSize(store, this, Prefix);
    m_comboDirectory->setEditText(store.ReadString(WindowSection, key("Directory"), QString()));
    m_comboURL->setEditText(store.ReadString(WindowSection, key("URL"), QString()));
    m_www = store.ReadFlag(SettingSection, key("ToolBtWWW"), SettingsStore::FlagOff);
    m_preview->setAutoDisplay(
        store.ReadFlag(SettingSection, key("AutoDisp"), SettingsStore::FlagOn));
}

void TFormMain::writeStoredValues()
{
    SettingsStore store;
    writeWindowGeometry(store, this, Prefix);
    store.WriteString(WindowSection, key("Directory"), m_comboDirectory->currentText());
    store.WriteString(WindowSection, key("URL"), m_comboURL->currentText());
    store.WriteFlag(SettingSection, key("ToolBtWWW"), m_toolBtWWW->isChecked());
    store.WriteFlag(SettingSection, key("AutoDisp"), m_preview->autoDisplay());
}

void TFormMain::InitMainWindow()
{
    m_crawl->setPageCrawling(true);
    const QFileInfo program(QCoreApplication::applicationFilePath());
    m_helpFile = dataFilePath(program.completeBaseName() + QStringLiteral(".HLP"));
    m_pages->setCurrentWidget(m_tabURL);
    m_pages->setCurrentWidget(m_tabList);
    m_pages->setTabVisible(m_pages->indexOf(m_tabHTTP), false);
    m_pages->setTabVisible(m_pages->indexOf(m_tabLog), false);
    m_sta->hide();
    m_panelSystem->setFixedHeight(4);
    m_panelBottom->setFixedHeight(0);
    // A clip of the user's own is played when Qt can read it; otherwise the
    // animation's drawn frames play.
    m_animate->setFileName(dataFilePath(QStringLiteral("cool.avi")));
    ClearAll(); // also zeroes the crawl's cursors and downloaded count
    m_browserHistory.clear();
    m_dirHistory.clear();
    UpdateTargetMode();
}

void TFormMain::switchMode(bool www)
{
    m_www = www;
    UpdateTargetMode();
}

void TFormMain::setSearchTarget(bool www, const QString &target)
{
    switchMode(www);
    (www ? m_comboURL : m_comboDirectory)->setEditText(target);
}

void TFormMain::UpdateTargetMode()
{
    if (!m_www)
        m_pages->setCurrentWidget(m_tabList);
    m_comboDirectory->setVisible(!m_www);
    m_comboURL->setVisible(m_www);
    m_labelTaishou->setText(m_www ? QStringLiteral("　ＵＲＬ") : QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"));
    m_btDirectory->setEnabled(!m_www);
    m_btWeb->setEnabled(m_www);
    m_btBack->setEnabled(m_www);
    m_btForward->setEnabled(m_www);
    setBusyIndicator(ImageIdle);
    m_toolBtHard->setChecked(!m_www);
    m_toolBtWWW->setChecked(m_www);
    m_menuHard->setChecked(!m_www);
    m_menuWWW->setChecked(m_www);
}

int TFormMain::busyIndicator() const
{
    return m_btStop->property("imageIndex").toInt();
}

void TFormMain::setBusyIndicator(int imageIndex)
{
    // Idle is also the stop request of a running directory walk.
    if (imageIndex == ImageIdle && m_diskSearch != nullptr)
        m_diskSearch->requestStop();
    m_btStop->setProperty("imageIndex", imageIndex);
    m_btStop->setIcon(toolIcon(imageIndex == ImageBusy ? ToolIcon::StopBusy : ToolIcon::StopIdle));
}

void TFormMain::LogNormal(const QString &line)
{
    m_memoLog->appendLine(line);
}

void TFormMain::LogError(const QString &line)
{
    m_memoError->appendLine(line);
}

SearchConditions TFormMain::searchConditions() const
{
    return m_peers.setting != nullptr ? m_peers.setting->conditions() : SearchConditions{};
}

void TFormMain::applyProxy(const ProxyChoice &proxy)
{
    for (int i = 0; i < 7; ++i)
        http(i)->applyProxy(proxy);
}

void TFormMain::ClearStatusAndLogs()
{
    // Panels 0 to 5 of both bars: the second bar's last panel keeps its text.
    m_stb->clearFirst(6);
    m_sta->clearFirst(6);
    m_memoLog->clearLog();
    m_memoError->clearLog();
}

void TFormMain::ClearAll()
{
    ClearStatusAndLogs();
    m_crawl->ClearAll();
    m_resultList->erase();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    writeStoredValues();
    event->accept();
    emit programEnd();
}
