#include "tformsetteimulti.h"

#include "common/settingsstore.h"
#include "common/storedwindow.h"
#include "tformmulti.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

namespace {

const QString Prefix = QStringLiteral("fmSetteiMulti");

QLabel *addLabel(QWidget *parent, const QString &name, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The blue labels that show a bar's position.
QLabel *addValueLabel(QWidget *parent, const QString &name, int x, int y)
{
    QLabel *label = addLabel(parent, name, QStringLiteral("0"), x, y);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->resize(32, label->height());
    return label;
}

QScrollBar *addBar(QWidget *parent, const QString &name, Qt::Orientation orientation, int min,
                   int max, int position, const QRect &geometry)
{
    auto *bar = new QScrollBar(orientation, parent);
    bar->setObjectName(name);
    bar->setRange(min, max);
    bar->setValue(position);
    bar->setGeometry(geometry);
    return bar;
}

} // namespace

TFormSetteiMulti::TFormSetteiMulti(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFormSetteiMulti"));
    setWindowTitle(QStringLiteral("マルチ画面 設定"));
    move(87, 32);
    resize(261, 269);
    buildControls();
    readStoredValues();
    ShowLayoutValues();
    // Created right after the grid window; the two work as a pair.
    if (TFormMulti *multi = TFormMulti::latest()) {
        m_multi = multi;
        if (multi->settingsDialog() == nullptr)
            multi->setSettingsDialog(this);
    }
}

void TFormSetteiMulti::buildControls()
{
    addLabel(this, QStringLiteral("Label5"), QStringLiteral("サイズ"), 12, 14);
    m_scrollSize = addBar(this, QStringLiteral("ScrollSize"), Qt::Horizontal, 0, 400, 100,
                          QRect(60, 12, 145, 17));
    m_labelSize = addValueLabel(this, QStringLiteral("LabelSize"), 214, 14);

    addLabel(this, QStringLiteral("Label1"), QStringLiteral("縦"), 12, 48);
    m_editGyou = new QLineEdit(QStringLiteral("6"), this);
    m_editGyou->setObjectName(QStringLiteral("EditGyou"));
    m_editGyou->setGeometry(34, 44, 41, 22);
    addLabel(this, QStringLiteral("Label2"), QStringLiteral("行"), 80, 48);
    addLabel(this, QStringLiteral("Label3"), QStringLiteral("横"), 116, 48);
    m_editRetsu = new QLineEdit(QStringLiteral("10"), this);
    m_editRetsu->setObjectName(QStringLiteral("EditRetsu"));
    m_editRetsu->setGeometry(138, 44, 41, 22);
    addLabel(this, QStringLiteral("Label4"), QStringLiteral("列"), 184, 48);

    addLabel(this, QStringLiteral("Label7"), QStringLiteral("比率"), 12, 84);
    m_scrollHiritsu = addBar(this, QStringLiteral("ScrollHiritsu"), Qt::Horizontal, -100, 100, 0,
                             QRect(60, 82, 145, 17));
    m_labelHiritsu = addValueLabel(this, QStringLiteral("LabelHiritsu"), 214, 84);

    m_checkTitle = new QCheckBox(QStringLiteral("タイトル表示"), this);
    m_checkTitle->setObjectName(QStringLiteral("CheckTitle"));
    m_checkTitle->setChecked(true);
    m_checkTitle->setGeometry(12, 116, 120, 20);

    addLabel(this, QStringLiteral("Label6"), QStringLiteral("幅"), 12, 150);
    m_scrollTitle = addBar(this, QStringLiteral("ScrollTitle"), Qt::Vertical, 0, 80, 20,
                           QRect(36, 144, 17, 105));
    m_labelTitle = addValueLabel(this, QStringLiteral("LabelTitle"), 60, 190);

    m_button1 = new QPushButton(QStringLiteral("再表示(&R)"), this);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->setGeometry(150, 160, 89, 25);
    m_bitBtnShuuryou = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                       QStringLiteral("閉じる(&C)"), this);
    m_bitBtnShuuryou->setObjectName(QStringLiteral("BitBtnShuuryou"));
    m_bitBtnShuuryou->setGeometry(150, 200, 89, 25);

