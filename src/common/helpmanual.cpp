#include "helpmanual.h"

#include <QFile>

#include <algorithm>

HelpManual HelpManual::parse(const QString &text)
{
    HelpManual manual;
    HelpTopic *topic = nullptr;
    QStringList introLines;
    QStringList bodyLines;
    auto flush = [&] {
        if (topic != nullptr)
            topic->body = bodyLines.join(QLatin1Char('\n')).trimmed();
        bodyLines.clear();
    };
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QStringLiteral("== "))) {
            flush();
            manual.topics.append({line.mid(3).trimmed(), {}, {}});
            topic = &manual.topics.last();
        } else if (line.startsWith(QStringLiteral("= ")) && manual.title.isEmpty() && !topic) {
            manual.title = line.mid(2).trimmed();
        } else if (topic && bodyLines.isEmpty() && line.startsWith(QStringLiteral("keywords:"))) {
            for (const QString &k : line.mid(9).split(QLatin1Char(','), Qt::SkipEmptyParts))
                topic->keywords.append(k.trimmed());
        } else if (topic) {
            bodyLines.append(line);
        } else {
            introLines.append(line);
        }
    }
    flush();
    manual.introduction = introLines.join(QLatin1Char('\n')).trimmed();
    return manual;
}

HelpManual HelpManual::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(QString::fromUtf8(file.readAll()));
}

QList<std::pair<QString, int>> HelpManual::keywordIndex() const
{
    QList<std::pair<QString, int>> index;
    for (int i = 0; i < topics.size(); ++i) {
        index.append({topics[i].title, i});
        for (const QString &k : topics[i].keywords)
            index.append({k, i});
    }
    std::stable_sort(index.begin(), index.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    return index;
}

QList<int> HelpManual::find(const QString &word) const
{
    QList<int> hits;
    for (int i = 0; i < topics.size(); ++i) {
        const HelpTopic &t = topics[i];
        bool match = t.title.contains(word, Qt::CaseInsensitive);
        for (const QString &k : t.keywords)
            match = match || k.contains(word, Qt::CaseInsensitive);
        if (match)
            hits.append(i);
    }
    return hits;
}
