// Construction of the main window's controls: tool bars, menus, tabs, status
// bars and timers, with the names, captions, hints and sizes they are known by.
#include "tformmain.h"

#include "animation.h"
#include "captiontoolbutton.h"
#include "components/logpane.h"
#include "components/rowpixmapdelegate.h"
#include "crawl/crawlengine.h"
#include "crawl/linkextractor.h"
#include "crawl/thtml.h"
#include "crawl/thttp.h"
#include "deferredlineedit.h"
#include "disksearch/resultlistpane.h"
#include "statusbar.h"
#include "toolicons.h"
#include "viewer/previewpane.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QFont namedFont(const QString &family, bool fixedPitch = false)
{
    QFont font(family);
    font.setPixelSize(12);
    if (fixedPitch)
        font.setStyleHint(QFont::Monospace);
    return font;
}

QPlainTextEdit *makeMemo(const QString &name, QWidget *parent)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

} // namespace

QToolButton *TFormMain::addToolButton(QToolBar *bar, const QString &name, const QString &caption,
                                      const QString &hint, QSize size)
{
    auto *button = new CaptionToolButton(bar);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(size);
    bar->addWidget(button);
    return button;
}

QAction *TFormMain::addMenuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void TFormMain::buildToolBars()
{
    const QSize size1(52, 35);
    m_toolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    m_toolBar1->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar1->setMovable(false);

    m_btDirectory =
        addToolButton(m_toolBar1, QStringLiteral("BtDirectory"), QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"),
                      QStringLiteral("探索するディレクトリを指定"), size1);
    m_btDirectory->setIcon(toolIcon(ToolIcon::Directory));
    auto *btSettei = addToolButton(m_toolBar1, QStringLiteral("BtSettei"), QStringLiteral("設定"),
                                   QStringLiteral("ユーザーの探索条件を設定"), size1);
    btSettei->setIcon(toolIcon(ToolIcon::Settings));
    auto *tb3 = addToolButton(m_toolBar1, QStringLiteral("ToolButton3"), QStringLiteral("検索"),
                              QStringLiteral("検索を実行"), size1);
    tb3->setIcon(toolIcon(ToolIcon::Search));
    tb3->setEnabled(false);
    auto *btSingle = addToolButton(m_toolBar1, QStringLiteral("BtSingle"), QStringLiteral("画像"),
                                   QStringLiteral("単一イメージを表示"), size1);
    btSingle->setIcon(toolIcon(ToolIcon::Single));
    auto *btMulti = addToolButton(m_toolBar1, QStringLiteral("BtMulti"), QStringLiteral("複数"),
                                  QStringLiteral("複数画面としてイメージを表示"), size1);
    btMulti->setIcon(toolIcon(ToolIcon::Multi));
    auto *btTable = addToolButton(m_toolBar1, QStringLiteral("BtTable"), QStringLiteral("ﾃｰﾌﾞﾙ"),
                                  QStringLiteral("画像をテーブルで一覧表示"), size1);
    btTable->setIcon(toolIcon(ToolIcon::Table));
    auto *tb4 = addToolButton(m_toolBar1, QStringLiteral("ToolButton4"), QStringLiteral("Tarnvale"),
                              QStringLiteral("Tarnvale起動"), size1);
    tb4->setIcon(toolIcon(ToolIcon::Launcher));
    tb4->setEnabled(false);
    m_toolBar1->addSeparator();
    m_btStop = addToolButton(m_toolBar1, QStringLiteral("BtStop"), QStringLiteral("中止"),
                             QStringLiteral("探索中止"), size1);
    m_btBack = addToolButton(m_toolBar1, QStringLiteral("BtBack"), QStringLiteral("戻る"),
                             QString(), size1);
    m_btBack->setIcon(toolIcon(ToolIcon::Back));
    m_btBack->setEnabled(false);
    m_btForward = addToolButton(m_toolBar1, QStringLiteral("BtForward"), QStringLiteral("進む"),
                                QString(), size1);
    m_btForward->setIcon(toolIcon(ToolIcon::Forward));
    m_btForward->setEnabled(false);
    auto *btSelect = addToolButton(m_toolBar1, QStringLiteral("BtSelect"), QStringLiteral("収集"),
                                   QStringLiteral("URL下段の画像を収集"), size1);
    btSelect->setIcon(toolIcon(ToolIcon::Collect));
    m_toolBar1->addSeparator();
    m_animate = new TAnimate(m_toolBar1);
    m_animate->setObjectName(QStringLiteral("Animate1"));
    m_animate->setFixedSize(60, 35);
    m_animate->setStopFrame(13);
    m_toolBar1->addWidget(m_animate);

    addToolBarBreak();
    const QSize size2(61, 35);
    m_toolBar2 = addToolBar(QStringLiteral("ToolBar2"));
    m_toolBar2->setObjectName(QStringLiteral("ToolBar2"));
    m_toolBar2->setMovable(false);
    m_toolBtHard =
        addToolButton(m_toolBar2, QStringLiteral("ToolBtHard"), QStringLiteral("ﾊｰﾄﾞﾃﾞｨｽｸ"),
                      QStringLiteral("探索の対象はハードディスク"), size2);
    m_toolBtHard->setIcon(toolIcon(ToolIcon::HardDisk));
    m_toolBtHard->setCheckable(true);
    m_toolBtWWW = addToolButton(m_toolBar2, QStringLiteral("ToolBtWWW"), QStringLiteral("WWW"),
                                QStringLiteral("探索の対象はＷＷＷ"), size2);
    m_toolBtWWW->setIcon(toolIcon(ToolIcon::World));
    m_toolBtWWW->setCheckable(true);

    auto *panel1 = new QWidget(m_toolBar2);
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto *panelLayout = new QHBoxLayout(panel1);
    panelLayout->setContentsMargins(4, 0, 4, 0);
    m_labelTaishou = new QLabel(panel1);
    m_labelTaishou->setObjectName(QStringLiteral("LabelTaishou"));
    m_labelTaishou->setMinimumWidth(48);
    m_comboDirectory = new QComboBox(panel1);
    m_comboDirectory->setObjectName(QStringLiteral("ComboDirectory"));
    m_comboDirectory->setEditable(true);
    m_comboDirectory->setInsertPolicy(QComboBox::NoInsert);
    m_comboDirectory->setMinimumWidth(120);
    m_comboURL = new QComboBox(panel1);
    m_comboURL->setObjectName(QStringLiteral("ComboURL"));
    m_comboURL->setEditable(true);
    m_comboURL->setInsertPolicy(QComboBox::NoInsert);
    m_comboURL->setToolTip(QStringLiteral("URL"));
    // Enter takes the text as typed, not a drop-down item of another case.
    m_comboURL->setDuplicatesEnabled(true);
    m_comboURL->setMinimumWidth(120);
    m_comboURL->hide();
    panelLayout->addWidget(m_labelTaishou);
    panelLayout->addWidget(m_comboDirectory, 1);
    panelLayout->addWidget(m_comboURL, 1);
    m_toolBar2->addWidget(panel1);
    m_toolBar2->addSeparator();
    auto *btTansaku = addToolButton(m_toolBar2, QStringLiteral("BtTansaku"), QStringLiteral("探索"),
                                    QStringLiteral("探索を開始"), size2);
    btTansaku->setIcon(toolIcon(ToolIcon::Start));
    m_btWeb = addToolButton(m_toolBar2, QStringLiteral("BtWeb"), QStringLiteral("Web"),
                            QStringLiteral("ＷＥＢを表示"), size2);
    m_btWeb->setIcon(toolIcon(ToolIcon::Web));

    connect(m_btDirectory, &QToolButton::clicked, this, &TFormMain::BtDirectoryClick);
    connect(btSettei, &QToolButton::clicked, this, &TFormMain::BtSetteiClick);
    connect(btSingle, &QToolButton::clicked, this, &TFormMain::SingleImageCommand);
    connect(btMulti, &QToolButton::clicked, this, &TFormMain::MultiImageCommand);
    connect(btTable, &QToolButton::clicked, this, &TFormMain::TableCommand);
    connect(m_btStop, &QToolButton::clicked, this, &TFormMain::BtStopClick);
    connect(m_btBack, &QToolButton::clicked, this, &TFormMain::BackCommand);
    connect(m_btForward, &QToolButton::clicked, this, &TFormMain::ForwardCommand);
    connect(btSelect, &QToolButton::clicked, this, &TFormMain::CollectCommand);
    connect(btTansaku, &QToolButton::clicked, this, &TFormMain::BtTansakuClick);
    connect(m_btWeb, &QToolButton::clicked, this, &TFormMain::WebCommand);
    // Check-style buttons have toggled by the time `clicked` arrives.
    connect(m_toolBtWWW, &QToolButton::clicked, this,
            [this] { switchMode(m_toolBtWWW->isChecked()); });
    connect(m_toolBtHard, &QToolButton::clicked, this,
            [this] { switchMode(!m_toolBtHard->isChecked()); });
    connect(m_comboURL->lineEdit(), &QLineEdit::returnPressed, this, &TFormMain::WebCommand);
}

void TFormMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    connect(addMenuItem(file, QStringLiteral("Exit1"), QStringLiteral("終了(&X)")),
            &QAction::triggered, this, &QWidget::close);

    QMenu *search = bar->addMenu(QStringLiteral("探索(&T)"));
    connect(addMenuItem(search, QStringLiteral("J1"), QStringLiteral("実行(&G)")),
            &QAction::triggered, this, &TFormMain::BtTansakuClick);
    connect(addMenuItem(search, QStringLiteral("S2"), QStringLiteral("中止(&S)")),
            &QAction::triggered, this, &TFormMain::BtStopClick);
    connect(addMenuItem(search, QStringLiteral("WebW1"), QStringLiteral("Web表示(&W)")),
            &QAction::triggered, this, &TFormMain::WebCommand);
    connect(addMenuItem(search, QStringLiteral("T4"), QStringLiteral("収集(&T)")),
            &QAction::triggered, this, &TFormMain::CollectCommand);

    QMenu *erase = bar->addMenu(QStringLiteral("消去(&E)"));
    connect(addMenuItem(erase, QStringLiteral("M1"), QStringLiteral("ファイルリスト消去(&R)")),
            &QAction::triggered, this, [this] { m_resultList->erase(); });
    connect(addMenuItem(erase, QStringLiteral("MenuAllClear"), QStringLiteral("全消去(&Z)")),
            &QAction::triggered, this, &TFormMain::ClearAll);

    QMenu *bookmark = bar->addMenu(QStringLiteral("ブックマーク(&B)"));
    connect(addMenuItem(bookmark, QStringLiteral("H1"), QStringLiteral("ホーム(&H)")),
            &QAction::triggered, this, &TFormMain::HomeCommand);
    connect(addMenuItem(bookmark, QStringLiteral("S4"), QStringLiteral("サポート掲示板(&S)")),
            &QAction::triggered, this, [this] {
                m_comboURL->setEditText(QStringLiteral("http://www.qorvin.example/vellisk/board/"));
                WebCommand();
            });

    QMenu *settings = bar->addMenu(QStringLiteral("設定(&S)"));
    connect(addMenuItem(settings, QStringLiteral("D1"), QStringLiteral("ディレクトリ(&D)")),
            &QAction::triggered, this, &TFormMain::BtDirectoryClick);
    connect(addMenuItem(settings, QStringLiteral("T1"), QStringLiteral("探索条件(&J)")),
            &QAction::triggered, this, &TFormMain::BtSetteiClick);
    QMenu *target = settings->addMenu(QStringLiteral("探索対象(&T)"));
    target->setObjectName(QStringLiteral("N1"));
    target->menuAction()->setObjectName(QStringLiteral("N1"));
    m_menuHard =
        addMenuItem(target, QStringLiteral("MenuHard"), QStringLiteral("ハードディスク(&H)"));
    m_menuHard->setCheckable(true);
    m_menuHard->setChecked(true);
    m_menuWWW = addMenuItem(target, QStringLiteral("MenuWWW"), QStringLiteral("ＷＷＷ(&W)"));
    m_menuWWW->setCheckable(true);
    // Menu items do not toggle themselves: the state before the click decides.
    connect(m_menuHard, &QAction::triggered, this,
            [this] { switchMode(!m_menuHard->isChecked()); });
    connect(m_menuWWW, &QAction::triggered, this, [this] { switchMode(m_menuWWW->isChecked()); });
    connect(addMenuItem(settings, QStringLiteral("B2"), QStringLiteral("テーブル表示(&B)")),
            &QAction::triggered, this, &TFormMain::ShowMultiSettings);

    QMenu *view = bar->addMenu(QStringLiteral("表示(&L)"));
    connect(addMenuItem(view, QStringLiteral("S3"), QStringLiteral("単独画像(&S)")),
            &QAction::triggered, this, &TFormMain::SingleImageCommand);
    connect(addMenuItem(view, QStringLiteral("M2"), QStringLiteral("複数画像(&M)")),
            &QAction::triggered, this, &TFormMain::MultiImageCommand);
    connect(addMenuItem(view, QStringLiteral("T3"), QStringLiteral("テーブル表示(&T)")),
            &QAction::triggered, this, &TFormMain::TableCommand);
    connect(addMenuItem(view, QStringLiteral("SelectLookAlikes"), QStringLiteral("似た画像を選ぶ")),
            &QAction::triggered, this, &TFormMain::SelectLookAlikesCommand);

    QMenu *help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    connect(addMenuItem(help, QStringLiteral("Contents1"), QStringLiteral("目次(&C)")),
            &QAction::triggered, this, &TFormMain::HelpContents);
    connect(addMenuItem(help, QStringLiteral("K1"), QStringLiteral("ｷｰﾜｰﾄﾞ検索(&K)")),
            &QAction::triggered, this, &TFormMain::HelpKeywords);
    connect(addMenuItem(help, QStringLiteral("About1"), QStringLiteral("バージョン情報(&A)")),
            &QAction::triggered, this, &TFormMain::ShowAbout);
}

