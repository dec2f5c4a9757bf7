// The main window's commands and the hand-over of work to the subsystems.
#include "tformmain.h"

#include "common/messagebox.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "disksearch/disksearch.h"
#include "disksearch/resultlistpane.h"
#include "helpwindow.h"
#include "run/runcontroller.h"
#include "settings/tformselectdir.h"
#include "settings/tformsetting.h"
#include "statusbar.h"
#include "tformversion.h"
#include "viewer/previewpane.h"
#include "viewer/tformmulti.h"
#include "viewer/tformsetteimulti.h"
#include "viewer/tformview.h"

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
    const bool www = m_run->isWWW();
    const QString target = (www ? m_comboURL : m_comboDirectory)->currentText();
    if (m_run->search(target) == RunController::Refusal::NoTarget)
        MessageBox::show(this, www ? QStringLiteral("対象ＵＲＬを指定してください")
                                   : QStringLiteral("対象ディレクトリを指定してください"));
}

void TFormMain::BtStopClick()
{
    m_run->Stop();
}

void TFormMain::PrepareRun()
{
    m_run->PrepareRun();
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
    DiskSearch *walk = m_run->diskSearch();
    connect(walk, &DiskSearch::entriesFound, m_resultList, &ResultListPane::appendEntries);
    connect(walk, &DiskSearch::fileError, this, &TFormMain::LogError);
    connect(m_resultList, &ResultListPane::erased, m_run->crawl(),
            &CrawlEngine::resetDownloadedCount);
    connect(m_resultList, &ResultListPane::entryClicked, this, &TFormMain::ListImageClick);
    connect(m_resultList, &ResultListPane::entryDoubleClicked, this,
            &TFormMain::SingleImageCommand);
    connect(m_resultList, &ResultListPane::filesDeleted, this, [this](int count) {
        m_stb->setText(MainPanel::Work, QStringLiteral("削除完了 : ") + QString::number(count) +
                                            QStringLiteral(" 件"));
    });
}

int TFormMain::FoundCount() const
{
    return m_run->diskSearch()->FoundCount();
}

int TFormMain::ListedCount() const
{
    return m_run->diskSearch()->ListedCount();
}

// The current result entry goes to the preview; its path shows in panel 4.
void TFormMain::ListImageClick()
{
    const int index = m_resultList->currentIndex();
    if (index < 0)
        return;
    const QByteArray path = m_resultList->EntryFileName(index);
    m_stb->setText(MainPanel::Address, QFile::decodeName(path));
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
        connect(
            m_preview, &PreviewPane::loadSettled, this,
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
        connect(window, &QObject::destroyed, this,
                [this, window] { m_extraViews.removeOne(window); });
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
    if (m_peers.setteiMulti != nullptr)
        m_peers.multi->setSettingsDialog(m_peers.setteiMulti);
    m_peers.multi->FillMultiWindow(paths, m_preview->stretchOn());
}
