#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The user's manual shipped beside the program. Its text format is small:
//   "= Title" once, then topics "== Topic", an optional "keywords: a, b" line
//   and body lines. Lines before the first topic belong to the introduction.
struct HelpTopic
{
    QString title;
    QStringList keywords;
    QString body;
};

class HelpManual
{
public:
    static HelpManual parse(const QString &text);
    // Reads the file; an unreadable file gives an empty manual.
    static HelpManual load(const QString &path);

    QString title;
    QString introduction;
    QList<HelpTopic> topics;

    bool isEmpty() const { return topics.isEmpty(); }
    // Keyword → index of the topic, sorted by keyword; topic titles count too.
    QList<std::pair<QString, int>> keywordIndex() const;
    // Topics whose keywords or title contain `word` (case-insensitive).
    QList<int> find(const QString &word) const;
};