void TFormMain::buildTabs()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    // The System button sits in a strip too thin to show it; Alt+Y still
    // reaches it because the button itself is not hidden.
    m_panelSystem = new QFrame(central);
    m_panelSystem->setObjectName(QStringLiteral("PanelSystem"));
    m_panelSystem->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panelSystem->setFixedHeight(38);
    m_button3 = new QPushButton(QStringLiteral("System(&Y)"), m_panelSystem);
    m_button3->setObjectName(QStringLiteral("Button3"));
    m_button3->setGeometry(8, 6, 75, 25);
    // Explicit, so that Alt+Y works where the platform shows no mnemonics.
    m_button3->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Y));
    connect(m_button3, &QPushButton::clicked, this, &TFormMain::ShowSystemPanes);
    layout->addWidget(m_panelSystem);

    m_pages = new QTabWidget(central);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages, 1);

    m_tabWeb = new QWidget(m_pages);
    m_tabWeb->setObjectName(QStringLiteral("TabWeb"));
    m_html = new THTML(m_tabWeb);
    m_html->setObjectName(QStringLiteral("HTML1"));
    m_html->setContextMenuPolicy(Qt::CustomContextMenu);
    m_popRight = new QMenu(m_html);
    m_popRight->setObjectName(QStringLiteral("PopRight"));
    connect(addMenuItem(m_popRight, QStringLiteral("N2"), QStringLiteral("戻る")),
            &QAction::triggered, this, &TFormMain::BackCommand);
    connect(m_html, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_popRight->popup(m_html->mapToGlobal(at)); });
    auto *webLayout = new QVBoxLayout(m_tabWeb);
    webLayout->setContentsMargins(0, 0, 0, 0);
    webLayout->addWidget(m_html);
    m_pages->addTab(m_tabWeb, QStringLiteral("ＷＷＷ"));

    m_tabURL = new QWidget(m_pages);
    m_tabURL->setObjectName(QStringLiteral("TabURL"));
    const QFont mincho = namedFont(QStringLiteral("ＭＳ 明朝"), true);
    m_memoLink = new QListView(m_tabURL);
    m_memoLink->setObjectName(QStringLiteral("MemoLink"));
    m_memoLink->setFont(mincho);
    m_memoLink->setUniformItemSizes(true);
    m_memoLink->setItemDelegate(new RowPixmapDelegate(m_memoLink));
    m_memoLink->setModel(links()->urlList());
    m_memoLink->setFixedHeight(149);
    m_imageLink = new QListView(m_tabURL);
    m_imageLink->setObjectName(QStringLiteral("ImageLink"));
    m_imageLink->setFont(mincho);
    m_imageLink->setUniformItemSizes(true);
    m_imageLink->setItemDelegate(new RowPixmapDelegate(m_imageLink));
    m_imageLink->setModel(links()->imageList());
    // The engine keeps the selection: a collect run takes the selected lines.
    m_imageLink->setSelectionModel(crawl()->imageSelection());
    m_imageLink->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_imageLink, &QListView::doubleClicked, this, &TFormMain::SingleImageCommand);
    auto *urlLayout = new QVBoxLayout(m_tabURL);
    urlLayout->setContentsMargins(0, 0, 0, 0);
    urlLayout->addWidget(m_memoLink);
    urlLayout->addWidget(m_imageLink, 1);
    m_pages->addTab(m_tabURL, QStringLiteral("URL"));

    m_tabHTTP = new QWidget(m_pages);
    m_tabHTTP->setObjectName(QStringLiteral("TabHTTP"));
    auto *httpLayout = new QVBoxLayout(m_tabHTTP);
    for (int i = 0; i < 7; ++i) {
        auto *edit = new DeferredLineEdit(m_tabHTTP);
        m_editHttp[size_t(i)] = edit;
        edit->setObjectName(i == 0 ? QStringLiteral("EditHttpURL")
                                   : QStringLiteral("EditHttp") + QString::number(i));
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("HTTP") + QString::number(i), m_tabHTTP));
        row->addWidget(edit, 1);
        httpLayout->addLayout(row);
    }
    m_memoSrc = makeMemo(QStringLiteral("MemoSrc"), m_tabHTTP);
    httpLayout->addWidget(m_memoSrc, 1);
    auto *httpToHtml = new QPushButton(QStringLiteral("HttpToHtml"), m_tabHTTP);
    httpToHtml->setObjectName(QStringLiteral("HttpToHtml"));
    httpLayout->addWidget(httpToHtml, 0, Qt::AlignLeft);
    m_pages->addTab(m_tabHTTP, QStringLiteral("HTTP"));

    m_tabLog = new QWidget(m_pages);
    m_tabLog->setObjectName(QStringLiteral("TabLog"));
    auto *logLayout = new QHBoxLayout(m_tabLog);
    auto *normal = new QGroupBox(QStringLiteral("Normal End"), m_tabLog);
    m_memoLog = new LogPane(normal);
    m_memoLog->setObjectName(QStringLiteral("MemoLog"));
    (new QVBoxLayout(normal))->addWidget(m_memoLog);
    auto *error = new QGroupBox(QStringLiteral("Error"), m_tabLog);
    m_memoError = new LogPane(error);
    m_memoError->setObjectName(QStringLiteral("MemoError"));
    (new QVBoxLayout(error))->addWidget(m_memoError);
    logLayout->addWidget(normal);
    logLayout->addWidget(error);
    m_pages->addTab(m_tabLog, QStringLiteral("Log"));

    m_tabList = new QWidget(m_pages);
    m_tabList->setObjectName(QStringLiteral("TabList"));
    m_resultList = new ResultListPane(m_tabList);
    m_preview = new PreviewPane(m_tabList);
    connect(m_preview, &PreviewPane::reloadRequested, this, &TFormMain::ListImageClick);
    m_panelBottom = new QFrame(m_tabList);
    m_panelBottom->setObjectName(QStringLiteral("PanelBottom"));
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(m_resultList, 1);
    listRow->addWidget(m_preview);
    auto *listLayout = new QVBoxLayout(m_tabList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addLayout(listRow, 1);
    listLayout->addWidget(m_panelBottom);
    m_pages->addTab(m_tabList, QStringLiteral("ファイルリスト"));
}

void TFormMain::buildStatusBars()
{
    auto *bars = new QWidget(this);
    auto *layout = new QVBoxLayout(bars);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sta = new StatusPanels(QStringLiteral("STA"), {90, 90, 90, 90, 90, 90, 90}, bars);
    m_stb = new StatusPanels(QStringLiteral("STB"), {90, 85, 85, 85, 260, 50}, bars);
    layout->addWidget(m_stb);
    layout->addWidget(m_sta);
    // Both bars stack under the tabs, the main bar first.
    centralWidget()->layout()->addWidget(bars);
}
