// The main window's commands and the hand-over of work to the subsystems.
#include "tformmain.h"

#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "disksearch/disksearch.h"
#include "disksearch/resultlistpane.h"
#include "helpwindow.h"
#include "common/messagebox.h"
#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "statusbar.h"
#include "tformversion.h"
#include "viewer/tformmulti.h"
#include "viewer/previewpane.h"
#include "viewer/tformsetteimulti.h"
#include "viewer/tformview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

void TFormMain::BtTansakuClick()
{
    if (m_www && m_comboURL->currentText().isEmpty()) {
        MessageBox::show(this, QStringLiteral("対象ＵＲＬを指定してください"));
        return;
    }
    if (!m_www && m_comboDirectory->currentText().isEmpty()) {
        MessageBox::show(this, QStringLiteral("対象ディレクトリを指定してください"));
        return;
    }
    PrepareRun();
    m_crawl->setPageCrawling(true);
    // Let the click return and the window repaint before the work begins.
    m_timerTansaku->start(10);
}

void TFormMain::TimerTansakuTimer()
{
    m_timerTansaku->stop();
    // A stop pressed during the wait has set the indicator idle already; it
    // stays so: the walk sees it at its first subdirectory, and a crawl does
    // not begin.
    const bool stopped = busyIndicator() == ImageIdle;
    if (m_www && stopped)
        return;
    m_stb->setText(0, QStringLiteral("探索開始..."));
    if (!stopped)
        setBusyIndicator(ImageBusy);
    m_pages->setCurrentWidget(m_tabList);
    // A walk still running ends first, so that its end steps cannot land in
    // the middle of the new work.
    m_diskSearch->cancel();
    if (m_www) {
        StartCrawl();
        return;
    }
    if (stopped)
        m_diskSearch->stopNextWalk();
    // The walk runs on a thread of its own; its end steps run when it ends.
    SearchDirectory();
}

void TFormMain::BtDirectoryClick()
{
    if (m_peers.selectDir == nullptr || m_peers.selectDir->exec() != 1)
        return;
    const QString directory = m_peers.selectDir->directory();
    if (m_peers.setting != nullptr)
        m_peers.setting->setStartDirectory(directory);
    m_dropDownFlag = true;
    RecordDirectory(directory);
    m_comboDirectory->setEditText(directory);
}

void TFormMain::RecordDirectory(const QString &directory)
{
    m_dirHistory.record(directory);
    updateHistoryButtons(m_dirHistory);
    if (!m_dropDownFlag)
        return;
    QStringList items;
    for (int i = 0; i < m_comboDirectory->count(); ++i)
        items.append(m_comboDirectory->itemText(i));
    moveToFront(items, directory);
    const QString text = m_comboDirectory->currentText();
    m_comboDirectory->clear();
    m_comboDirectory->addItems(items);
    m_comboDirectory->setEditText(text);
}

void TFormMain::updateHistoryButtons(const NavigationHistory &history)
{
    m_btForward->setEnabled(history.canGoForward());
    m_btBack->setEnabled(history.canGoBack());
}

void TFormMain::BtSetteiClick()
{
    if (m_peers.setting != nullptr)
        m_peers.setting->showOnTab(m_toolBtWWW->isChecked() ? QStringLiteral("TabWWW")
                                                            : QStringLiteral("TabHD"));
}

void TFormMain::ShowSystemPanes()
{
    m_pages->setTabVisible(m_pages->indexOf(m_tabHTTP), true);
    m_pages->setTabVisible(m_pages->indexOf(m_tabLog), true);
    m_sta->show();
}

void TFormMain::HomeCommand()
{
    if (m_peers.setting != nullptr)
        m_comboURL->setEditText(searchConditions().startURL);
}

void TFormMain::ShowMultiSettings()
{
    if (m_peers.setteiMulti == nullptr)
        return;
    if (m_peers.multi != nullptr) {
        m_peers.multi->setSettingsDialog(m_peers.setteiMulti);
        m_peers.setteiMulti->setMultiWindow(m_peers.multi);
    }
    m_peers.setteiMulti->show();
    m_peers.setteiMulti->raise();
}

void TFormMain::ShowAbout()
{
    if (m_peers.version == nullptr)
        return;
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_peers.version->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_peers.version->move(frame.topLeft());
    }
    m_peers.version->exec();
}

HelpWindow *TFormMain::helpWindow()
{
    // The manual is read once, when help is first asked for.
    if (m_helpWindow == nullptr)
        m_helpWindow = new HelpWindow(HelpManual::load(m_helpFile), this);
    return m_helpWindow;
}

void TFormMain::HelpContents()
{
    helpWindow()->showContents();
}

void TFormMain::HelpKeywords()
{
    HelpFinder finder(helpWindow()->manual(), helpWindow(), this);
    finder.exec();
}

