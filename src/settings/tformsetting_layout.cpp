// Construction of the settings dialog's tabs, with the names, captions and
// initial values its controls are known by.
#include "tformsetting.h"

#include "common/integertext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QLineEdit *makeEdit(const QString &name, const QString &text, QWidget *parent, int width = 0)
{
    auto *edit = named(new QLineEdit(text, parent), name);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

// Dependent controls keep their place while hidden, so the tab does not jump
// when a check box is clicked.
void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

void setDigitsOnly(QLineEdit *edit, int maxDigits)
{
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(maxDigits);
}

// A "choice of two" with the items 0 and 1, initially on item 1.
QButtonGroup *makeChoice(const QString &name, const QString &title, QWidget *parent, QLayout *into)
{
    auto *box = named(new QGroupBox(title, parent), name);
    auto *layout = new QVBoxLayout(box);
    auto *group = new QButtonGroup(box);
    const QString items[] = {QStringLiteral("結果を累積する"), QStringLiteral("毎回クリアする")};
    for (int i = 0; i < 2; ++i) {
        auto *radio = named(new QRadioButton(items[i], box), name + QString::number(i));
        group->addButton(radio, i);
        layout->addWidget(radio);
    }
    group->button(1)->setChecked(true);
    layout->addStretch(1);
    into->addWidget(box);
    return group;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    return layout;
}

} // namespace

void TFormSetting::buildMenuAndStatus()
{
    QAction *close = menuBar()->addAction(QStringLiteral("閉じる(&C)"));
    close->setObjectName(QStringLiteral("C1"));
    connect(close, &QAction::triggered, this, &QWidget::close);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    m_status = named(new QLabel(statusBar()), QStringLiteral("StatusBar1_0"));
    statusBar()->addWidget(m_status, 1);
}

