#include "tformversion.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

TFormVersion::TFormVersion(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormVersion"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFixedSize(283, 279);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 267, 217);

    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_DesktopIcon).pixmap(32, 32));
    icon->setGeometry(16, 16, 36, 36);

    auto *product = new QLabel(QStringLiteral("ターンヴェイル"), panel);
    product->setObjectName(QStringLiteral("ProductName"));
    product->setGeometry(72, 20, 180, 24);

    auto *version = new QLabel(QStringLiteral("Version 1.00"), panel);
    version->setObjectName(QStringLiteral("Version"));
    version->setGeometry(72, 56, 180, 20);

    auto *line = new QFrame(panel);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(8, 150, 251, 3);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setGeometry(104, 238, 75, 27);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}
