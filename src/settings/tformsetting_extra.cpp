// The tab "拡張設定": what today's web and desktop need beyond the program's
// first design. Every box but the shared thumbnails (which change only how
// fast pictures show) starts off, so a first run behaves as that design.
#include "tformsetting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QCheckBox *box(const char *name, const QString &caption, QWidget *parent, QLayout *into)
{
    auto *check = new QCheckBox(caption, parent);
    check->setObjectName(QLatin1String(name));
    into->addWidget(check);
    return check;
}

QLineEdit *pixelEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setFixedWidth(48);
    edit->setMaxLength(5);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

} // namespace

QGroupBox *TFormSetting::addExtraGroup(const QString &title)
{
    auto *group = new QGroupBox(title, m_extraPage);
    m_extraLayout->insertWidget(m_extraLayout->count() - 1, group); // above the stretch
    return group;
}

QWidget *TFormSetting::buildTabExtra()
{
    // The tab grows with every extra; it scrolls rather than widen the dialog.
    auto *scroll = new QScrollArea(m_tabs);
    scroll->setObjectName(QStringLiteral("TabExtra"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_extraPage = new QWidget(scroll);
    m_extraLayout = new QVBoxLayout(m_extraPage);
    m_extraLayout->setContentsMargins(8, 8, 8, 8);
    m_extraLayout->addStretch(1);
    scroll->setWidget(m_extraPage);

    auto *top = new QWidget(m_extraPage);
    auto *topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    m_checkModernWeb =
        box("CheckModernWeb", QStringLiteral("今日のウェブに合わせる"), top, topLayout);
    m_extraLayout->insertWidget(0, top);

    QGroupBox *types = addExtraGroup(QStringLiteral("画像の種類"));
    auto *typeLayout = new QVBoxLayout(types);
    auto *typeRow = new QHBoxLayout;
    typeLayout->addLayout(typeRow);
    m_checkPNG = box("CheckPNG", QStringLiteral("PNG"), types, typeRow);
    m_checkWebP = box("CheckWebP", QStringLiteral("WebP"), types, typeRow);
    m_checkAVIF = box("CheckAVIF", QStringLiteral("AVIF"), types, typeRow);
    typeRow->addStretch(1);
    m_checkJpegAlias =
        box("CheckJpegAlias", QStringLiteral(".jpeg .jpe .jfif も JPEG とする"), types, typeLayout);

    QGroupBox *finding = addExtraGroup(QStringLiteral("画像の見つけ方"));
    auto *findLayout = new QVBoxLayout(finding);
    m_checkQueryType =
        box("CheckQueryType", QStringLiteral("? 以降を除いて種類を判定"), finding, findLayout);
    m_checkContentType =
        box("CheckContentType", QStringLiteral("拡張子のない画像はサーバーの種類で判定"), finding,
            findLayout);
    m_checkSrcset =
        box("CheckSrcset", QStringLiteral("遅延読み込み・srcset の画像"), finding, findLayout);
    m_checkCssImage = box("CheckCssImage", QStringLiteral("CSS の背景画像"), finding, findLayout);
    m_checkMetaImage =
        box("CheckMetaImage", QStringLiteral("ページの代表画像 (og:image)"), finding, findLayout);

    QGroupBox *checks = addExtraGroup(QStringLiteral("画像の検査"));
    auto *checkLayout = new QVBoxLayout(checks);
    m_checkMagic =
        box("CheckMagic", QStringLiteral("中身が画像であることを確かめる"), checks, checkLayout);
    auto *sizeRow = new QHBoxLayout;
    checkLayout->addLayout(sizeRow);
    m_checkPixelSize = box("CheckPixelSize", QStringLiteral("最小の大きさ"), checks, sizeRow);
    m_editMinWidth = pixelEdit("EditMinWidth", checks);
    m_editMinHeight = pixelEdit("EditMinHeight", checks);
    sizeRow->addWidget(m_editMinWidth);
    sizeRow->addWidget(new QLabel(QStringLiteral("×"), checks));
    sizeRow->addWidget(m_editMinHeight);
    sizeRow->addWidget(new QLabel(QStringLiteral("ピクセル"), checks));
    sizeRow->addStretch(1);

    QGroupBox *display = addExtraGroup(QStringLiteral("表示"));
    auto *displayLayout = new QVBoxLayout(display);
    m_checkGifShow = box("CheckGifShow", QStringLiteral("GIF を表示する"), display, displayLayout);
    m_checkOrientation =
        box("CheckOrientation", QStringLiteral("撮影時の向きで表示する"), display, displayLayout);

    QGroupBox *desktop = addExtraGroup(QStringLiteral("デスクトップ"));
    auto *desktopLayout = new QVBoxLayout(desktop);
    m_checkThumbCache =
        box("CheckThumbCache", QStringLiteral("サムネイルを共有する"), desktop, desktopLayout);

    connect(m_checkModernWeb, &QCheckBox::clicked, this, &TFormSetting::CheckModernWebClick);
    for (QCheckBox *check : modernWebBoxes())
        connect(check, &QCheckBox::toggled, this, &TFormSetting::showModernWebState);
    connect(m_checkPixelSize, &QCheckBox::toggled, this, [this](bool on) {
        m_editMinWidth->setEnabled(on);
        m_editMinHeight->setEnabled(on);
    });
    m_editMinWidth->setEnabled(false);
    m_editMinHeight->setEnabled(false);
    return scroll;
}

QList<QCheckBox *> TFormSetting::modernWebBoxes() const
{
    return {m_checkPNG,       m_checkWebP,        m_checkAVIF,     m_checkJpegAlias,
            m_checkQueryType, m_checkContentType, m_checkSrcset,   m_checkCssImage,
            m_checkMetaImage, m_checkMagic,       m_checkPixelSize};
}

// One click for "make it work on today's sites": every box of the first three
// groups on, or, when they all are, off. A minimum size left empty gets one
// that lets icons and tracking pixels go.
void TFormSetting::CheckModernWebClick()
{
    const QList<QCheckBox *> boxes = modernWebBoxes();
    const bool on =
        !std::all_of(boxes.begin(), boxes.end(), [](QCheckBox *b) { return b->isChecked(); });
    for (QCheckBox *check : boxes)
        check->setChecked(on);
    for (QLineEdit *edit : {m_editMinWidth, m_editMinHeight}) {
        if (on && edit->text().isEmpty())
            edit->setText(QStringLiteral("50"));
    }
    showModernWebState();
}

// The box shows whether all, some or none of the boxes it sets are on; it is
// not stored of its own.
void TFormSetting::showModernWebState()
{
    const QList<QCheckBox *> boxes = modernWebBoxes();
    const auto on =
        std::count_if(boxes.begin(), boxes.end(), [](QCheckBox *b) { return b->isChecked(); });
    m_checkModernWeb->setCheckState(on == 0              ? Qt::Unchecked
                                    : on == boxes.size() ? Qt::Checked
                                                         : Qt::PartiallyChecked);
}