QWidget *TFormSetting::buildTabWWW()
{
    auto *page = named(new QWidget(m_tabs), QStringLiteral("TabWWW"));
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(8, 8, 8, 8);

    auto *groupURL = new QGroupBox(QStringLiteral("開始ＵＲＬ"), page);
    m_editStartURL =
        makeEdit(QStringLiteral("EditStartURL"), SearchSetting::StartURL.firstRun, groupURL);
    (new QVBoxLayout(groupURL))->addWidget(m_editStartURL);
    grid->addWidget(groupURL, 0, 0, 1, 3);

    auto *kekka = new QVBoxLayout;
    m_radioKekkaWWW =
        makeChoice(QStringLiteral("RadioKekkaWWW"), QStringLiteral("探索結果(WWW)"), page, kekka);
    grid->addLayout(kekka, 1, 0);

    auto *groupStop = new QGroupBox(QStringLiteral("探索打ち切り条件"), page);
    auto *stop = new QGridLayout(groupStop);
    m_editMaxImage =
        makeEdit(QStringLiteral("EditMaxImage"), SearchSetting::MaxImage.firstRun, groupStop, 56);
    m_editMaxURL =
        makeEdit(QStringLiteral("EditMaxURL"), SearchSetting::MaxURL.firstRun, groupStop, 56);
    m_editUchikiri =
        makeEdit(QStringLiteral("EditUchikiri"), SearchSetting::Uchikiri.firstRun, groupStop, 56);
    stop->addWidget(new QLabel(QStringLiteral("画像数"), groupStop), 0, 0);
    stop->addWidget(m_editMaxImage, 0, 1);
    stop->addWidget(new QLabel(QStringLiteral("件"), groupStop), 0, 2);
    stop->addWidget(new QLabel(QStringLiteral("URL"), groupStop), 1, 0);
    stop->addWidget(m_editMaxURL, 1, 1);
    stop->addWidget(new QLabel(QStringLiteral("件"), groupStop), 1, 2);
    stop->addWidget(m_editUchikiri, 2, 1);
    stop->addWidget(new QLabel(QStringLiteral("秒"), groupStop), 2, 2);
    stop->setColumnStretch(3, 1);
    grid->addWidget(groupStop, 1, 1);

    auto *groupLink = new QGroupBox(QStringLiteral("リンク"), page);
    auto *link = new QVBoxLayout(groupLink);
    m_checkGaibu = named(new QCheckBox(QStringLiteral("外部リンクを追う"), groupLink),
                         QStringLiteral("CheckGaibu"));
    m_checkLinkMax = named(new QCheckBox(QStringLiteral("リンク先MAXの設定"), groupLink),
                           QStringLiteral("CheckLinkMax"));
    m_editLinkMax = makeEdit(QStringLiteral("EditLinkMax"), QStringLiteral("2"), groupLink, 56);
    keepPlaceWhenHidden(m_checkLinkMax);
    keepPlaceWhenHidden(m_editLinkMax);
    link->addWidget(m_checkGaibu);
    link->addWidget(m_checkLinkMax);
    link->addWidget(m_editLinkMax);
    link->addStretch(1);
    grid->addWidget(groupLink, 1, 2);

    auto *groupSpeed = new QGroupBox(QStringLiteral("探索速度"), page);
    auto *speed = new QHBoxLayout(groupSpeed);
    m_scrollSpeed =
        named(new QScrollBar(Qt::Horizontal, groupSpeed), QStringLiteral("ScrollSpeed"));
    m_scrollSpeed->setRange(1, 6);
    m_scrollSpeed->setPageStep(1);
    m_scrollSpeed->setValue(SearchSetting::Speed.firstRun);
    m_labelSpeed = named(new QLabel(QStringLiteral("4"), groupSpeed), QStringLiteral("LabelSpeed"));
    m_labelSpeed->setMinimumWidth(16);
    speed->addWidget(new QLabel(QStringLiteral("遅い"), groupSpeed));
    speed->addWidget(m_scrollSpeed, 1);
    speed->addWidget(new QLabel(QStringLiteral("速い"), groupSpeed));
    speed->addSpacing(12);
    speed->addWidget(m_labelSpeed);
    grid->addWidget(groupSpeed, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget *TFormSetting::buildTabHD()
{
    auto *page = named(new QWidget(m_tabs), QStringLiteral("TabHD"));
    auto *layout = pageLayout(page);

    auto *groupStart = new QGroupBox(QStringLiteral("開始ディレクトリ"), page);
    auto *start = new QHBoxLayout(groupStart);
    m_editStart = makeEdit(QStringLiteral("EditStart"), SearchSetting::Start.firstRun, groupStart);
    m_button3 =
        named(new QPushButton(QStringLiteral("設定(&U)"), groupStart), QStringLiteral("Button3"));
    start->addWidget(m_editStart, 1);
    start->addWidget(m_button3);
    layout->addWidget(groupStart);

    auto *kekka = new QHBoxLayout;
    m_radioKekka =
        makeChoice(QStringLiteral("RadioKekka"), QStringLiteral("探索結果"), page, kekka);
    kekka->addStretch(1);
    layout->addLayout(kekka);
    layout->addStretch(1);
    return page;
}

QWidget *TFormSetting::buildTabGazou()
{
    auto *page = named(new QWidget(m_tabs), QStringLiteral("TabGazou"));
    auto *columns = new QHBoxLayout(page);
    columns->setContentsMargins(8, 8, 8, 8);

    // Where collected images go.
    auto *groupSave = new QGroupBox(QStringLiteral("画像の保存"), page);
    auto *save = new QVBoxLayout(groupSave);
    m_checkFileSave = named(new QCheckBox(QStringLiteral("ファイルへ保存する"), groupSave),
                            QStringLiteral("CheckFileSave"));
    save->addWidget(m_checkFileSave);
    m_groupDirectory = named(new QGroupBox(groupSave), QStringLiteral("GroupDirectory"));
    keepPlaceWhenHidden(m_groupDirectory);
    auto *dir = new QGridLayout(m_groupDirectory);
    m_editDirectory = makeEdit(QStringLiteral("EditDirectory"), QString(), m_groupDirectory);
    m_button4 = named(new QPushButton(QStringLiteral("設定(&S)"), m_groupDirectory),
                      QStringLiteral("Button4"));
    m_button7 = named(new QPushButton(QStringLiteral("ﾃﾞｨﾚｸﾄﾘ作成"), m_groupDirectory),
                      QStringLiteral("Button7"));
    dir->addWidget(named(new QLabel(QStringLiteral("ディレクトリ"), m_groupDirectory),
                         QStringLiteral("LabelDirectory")),
                   0, 0, 1, 2);
    dir->addWidget(m_editDirectory, 1, 0, 1, 2);
    dir->addWidget(m_button4, 2, 0);
    dir->addWidget(m_button7, 2, 1);
    save->addWidget(m_groupDirectory);
    m_checkDBSave = named(new QCheckBox(QStringLiteral("DBへ保存する"), groupSave),
                          QStringLiteral("CheckDBSave"));
    save->addWidget(m_checkDBSave);
    // Saving into a database is never offered; the group stays hidden.
    m_groupDB = named(new QGroupBox(groupSave), QStringLiteral("GroupDB"));
    auto *db = new QHBoxLayout(m_groupDB);
    db->addWidget(new QLabel(QStringLiteral("DB名称"), m_groupDB));
    auto *dbName = new QLineEdit(m_groupDB);
    dbName->setEnabled(false);
    db->addWidget(dbName);
    db->addWidget(new QPushButton(QStringLiteral("DB名称(&B)"), m_groupDB));
    save->addWidget(m_groupDB);
    save->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(groupSave, 1);

    // Which images count, and how they are checked.
    auto *groupTypes = new QGroupBox(QStringLiteral("対象画像"), page);
    auto *types = new QHBoxLayout(groupTypes);
    m_checkJPEG =
        named(new QCheckBox(QStringLiteral("JPEG"), groupTypes), QStringLiteral("CheckJPEG"));
    m_checkJPEG->setChecked(true);
    m_checkGIF =
        named(new QCheckBox(QStringLiteral("GIF"), groupTypes), QStringLiteral("CheckGIF"));
    m_checkBMP =
        named(new QCheckBox(QStringLiteral("BMP"), groupTypes), QStringLiteral("CheckBMP"));
    types->addWidget(m_checkJPEG);
    types->addWidget(m_checkGIF);
    types->addWidget(m_checkBMP);
    left->addWidget(groupTypes);
    columns->addLayout(left, 1);

    auto *right = new QVBoxLayout;
    auto *groupCheck = new QGroupBox(QStringLiteral("画像サイズのチェック"), page);
    auto *check = new QVBoxLayout(groupCheck);
    m_checkSize = named(new QCheckBox(QStringLiteral("サイズチェック"), groupCheck),
                        QStringLiteral("CheckSize"));
    check->addWidget(m_checkSize);
    m_groupSize = named(new QGroupBox(QStringLiteral("ファイルサイズの範囲"), groupCheck),
                        QStringLiteral("GroupSize"));
    keepPlaceWhenHidden(m_groupSize);
    auto *size = new QHBoxLayout(m_groupSize);
    m_editMinSize =
        makeEdit(QStringLiteral("EditMinSize"), SearchSetting::MinSize.firstRun, m_groupSize, 48);
    m_editMaxSize =
        makeEdit(QStringLiteral("EditMaxSize"), SearchSetting::MaxSize.firstRun, m_groupSize, 48);
    size->addWidget(m_editMinSize);
    size->addWidget(new QLabel(QStringLiteral("KB ～"), m_groupSize));
    size->addWidget(m_editMaxSize);
    size->addWidget(new QLabel(QStringLiteral("KB まで"), m_groupSize));
    size->addStretch(1);
    check->addWidget(m_groupSize);
    m_checkHiritsu = named(new QCheckBox(QStringLiteral("比率チェック"), groupCheck),
                           QStringLiteral("CheckHiritsu"));
    check->addWidget(m_checkHiritsu);
    m_groupHiritsu = named(new QGroupBox(QStringLiteral("縦横比率"), groupCheck),
                           QStringLiteral("GroupHiritsu"));
    keepPlaceWhenHidden(m_groupHiritsu);
    auto *ratio = new QHBoxLayout(m_groupHiritsu);
    m_editHiritsu = makeEdit(QStringLiteral("EditHiritsu"), SearchSetting::Hiritsu.firstRun,
                             m_groupHiritsu, 48);
    setDigitsOnly(m_editHiritsu, 3);
    ratio->addWidget(new QLabel(QStringLiteral("横／縦"), m_groupHiritsu));
    ratio->addWidget(m_editHiritsu);
    ratio->addWidget(new QLabel(QStringLiteral("％ まで"), m_groupHiritsu));
    ratio->addStretch(1);
    check->addWidget(m_groupHiritsu);
    right->addWidget(groupCheck);
    right->addStretch(1);
    columns->addLayout(right, 1);
    return page;
}

QWidget *TFormSetting::buildTabNetwork()
{
    auto *page = named(new QWidget(m_tabs), QStringLiteral("TabNetwork"));
    auto *layout = pageLayout(page);

    auto *groupProxy = new QGroupBox(QStringLiteral("プロキシ・サーバー"), page);
    auto *proxy = new QGridLayout(groupProxy);
    m_checkProxy =
        named(new QCheckBox(QStringLiteral("利用する"), groupProxy), QStringLiteral("CheckProxy"));
    m_labelIP =
        named(new QLabel(QStringLiteral("IP Address"), groupProxy), QStringLiteral("LabelIP"));
    m_editIPAddress = makeEdit(QStringLiteral("EditIPAddress"), QString(), groupProxy, 200);
    m_labelPort =
        named(new QLabel(QStringLiteral("Port No."), groupProxy), QStringLiteral("LabelPort"));
    m_editPort = makeEdit(QStringLiteral("EditPort"), QString(), groupProxy, 80);
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_labelIP, m_editIPAddress, m_labelPort, m_editPort})
        keepPlaceWhenHidden(w);
    m_button6 =
        named(new QPushButton(QStringLiteral("更新(&U)"), groupProxy), QStringLiteral("Button6"));
    proxy->addWidget(m_checkProxy, 0, 0, 1, 2);
    proxy->addWidget(m_labelIP, 1, 0);
    proxy->addWidget(m_editIPAddress, 1, 1);
    proxy->addWidget(m_labelPort, 2, 0);
    proxy->addWidget(m_editPort, 2, 1);
    proxy->addWidget(m_button6, 3, 0);
    proxy->setColumnStretch(2, 1);
    layout->addWidget(groupProxy);

    // Kept and stored only: nothing reads these limits, and they are never shown.
    m_groupHr =
        named(new QGroupBox(QStringLiteral("サイズ、比率の上限"), page), QStringLiteral("GroupHr"));
    auto *hr = new QHBoxLayout(m_groupHr);
    m_editHeight =
        makeEdit(QStringLiteral("EditHeight"), SearchSetting::Height.firstRun, m_groupHr, 48);
    m_editWidth =
        makeEdit(QStringLiteral("EditWidth"), SearchSetting::Width.firstRun, m_groupHr, 48);
    setDigitsOnly(m_editHeight, 4);
    setDigitsOnly(m_editWidth, 4);
    hr->addWidget(new QLabel(QStringLiteral("Height"), m_groupHr));
    hr->addWidget(m_editHeight);
    hr->addWidget(new QLabel(QStringLiteral("Width"), m_groupHr));
    hr->addWidget(m_editWidth);
    m_groupHr->hide();
    layout->addWidget(m_groupHr);
    layout->addStretch(1);
    return page;
}

