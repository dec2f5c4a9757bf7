#include "tformmain.h"

#include "animation.h"
#include "common/datafiles.h"
#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "components/logpane.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/singlefetch.h"
#include "crawl/thttp.h"
#include "disksearch/resultlistpane.h"
#include "run/runcontroller.h"
#include "settings/tformsetting.h"
#include "statusbar.h"
#include "toolicons.h"
#include "viewer/previewpane.h"
#include "viewer/tformview.h"

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

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent), m_run(new RunController(this, this))
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
    setAcceptDrops(true);
    connectRun();
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
    m_run->setTarget(store.ReadFlag(SettingSection, key("ToolBtWWW"), SettingsStore::FlagOff)
                         ? RunController::Target::WWW
                         : RunController::Target::HardDisk);
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
    showBusy(m_run->busy());
}

void TFormMain::connectRun()
{
    connect(m_run, &RunController::busyChanged, this, &TFormMain::showBusy);
    connect(m_run, &RunController::targetChanged, this, &TFormMain::UpdateTargetMode);
    connect(m_run, &RunController::resultListWanted, this,
            [this] { m_pages->setCurrentWidget(m_tabList); });
    connect(m_run, &RunController::lookAlikesFound, m_resultList, &ResultListPane::selectFiles);
    connect(m_resultList, &ResultListPane::lookAlikesWanted, this,
            &TFormMain::SelectLookAlikesCommand);
    connectResultList();
}

bool TFormMain::isWWWMode() const
{
    return m_run->isWWW();
}

void TFormMain::switchMode(bool www)
{
    m_run->setTarget(www ? RunController::Target::WWW : RunController::Target::HardDisk);
}

void TFormMain::setSearchTarget(bool www, const QString &target)
{
    switchMode(www);
    (www ? m_comboURL : m_comboDirectory)->setEditText(target);
}

// The controls that show the search-target mode. A switch also stops a walk
// (the controller decides that); a crawl goes on and stays shown as busy.
void TFormMain::UpdateTargetMode()
{
    const bool www = m_run->isWWW();
    if (!www)
        m_pages->setCurrentWidget(m_tabList);
    m_comboDirectory->setVisible(!www);
    m_comboURL->setVisible(www);
    m_labelTaishou->setText(www ? QStringLiteral("　ＵＲＬ") : QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"));
    m_btDirectory->setEnabled(!www);
    m_btWeb->setEnabled(www);
    m_btBack->setEnabled(www);
    m_btForward->setEnabled(www);
    m_toolBtHard->setChecked(!www);
    m_toolBtWWW->setChecked(www);
    m_menuHard->setChecked(!www);
    m_menuWWW->setChecked(www);
}

int TFormMain::busyIndicator() const
{
    return m_btStop->property("imageIndex").toInt();
}

// The busy indicator: the stop button's image and the animation.
void TFormMain::showBusy(bool busy)
{
    m_btStop->setProperty("imageIndex", busy ? ImageBusy : ImageIdle);
    m_btStop->setIcon(toolIcon(busy ? ToolIcon::StopBusy : ToolIcon::StopIdle));
    m_animate->setActive(busy);
}

void TFormMain::LogNormal(const QString &line)
{
    m_memoLog->appendLine(line);
}

void TFormMain::LogError(const QString &line)
{
    m_memoError->appendLine(line);
}

const SearchConditions &TFormMain::searchConditions() const
{
    return m_run->conditions();
}

void TFormMain::applyProxy(const ProxyChoice &proxy)
{
    m_run->applyProxy(proxy);
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
    m_run->ClearAll();
    m_resultList->erase();
}

void TFormMain::SelectLookAlikesCommand()
{
    m_pages->setCurrentWidget(m_tabList);
    m_run->findLookAlikes(m_resultList->fileNames());
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    writeStoredValues();
    event->accept();
    emit programEnd();
}
