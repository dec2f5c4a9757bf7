#pragma once

#include "common/directoryhistory.h"
#include "common/searchconditions.h"
#include "crawl/browserhistory.h"
#include "crawl/crawlreporter.h"

#include <QMainWindow>

#include <array>

class QAction;
class QComboBox;
class QFrame;
class QImage;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class LogPane;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;

class CrawlEngine;
class DeferredLineEdit;
class HelpWindow;
class LinkExtractor;
class PreviewPane;
class ResultListPane;
class RunController;
class SingleFetch;
class StatusPanels;
class TAnimate;
class THTML;
class THTTP;
class TFormMulti;
class TFormSelectDir;
class TFormSetteiMulti;
class TFormSetting;
class TFormVersion;
class TFormView;

// The other windows, created after the main window; the main window only
// reaches them through this set once start-up has finished.
struct PeerWindows
{
    TFormSelectDir *selectDir = nullptr;
    TFormView *view = nullptr;
    TFormSetting *setting = nullptr;
    TFormMulti *multi = nullptr;
    TFormSetteiMulti *setteiMulti = nullptr;
    TFormVersion *version = nullptr;
};

// The main window: tool bars, menus, the five tabs, the two status bars and
// the log panes. Every run (walk, crawl, collect run, single fetch) belongs to
// the run controller; this class wires commands to it and shows what it
// reports.
class TFormMain : public QMainWindow, public CrawlReporter
{
    Q_OBJECT
public:
    static constexpr int ImageBusy = 8;
    static constexpr int ImageIdle = 9;

    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    void setPeers(const PeerWindows &peers) { m_peers = peers; }

    RunController *runController() const { return m_run; }
    // Search-target mode: true for WWW, false for the hard disk.
    bool isWWWMode() const;
    // A target given from outside (the command line): the mode switches and
    // the directory or address goes into that mode's box.
    void setSearchTarget(bool www, const QString &target);

    // The image index BtStop shows: ImageBusy while work runs.
    int busyIndicator() const;

    // A line of the "Normal End" log (MemoLog) and of the "Error" log (MemoError).
    void LogNormal(const QString &line) override;
    void LogError(const QString &line) override;
    StatusPanels *statusBarMain() const { return m_stb; }
    StatusPanels *statusBarSlots() const { return m_sta; }

    void RecordDirectory(const QString &directory);
    const NavigationHistory &directoryHistory() const { return m_dirHistory; }
    const NavigationHistory &urlHistory() const { return m_browserHistory.history(); }

    // HTTP0 (single fetches) and the crawl's HTTP1 ... HTTP6.
    THTTP *http(int index) const;
    CrawlEngine *crawl() const;
    THTML *html() const { return m_html; }
    // HTTP0's single fetch: proxy-mode pages and pictures of the image list.
    SingleFetch *singleFetch() const;
    // The program-wide proxy flag of the settings dialog.
    bool proxyInUse() const;
    QString helpFilePath() const { return m_helpFile; }
    const PeerWindows &peers() const { return m_peers; }
    ResultListPane *resultList() const { return m_resultList; }
    PreviewPane *preview() const { return m_preview; }
    QListView *memoLink() const { return m_memoLink; }
    QListView *imageLink() const { return m_imageLink; }
    // The crawl's URL list and image list with their line routines.
    LinkExtractor *links() const;
    // The settings dialog's search conditions as last handed on.
    const SearchConditions &searchConditions() const;
    ImageTypes imageTypes() const { return searchConditions().imageTypes; }
    // Hands the proxy the settings dialog applies to HTTP0 ... HTTP6.
    void applyProxy(const ProxyChoice &proxy);

    // Where the crawl engine's panel texts, log lines and results go.
    void statusText(int panel, const QString &text) override;
    void progressText(int panel, const QString &text) override;
    void slotStatusText(int panel, const QString &text) override;
    void slotURL(int slot, const QString &url) override;
    void clearSource() override;
    void clearFileList() override;
    void clearFileListSelection() override;
    void listAcceptedImage(const QByteArray &path, qint64 size) override;
    void autoDisplay() override;
    QTabWidget *pages() const { return m_pages; }

    // Commands, as the menus and tool buttons run them.
    void BtTansakuClick();
    void BtStopClick();
    void BtDirectoryClick();
    void BtSetteiClick();
    void ShowSystemPanes();
    void ClearStatusAndLogs() override;
    void PrepareRun();
    void ClearAll();
    void HomeCommand();
    void ShowAbout();
    void HelpContents();
    void HelpKeywords();

