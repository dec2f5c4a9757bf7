#pragma once

#include "common/helpmanual.h"

#include <QDialog>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

// The manual's reader: contents on the left, the chosen topic on the right.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const HelpManual &manual, QWidget *parent = nullptr);
    void showContents();
    void showTopic(int index);
    const HelpManual &manual() const { return m_manual; }

private:
    HelpManual m_manual;
    QListWidget *m_contents;
    QTextBrowser *m_text;
};

// The keyword finder: type a word, pick a keyword, read its topic.
class HelpFinder : public QDialog
{
    Q_OBJECT
public:
    HelpFinder(const HelpManual &manual, HelpWindow *reader, QWidget *parent = nullptr);

private:
    void filter(const QString &word);
    void openSelected();

    HelpManual m_manual;
    HelpWindow *m_reader;
    QLineEdit *m_word;
    QListWidget *m_keywords;
};
