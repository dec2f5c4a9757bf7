// The browser pane: the Web, Back and Forward commands, the history the
// browser's requests build, and HTTP0's single fetch (proxy-mode pages and
// pictures of the image list).
#include "tformmain.h"

#include "common/messagebox.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/linklist.h"
#include "crawl/singlefetch.h"
#include "crawl/thtml.h"
#include "crawl/webaddress.h"
#include "deferredlineedit.h"
#include "run/runcontroller.h"
#include "settings/tformsetting.h"
#include "statusbar.h"
#include "viewer/tformview.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

void TFormMain::connectWeb()
{
    connect(m_html, &THTML::OnDoRequestDoc, this, &TFormMain::HTML1DoRequestDoc);
    connect(m_html, &THTML::OnBeginRetrieval, this, &TFormMain::HTML1BeginRetrieval);
    connect(m_html, &THTML::OnEndRetrieval, this, &TFormMain::HTML1EndRetrieval);

    // The crawl may use the browser's cookies: the engine then starts with
    // the crawl, not only with a page shown.
    CrawlEngine *crawl = m_run->crawl();
    m_html->setCookieMirror(crawl->browserCookies());
    connect(crawl, &CrawlEngine::browserCookiesWanted, m_html, &THTML::startEngine);

    SingleFetch *fetch = m_run->singleFetch();
    connect(fetch, &SingleFetch::sourceCleared, m_memoSrc, &QPlainTextEdit::clear);
    connect(fetch, &SingleFetch::sourceArrived, m_memoSrc, &QPlainTextEdit::setPlainText);
    connect(fetch, &SingleFetch::pictureArrived, this, &TFormMain::showLinkPicture);
}

bool TFormMain::proxyInUse() const
{
    return m_peers.setting != nullptr && m_peers.setting->proxyInUse();
}

void TFormMain::WebCommand()
{
    m_dropDownFlag = true;
    ShowWeb();
}

void TFormMain::ShowWeb()
{
    const QString text = m_comboURL->currentText();
    if (text.trimmed().isEmpty())
        return;
    const QUrl address = webAddressFromTyped(text);
    if (!address.isValid()) {
        LogError(QStringLiteral("Refused : ") + text);
        return;
    }
    if (proxyInUse()) {
        // A text typed without a scheme is fetched as the browser would take it.
        m_run->fetchPage(isWebAddress(QUrl(text)) ? text : address.toString());
        return;
    }
    LogNormal(QStringLiteral("FindAddress : ") + text);
    m_html->LoadURL(text);
    m_pages->setCurrentWidget(m_tabWeb);
}

void TFormMain::BackCommand()
{
    const QString target = m_browserHistory.backTarget();
    if (target.isEmpty())
        return;
    m_comboURL->setEditText(target);
    ShowWeb();
}

void TFormMain::ForwardCommand()
{
    const QString target = m_browserHistory.forwardTarget();
    if (target.isEmpty())
        return;
    m_comboURL->setEditText(target);
    ShowWeb();
}

void TFormMain::HTML1DoRequestDoc(const QString &URL)
{
    if (proxyInUse())
        return;
    const QString page = m_browserHistory.request(URL, m_dropDownFlag);
    updateHistoryButtons(m_browserHistory.history());
    if (m_dropDownFlag) {
        m_comboURL->clear();
        m_comboURL->addItems(m_browserHistory.dropDownItems());
    }
    m_comboURL->setEditText(page);
    m_stb->setText(MainPanel::Address, page);
}

void TFormMain::HTML1BeginRetrieval()
{
    m_run->setBrowsing(true);
}

void TFormMain::HTML1EndRetrieval()
{
    m_run->setBrowsing(false);
}

// The focused image link is downloaded into the transfer file of the save
// directory, then shown (SingleFetch, TimerGazou).
void TFormMain::ViewSelectedLink()
{
    const QModelIndex current = m_imageLink->currentIndex();
    if (!current.isValid())
        return;
    // The list knows where each line's URL starts: the number grows to five
    // digits from entry 10000 on.
    const QByteArray url = links()->imageList()->urlOf(current.row()).toByteArray();
    if (m_run->viewLinkPicture(url) == RunController::Refusal::NotAPicture)
        MessageBox::show(this, QStringLiteral("画像リストの画像ファイルを選択してください"));
}

void TFormMain::showLinkPicture(const QImage &picture, const QString &title)
{
    viewWindowFor(picture.size())->FillViewWindow(picture, title);
}