    // Entry points of the subsystems that plug in here.
    void WebCommand();
    void CollectCommand();
    void BackCommand();
    void ForwardCommand();
    void SingleImageCommand();
    void MultiImageCommand();
    void TableCommand();
    void ShowMultiSettings();
    void ListImageClick();
    void ShowImageWindow(const QString &title);
    void ViewSelectedLink();
    void ShowWeb();
    // "似た画像を選ぶ": selects every look-alike in the result list but the
    // largest of its group.
    void SelectLookAlikesCommand();
    // On after "画像", off after "複数": whether the shared window is reused.
    bool singleViewMode() const { return m_singleViewMode; }
    // The size a newly created single-image window is asked to take.
    QSize requestedViewSize() const { return m_requestedViewSize; }
    // Single-image windows opened on demand and not yet closed, oldest first.
    const QList<TFormView *> &extraViews() const { return m_extraViews; }

    // Counters of the last disk search: files that matched, entries listed.
    int FoundCount() const;
    int ListedCount() const;

signals:
    // The main window has been closed: the program ends.
    void programEnd();

protected:
    void closeEvent(QCloseEvent *event) override;
    // tformmain_drop.cpp: a folder or an address dropped on the window.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // tformmain_layout.cpp
    void buildToolBars();
    void buildMenus();
    void buildTabs();
    void buildStatusBars();
    QToolButton *addToolButton(QToolBar *bar, const QString &name, const QString &caption,
                               const QString &hint, QSize size);
    QAction *addMenuItem(QMenu *menu, const QString &name, const QString &caption);

    // tformmain.cpp
    void readStoredValues();
    void writeStoredValues();
    void InitMainWindow();
    void connectRun();
    void connectResultList();
    void UpdateTargetMode();
    void showBusy(bool busy);
    void switchMode(bool www);
    void updateHistoryButtons(const NavigationHistory &history);
    HelpWindow *helpWindow();
    // The shared single-image window or, after "複数", a new one, asked to
    // take the size that fits `picture`.
    TFormView *viewWindowFor(QSize picture);

    // tformmain_web.cpp
    void connectWeb();
    void HTML1DoRequestDoc(const QString &URL);
    void HTML1BeginRetrieval();
    void HTML1EndRetrieval();
    void showLinkPicture(const QImage &picture, const QString &title);

    PeerWindows m_peers;
    RunController *m_run;
    bool m_dropDownFlag = false;
    QString m_helpFile;
    NavigationHistory m_dirHistory;
    BrowserHistory m_browserHistory;

    QToolBar *m_toolBar1 = nullptr;
    QToolBar *m_toolBar2 = nullptr;
    QToolButton *m_btDirectory = nullptr;
    QToolButton *m_btStop = nullptr;
    QToolButton *m_btBack = nullptr;
    QToolButton *m_btForward = nullptr;
    QToolButton *m_btWeb = nullptr;
    QToolButton *m_toolBtHard = nullptr;
    QToolButton *m_toolBtWWW = nullptr;
    TAnimate *m_animate = nullptr;
    QLabel *m_labelTaishou = nullptr;
    QComboBox *m_comboDirectory = nullptr;
    QComboBox *m_comboURL = nullptr;
    QFrame *m_panelSystem = nullptr;
    QPushButton *m_button3 = nullptr;
    QAction *m_menuHard = nullptr;
    QAction *m_menuWWW = nullptr;

    QTabWidget *m_pages = nullptr;
    QWidget *m_tabWeb = nullptr;
    QWidget *m_tabURL = nullptr;
    QWidget *m_tabHTTP = nullptr;
    QWidget *m_tabLog = nullptr;
    QWidget *m_tabList = nullptr;
    THTML *m_html = nullptr;
    QMenu *m_popRight = nullptr;
    QListView *m_memoLink = nullptr;
    QListView *m_imageLink = nullptr;
    QPlainTextEdit *m_memoSrc = nullptr;
    LogPane *m_memoLog = nullptr;
    LogPane *m_memoError = nullptr;
    ResultListPane *m_resultList = nullptr;
    PreviewPane *m_preview = nullptr;
    QFrame *m_panelBottom = nullptr;
    // EditHttpURL, then EditHttp1 ... EditHttp6.
    std::array<DeferredLineEdit *, 7> m_editHttp{};

    StatusPanels *m_stb = nullptr;
    StatusPanels *m_sta = nullptr;

    HelpWindow *m_helpWindow = nullptr;
    bool m_singleViewMode = true;
    QSize m_requestedViewSize{0, 0};
    QList<TFormView *> m_extraViews;
};
