#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

// The rules of one robots.txt for one crawler: the group of our product
// token, or of "*" when no group names us, with its Allow and Disallow
// patterns ("*" for any run of bytes, "$" at the end for the end of the
// address) and its Crawl-delay. The most specific pattern (the longest)
// decides, Allow on a tie; no pattern matching allows.
//
// Patterns are indexed by their literal head (the bytes before the first
// "*" or a final "$"), so a decision costs one hash probe per head length
// the file uses, however many rules it holds. A pattern whose head is short
// ("/*/item12?session=*") is indexed instead by its longest literal part,
// looked up among the address's substrings of that length with a rolling
// hash: otherwise thousands of such rules would share the head "/" and each
// be tried on every address.
class RobotsRules
{
public:
    static constexpr QByteArrayView ProductToken = "vellisk";
    // Crawl-delay values above this are taken as this: a crawl whose host
    // asks for an hour between requests would never end.
    static constexpr int MaxCrawlDelayMs = 120000;

    // Everything allowed, no delay: a host without a usable robots.txt.
    RobotsRules() = default;
    static RobotsRules parse(const QByteArray &file, QByteArrayView agent = ProductToken);

    // `path`: the address's path and query, percent-encoded ("/a/b?c=1").
    bool allowed(QByteArrayView path) const;
    // The group's Crawl-delay in milliseconds; -1 when it gives none.
    int crawlDelayMs() const { return m_crawlDelayMs; }
    qsizetype ruleCount() const { return qsizetype(m_rules.size()); }

private:
    struct Rule
    {
        quint32 offset; // in m_patterns: the file, then rewritten patterns
        quint32 size;
        quint32 keyOffset; // the indexed literal part, from the pattern's start
        quint32 keySize;
        quint32 next; // the next rule in the same hash bucket, or NoRule
        quint32 hash; // of the key
        bool allow;
        bool plain;       // the key is the whole pattern
        bool bySubstring; // the key may stand anywhere in the address
    };
    static constexpr quint32 NoRule = 0xffffffffu;

    // `at`: where the pattern stands in the file, which m_patterns holds.
    void addRule(QByteArrayView pattern, quint32 at, bool allow);
    void buildIndex();
    bool matches(const Rule &rule, QByteArrayView path) const;
    void consider(const Rule &rule, QByteArrayView path, qint64 &best, bool &allow) const;
    static quint32 rollingHash(const char *bytes, quint32 size);

    QByteArray m_patterns;
    std::vector<Rule> m_rules;
    std::vector<quint32> m_buckets;          // by head
    std::vector<quint32> m_substringBuckets; // by literal part
    // Which head lengths occur. A longer head is indexed by its first
    // MaxHead bytes, the rest of it checked as part of the pattern.
    static constexpr quint32 MaxHead = 1023;
    std::vector<quint64> m_headLengths;
    std::vector<quint32> m_substringLengths; // ascending
    int m_crawlDelayMs = -1;
};