void TFormMain::connectResultList()
{
    m_diskSearch = new DiskSearch(this);
    connect(m_diskSearch, &DiskSearch::entriesFound, m_resultList, &ResultListPane::appendEntries);
    connect(m_diskSearch, &DiskSearch::fileError, this, &TFormMain::LogError);
    connect(m_diskSearch, &DiskSearch::finished, this, &TFormMain::DirectorySearchFinished);
    connect(m_resultList, &ResultListPane::erased, m_crawl, &CrawlEngine::resetDownloadedCount);
    connect(m_resultList, &ResultListPane::entryClicked, this, &TFormMain::ListImageClick);
    connect(m_resultList, &ResultListPane::entryDoubleClicked, this, &TFormMain::SingleImageCommand);
    connect(m_resultList, &ResultListPane::filesDeleted, this, [this](int count) {
        m_stb->setText(0, QStringLiteral("削除完了 : ") + QString::number(count) + QStringLiteral(" 件"));
    });
}

int TFormMain::FoundCount() const
{
    return m_diskSearch->FoundCount();
}

int TFormMain::ListedCount() const
{
    return m_diskSearch->ListedCount();
}

void TFormMain::SearchDirectory()
{
    // A search that still runs ends here, without its report.
    m_diskSearch->cancel();
    const SearchConditions conditions = searchConditions();
    if (conditions.clearDiskResults)
        m_resultList->clear();
    m_diskSearch->resetCounters();
    m_diskSearch->start(searchRootFor(m_comboDirectory->currentText()),
                        extensionFilters(conditions.imageTypes));
}

void TFormMain::DirectorySearchFinished(bool stopped)
{
    if (stopped)
        m_stb->setText(3, QStringLiteral("探索中止"));
    const int found = m_diskSearch->FoundCount();
    if (found != 0) {
        m_pages->setCurrentWidget(m_tabList);
        m_stb->setText(0, QStringLiteral("検索完了 : ") + QString::number(found) + QStringLiteral(" 件"));
    } else {
        m_stb->setText(0, QStringLiteral("検索該当なし"));
    }
    showRunning(false);
}

// The current result entry goes to the preview; its path shows in panel 4.
void TFormMain::ListImageClick()
{
    const int index = m_resultList->currentIndex();
    if (index < 0)
        return;
    const QByteArray path = m_resultList->EntryFileName(index);
    m_stb->setText(4, QFile::decodeName(path));
    m_preview->LoadPreview(path);
}

void TFormMain::SingleImageCommand()
{
    m_singleViewMode = true;
    if (m_pages->currentWidget() == m_tabURL)
        ViewSelectedLink();
    else
        ShowImageWindow(QStringLiteral("Image"));
}

void TFormMain::MultiImageCommand()
{
    m_singleViewMode = false;
    if (m_pages->currentWidget() == m_tabURL)
        ViewSelectedLink();
    else
        ShowImageWindow(QStringLiteral("Image"));
}

// The window shows the preview's picture at full size, decoded again from
// its file rather than enlarged from the reduced preview.
void TFormMain::ShowImageWindow(const QString &title)
{
    // A click just before the command is still being decoded: the window
    // shows that entry, as the user expects, once the preview has it, and
    // in the mode of this command, whatever was clicked in between.
    if (m_preview->isLoading()) {
        const bool single = m_singleViewMode;
        connect(m_preview, &PreviewPane::loadSettled, this,
                [this, title, single] {
                    m_singleViewMode = single;
                    ShowImageWindow(title);
                },
                Qt::SingleShotConnection);
        return;
    }
    viewWindowFor(m_preview->pictureSize())->showFile(m_preview->picturePath(), title);
}

TFormView *TFormMain::viewWindowFor(QSize picture)
{
    m_requestedViewSize = QSize(picture.width() + 10, picture.height() + 34 + 10);
    TFormView *window = m_peers.view;
    if (!m_singleViewMode || window == nullptr) {
        window = new TFormView(m_requestedViewSize, this);
        // Each holds a full-size picture: it goes when it is closed.
        window->setAttribute(Qt::WA_DeleteOnClose);
        connect(window, &QObject::destroyed, this, [this, window] { m_extraViews.removeOne(window); });
        m_extraViews.append(window);
    }
    return window;
}

// The table command: the selected result entries, in list order and at most
// as many as the grid has cells, go to the multi-image window.
void TFormMain::TableCommand()
{
    const QList<int> selected = m_resultList->selectedIndexes();
    if (selected.isEmpty()) {
        MessageBox::show(this, QStringLiteral("リストを選択してください"));
        return;
    }
    if (m_peers.multi == nullptr)
        return;
    QList<QByteArray> paths;
    for (int index : selected) {
        if (paths.size() == TFormMulti::CellCount)
            break;
        paths.append(m_resultList->EntryFileName(index));
    }
    const auto *stretch = m_preview->findChild<QCheckBox *>(QStringLiteral("CheckStretch"));
    if (m_peers.setteiMulti != nullptr)
        m_peers.multi->setSettingsDialog(m_peers.setteiMulti);
    m_peers.multi->FillMultiWindow(paths, stretch == nullptr || stretch->isChecked());
}
