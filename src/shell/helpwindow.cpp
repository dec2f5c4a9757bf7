#include "helpwindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const HelpManual &manual, QWidget *parent)
    : QWidget(parent, Qt::Window), m_manual(manual)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(manual.title.isEmpty() ? QStringLiteral("ヘルプ") : manual.title);
    resize(640, 480);
    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    m_contents->addItem(QStringLiteral("はじめに"));
    for (const HelpTopic &t : m_manual.topics)
        m_contents->addItem(t.title);
    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("HelpText"));
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_contents, 1);
    layout->addWidget(m_text, 3);
    connect(m_contents, &QListWidget::currentRowChanged, this,
            [this](int row) { showTopic(row - 1); });
}

void HelpWindow::showContents()
{
    m_contents->setCurrentRow(0);
    showTopic(-1);
    show();
    raise();
}

void HelpWindow::showTopic(int index)
{
    if (index < 0 || index >= m_manual.topics.size()) {
        m_text->setPlainText(m_manual.introduction);
        return;
    }
    const HelpTopic &t = m_manual.topics[index];
    m_text->setPlainText(t.title + QStringLiteral("\n\n") + t.body);
    if (m_contents->currentRow() != index + 1)
        m_contents->setCurrentRow(index + 1);
    show();
    raise();
}

HelpFinder::HelpFinder(const HelpManual &manual, HelpWindow *reader, QWidget *parent)
    : QDialog(parent), m_manual(manual), m_reader(reader)
{
    setObjectName(QStringLiteral("HelpFinder"));
    setWindowTitle(QStringLiteral("キーワード検索"));
    m_word = new QLineEdit(this);
    m_word->setObjectName(QStringLiteral("HelpWord"));
    m_keywords = new QListWidget(this);
    m_keywords->setObjectName(QStringLiteral("HelpKeywords"));
    auto *buttons = new QDialogButtonBox(this);
    auto *show = buttons->addButton(QStringLiteral("表示(&D)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("探したい語を入力してください"), this));
    layout->addWidget(m_word);
    layout->addWidget(m_keywords);
    layout->addWidget(buttons);
    connect(m_word, &QLineEdit::textChanged, this, &HelpFinder::filter);
    connect(show, &QPushButton::clicked, this, &HelpFinder::openSelected);
    connect(m_keywords, &QListWidget::itemActivated, this, &HelpFinder::openSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    filter(QString());
}

void HelpFinder::filter(const QString &word)
{
    m_keywords->clear();
    for (const auto &[keyword, topic] : m_manual.keywordIndex()) {
        if (!keyword.contains(word, Qt::CaseInsensitive))
            continue;
        auto *item = new QListWidgetItem(keyword, m_keywords);
        item->setData(Qt::UserRole, topic);
    }
    if (m_keywords->count() > 0)
        m_keywords->setCurrentRow(0);
}

void HelpFinder::openSelected()
{
    QListWidgetItem *item = m_keywords->currentItem();
    if (item == nullptr)
        return;
    m_reader->showTopic(item->data(Qt::UserRole).toInt());
    accept();
}