    connect(m_scrollSize, &QScrollBar::valueChanged, this,
            [this](int value) { m_labelSize->setNum(value); });
    connect(m_scrollHiritsu, &QScrollBar::valueChanged, this,
            [this](int value) { m_labelHiritsu->setNum(value); });
    connect(m_scrollTitle, &QScrollBar::valueChanged, this,
            [this](int value) { m_labelTitle->setNum(value); });
    connect(m_button1, &QPushButton::clicked, this, &TFormSetteiMulti::Button1Click);
    connect(m_bitBtnShuuryou, &QPushButton::clicked, this, &TFormSetteiMulti::BitBtnShuuryouClick);
}

void TFormSetteiMulti::readStoredValues()
{
    SettingsStore store;
    readWindowPosition(store, this, Prefix);
    readWindowSize(store, this, Prefix);
    // Through the bars, so a stored value out of range comes back in range.
    m_scrollSize->setValue(
        store.ReadInteger(SettingSection, Prefix + QStringLiteral(".Size"), 100));
    m_scrollHiritsu->setValue(
        store.ReadInteger(SettingSection, Prefix + QStringLiteral(".Hiritsu"), 0));
    m_scrollTitle->setValue(
        store.ReadInteger(SettingSection, Prefix + QStringLiteral(".Title"), 20));
    m_editGyou->setText(
        store.ReadString(SettingSection, Prefix + QStringLiteral(".Gyou"), m_editGyou->text()));
    m_editRetsu->setText(
        store.ReadString(SettingSection, Prefix + QStringLiteral(".Retsu"), m_editRetsu->text()));
    m_checkTitle->setChecked(store.ReadFlag(SettingSection, Prefix, SettingsStore::FlagOn));
}

void TFormSetteiMulti::writeStoredValues()
{
    SettingsStore store;
    writeWindowGeometry(store, this, Prefix);
    store.WriteInteger(SettingSection, Prefix + QStringLiteral(".Size"), m_scrollSize->value());
    store.WriteInteger(SettingSection, Prefix + QStringLiteral(".Hiritsu"),
                       m_scrollHiritsu->value());
    store.WriteInteger(SettingSection, Prefix + QStringLiteral(".Title"), m_scrollTitle->value());
    store.WriteString(SettingSection, Prefix + QStringLiteral(".Gyou"), m_editGyou->text());
    store.WriteString(SettingSection, Prefix + QStringLiteral(".Retsu"), m_editRetsu->text());
    store.WriteFlag(SettingSection, Prefix, m_checkTitle->isChecked());
}

MultiLayout::Input TFormSetteiMulti::layoutInput() const
{
    MultiLayout::Input input;
    input.size = m_scrollSize->value();
    input.hiritsu = m_scrollHiritsu->value();
    input.rows = m_editGyou->text();
    input.columns = m_editRetsu->text();
    input.titles = m_checkTitle->isChecked();
    input.title = m_scrollTitle->value();
    return input;
}

void TFormSetteiMulti::ShowLayoutValues()
{
    m_labelSize->setNum(m_scrollSize->value());
    m_labelHiritsu->setNum(m_scrollHiritsu->value());
    m_labelTitle->setNum(m_scrollTitle->value());
}

void TFormSetteiMulti::Button1Click()
{
    // Lays the grid out again; a hidden grid window stays hidden.
    if (m_multi != nullptr)
        m_multi->LayoutMulti(this);
}

void TFormSetteiMulti::BitBtnShuuryouClick()
{
    close();
}

void TFormSetteiMulti::closeEvent(QCloseEvent *event)
{
    writeStoredValues();
    QWidget::closeEvent(event);
}