void TFormSetting::connectRules()
{
    connect(m_checkGaibu, &QCheckBox::toggled, this, &TFormSetting::CheckGaibuClick);
    connect(m_checkFileSave, &QCheckBox::toggled, this, &TFormSetting::CheckFileSaveClick);
    connect(m_checkDBSave, &QCheckBox::toggled, this, &TFormSetting::CheckDBSaveClick);
    connect(m_checkProxy, &QCheckBox::toggled, this, &TFormSetting::CheckProxyClick);
    connect(m_checkSize, &QCheckBox::toggled, this, &TFormSetting::CheckSizeClick);
    connect(m_checkHiritsu, &QCheckBox::toggled, this, &TFormSetting::CheckSizeClick);

    connect(m_scrollSpeed, &QScrollBar::valueChanged, this,
            [this](int position) { m_labelSpeed->setText(QString::number(position)); });

    // The size boxes always hold an integer for their readers.
    auto isInteger = [](const QString &text) {
        int value;
        return parseIntegerText(text, &value);
    };
    connect(m_editLinkMax, &QLineEdit::textChanged, this, [this, isInteger](const QString &text) {
        if (!text.isEmpty() && !isInteger(text))
            m_editLinkMax->clear();
    });
    connect(m_editMinSize, &QLineEdit::textChanged, this, [this, isInteger](const QString &text) {
        if (!isInteger(text))
            m_editMinSize->setText(SearchSetting::MinSize.firstRun);
    });
    connect(m_editMaxSize, &QLineEdit::textChanged, this, [this, isInteger](const QString &text) {
        if (!isInteger(text))
            m_editMaxSize->setText(SearchSetting::MaxSize.firstRun);
    });

    connect(m_button3, &QPushButton::clicked, this, &TFormSetting::Button3Click);
    connect(m_button4, &QPushButton::clicked, this, &TFormSetting::Button4Click);
    connect(m_button6, &QPushButton::clicked, this, &TFormSetting::Button6Click);
    connect(m_button7, &QPushButton::clicked, this, &TFormSetting::Button7Click);
}
