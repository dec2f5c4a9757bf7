// The main window's share of the web crawl: the commands that start and
// stop it, and where the engine's reports appear.
#include "tformmain.h"

#include "animation.h"
#include "common/messagebox.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/webaddress.h"
#include "deferredlineedit.h"
#include "disksearch/resultentry.h"
#include "disksearch/resultlistpane.h"
#include "run/runcontroller.h"
#include "settings/tformsetting.h"
#include "statusbar.h"
#include "viewer/previewpane.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <ctime>

THTTP *TFormMain::http(int index) const
{
    return m_run->http(index);
}

CrawlEngine *TFormMain::crawl() const
{
    return m_run->crawl();
}

SingleFetch *TFormMain::singleFetch() const
{
    return m_run->singleFetch();
}

LinkExtractor *TFormMain::links() const
{
    return m_run->crawl()->links();
}

void TFormMain::CollectCommand()
{
    const QString target = (m_run->isWWW() ? m_comboURL : m_comboDirectory)->currentText();
    switch (m_run->collect(target)) {
    case RunController::Refusal::NoImages:
        MessageBox::show(this, QStringLiteral("画像のURLがありません"));
        return;
    case RunController::Refusal::NoFileSave:
        MessageBox::show(this, QStringLiteral("画像を保存するディレクトリを指定してください"));
        if (m_peers.setting != nullptr)
            m_peers.setting->showOnTab(QStringLiteral("TabGazou"));
        return;
    case RunController::Refusal::NoTarget:
    case RunController::Refusal::NotAPicture:
    case RunController::Refusal::None:
        return;
    }
}

void TFormMain::statusText(int panel, const QString &text)
{
    m_stb->setText(panel, text);
}

void TFormMain::progressText(int panel, const QString &text)
{
    m_stb->setProgressText(panel, text);
}

void TFormMain::slotStatusText(int panel, const QString &text)
{
    m_sta->setText(panel, text);
}

void TFormMain::slotURL(int slot, const QString &url)
{
    // EditHttpURL shows at once what HTTP0 or a crawl starts from; the slots'
    // fields change too often to lay out while their page is hidden.
    if (slot == 0)
        m_editHttp[0]->setText(url);
    else if (slot > 0 && slot < int(m_editHttp.size()))
        m_editHttp[size_t(slot)]->setTextWhenShown(url);
}

void TFormMain::clearSource()
{
    // Called as each of the crawl's transfers begins; clearing a document,
    // even an empty one, costs more than the check.
    if (!m_memoSrc->document()->isEmpty())
        m_memoSrc->clear();
}

void TFormMain::clearFileList()
{
    m_resultList->clear();
}

void TFormMain::clearFileListSelection()
{
    m_resultList->listView()->clearSelection();
}

void TFormMain::listAcceptedImage(const QByteArray &path, qint64 size)
{
    // The line carries the day it was listed, not the file's date.
    m_resultList->appendEntry(ResultEntry::format(std::time(nullptr), size, path));
    const int last = m_resultList->count() - 1;
    QListView *view = m_resultList->listView();
    if (last > 0)
        view->selectionModel()->select(view->model()->index(last - 1, 0),
                                       QItemSelectionModel::Deselect);
    m_resultList->selectEntry(last);
}

void TFormMain::autoDisplay()
{
    if (m_preview->autoDisplay())
        ListImageClick();
}
