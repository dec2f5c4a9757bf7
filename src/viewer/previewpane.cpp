#include "previewpane.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PreviewPane::PreviewPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPane"));
    m_stretch = new QCheckBox(QStringLiteral("伸縮"), this);
    m_stretch->setObjectName(QStringLiteral("CheckStretch"));
    m_hiritsu = new QCheckBox(QStringLiteral("比率調整"), this);
    m_hiritsu->setObjectName(QStringLiteral("CheckHiritsu"));
    m_autoDisp = new QCheckBox(QStringLiteral("自動表示"), this);
    m_autoDisp->setObjectName(QStringLiteral("CheckAutoDisp"));
    m_autoDisp->setChecked(true);

    m_panelImage = new QFrame(this);
    m_panelImage->setObjectName(QStringLiteral("PanelImage"));
    m_panelImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panelImage->setMinimumSize(273, 222);
    m_image = new QLabel(m_panelImage);
    m_image->setObjectName(QStringLiteral("Image"));
    m_image->setGeometry(1, 1, 271, 220);

    m_labelWidth = new QLabel(this);
    m_labelWidth->setObjectName(QStringLiteral("LabelWidth"));
    m_labelHeight = new QLabel(this);
    m_labelHeight->setObjectName(QStringLiteral("LabelHeight"));

    auto *checks = new QHBoxLayout;
    checks->addWidget(m_stretch);
    checks->addWidget(m_hiritsu);
    checks->addWidget(m_autoDisp);
    checks->addStretch();
    auto *sizes = new QHBoxLayout;
    sizes->addWidget(m_labelWidth);
    sizes->addWidget(m_labelHeight);
    sizes->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(checks);
    layout->addWidget(m_panelImage, 1);
    layout->addLayout(sizes);
}

bool PreviewPane::autoDisplay() const
{
    return m_autoDisp->isChecked();
}

void PreviewPane::setAutoDisplay(bool on)
{
    m_autoDisp->setChecked(on);
}
