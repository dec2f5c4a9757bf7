#include "robotsrules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr quint32 FnvOffset = 2166136261u;
constexpr quint32 FnvPrime = 16777619u;

quint32 fnv(QByteArrayView bytes)
{
    quint32 h = FnvOffset;
    for (const char c : bytes)
        h = (h ^ quint8(c)) * FnvPrime;
    return h;
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

// A product token as a User-agent line gives it: "Vellisk/1.0" names Vellisk.
bool namesAgent(QByteArrayView value, QByteArrayView agent)
{
    qsizetype end = 0;
    while (end < value.size() && !blank(value[end]) && value[end] != '/')
        ++end;
    return value.first(end).compare(agent, Qt::CaseInsensitive) == 0;
}

struct RawRule
{
    QByteArrayView pattern;
    bool allow;
};

// The rules and delay gathered for one kind of group ("*", or ours).
struct Gathered
{
    std::vector<RawRule> rules;
    int crawlDelayMs = -1;
    bool seen = false;
};

int delayMs(QByteArrayView value)
{
    bool ok = false;
    const double seconds = value.toByteArray().toDouble(&ok);
    if (!ok || !(seconds >= 0))
        return -1;
    return int(std::min(seconds * 1000.0, double(RobotsRules::MaxCrawlDelayMs)));
}

} // namespace

RobotsRules RobotsRules::parse(QByteArrayView text, QByteArrayView agent)
{
    Gathered ours;
    Gathered anyone;
    bool forUs = false;
    bool forAnyone = false;
    bool groupHasRules = false;

    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
            ++lineEnd;
        QByteArrayView line(p, lineEnd - p);
        p = lineEnd + 1;
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line.truncate(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView key = trimmed(line.first(colon));
        const QByteArrayView value = trimmed(line.sliced(colon + 1));

        if (key.compare("user-agent", Qt::CaseInsensitive) == 0) {
            // A User-agent line after rules begins the next group.
            if (groupHasRules) {
                forUs = forAnyone = groupHasRules = false;
            }
            if (value == "*") {
                forAnyone = anyone.seen = true;
            } else if (namesAgent(value, agent)) {
                forUs = ours.seen = true;
            }
            continue;
        }
        const bool allow = key.compare("allow", Qt::CaseInsensitive) == 0;
        const bool disallow = !allow && key.compare("disallow", Qt::CaseInsensitive) == 0;
        const bool delay =
            !allow && !disallow && key.compare("crawl-delay", Qt::CaseInsensitive) == 0;
        if (!allow && !disallow && !delay)
            continue; // Sitemap and the like belong to no group
        groupHasRules = true;
        for (Gathered *group : {forUs ? &ours : nullptr, forAnyone ? &anyone : nullptr}) {
            if (group == nullptr)
                continue;
            if (delay) {
                if (const int ms = delayMs(value); ms >= 0)
                    group->crawlDelayMs = ms;
            } else if (!value.isEmpty()) { // an empty Disallow allows everything
                group->rules.push_back({value, allow});
            }
        }
    }

    const Gathered &chosen = ours.seen ? ours : anyone;
    RobotsRules result;
    result.m_crawlDelayMs = chosen.crawlDelayMs;
    result.m_rules.reserve(chosen.rules.size());
    for (const RawRule &rule : chosen.rules)
        result.addRule(rule.pattern, rule.allow);
    result.buildIndex();
    return result;
}

// Stored as addresses are written: bytes beyond ASCII percent-encoded, and
// percent escapes in capitals, so that "/%e3%81%82" and "/あ" match the
// address "/%E3%81%82".
void RobotsRules::addRule(QByteArrayView pattern, bool allow)
{
    static const char hex[] = "0123456789ABCDEF";
    const auto offset = quint32(m_patterns.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const auto c = quint8(pattern[i]);
        if (c >= 0x80 || c <= 0x20) {
            m_patterns.append('%');
            m_patterns.append(hex[c >> 4]);
            m_patterns.append(hex[c & 15]);
        } else if (c == '%' && i + 2 < pattern.size() && std::isxdigit(quint8(pattern[i + 1])) &&
                   std::isxdigit(quint8(pattern[i + 2]))) {
            m_patterns.append('%');
            m_patterns.append(char(std::toupper(quint8(pattern[i + 1]))));
            m_patterns.append(char(std::toupper(quint8(pattern[i + 2]))));
            i += 2;
        } else {
            m_patterns.append(char(c));
        }
    }
    const auto size = quint32(m_patterns.size()) - offset;
    const QByteArrayView stored(m_patterns.constData() + offset, size);
    qsizetype head = stored.indexOf('*');
    if (head < 0)
        head = stored.endsWith('$') ? stored.size() - 1 : stored.size();
    const bool plain = head == stored.size() && head <= qsizetype(MaxHead);
    const auto headSize = quint32(std::min<qsizetype>(head, MaxHead));
    m_rules.push_back({offset, size, headSize, NoRule, 0, allow, plain});
}

void RobotsRules::buildIndex()
{
    m_headLengths.assign((MaxHead + 1 + 63) / 64, 0);
    size_t buckets = 16;
    while (buckets < m_rules.size() * 2)
        buckets *= 2;
    m_buckets.assign(buckets, NoRule);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        Rule &rule = m_rules[i];
        rule.hash = fnv(QByteArrayView(m_patterns.constData() + rule.offset, rule.headSize));
        quint32 &bucket = m_buckets[rule.hash & (buckets - 1)];
        rule.next = bucket;
        bucket = quint32(i);
        m_headLengths[rule.headSize / 64] |= quint64(1) << (rule.headSize % 64);
    }
}

// "*" matches any run of bytes; a final "$" ties the pattern to the end of
// the address, else it need only match its beginning. Stars are retried
// from the last one only, so a pattern costs at most its length times the
// address's, whatever it holds.
bool RobotsRules::matches(const Rule &rule, QByteArrayView path) const
{
    QByteArrayView pattern(m_patterns.constData() + rule.offset, rule.size);
    const bool anchored = pattern.endsWith('$');
    if (anchored)
        pattern.chop(1);
    qsizetype i = 0;
    qsizetype j = 0;
    qsizetype star = -1;
    qsizetype starAt = 0;
    while (true) {
        if (!anchored && i == pattern.size())
            return true;
        if (j == path.size())
            break;
        if (i < pattern.size() && pattern[i] == '*') {
            star = i++;
            starAt = j;
        } else if (i < pattern.size() && pattern[i] == path[j]) {
            ++i;
            ++j;
        } else if (star >= 0) {
            i = star + 1;
            j = ++starAt;
        } else {
            return false;
        }
    }
    while (i < pattern.size() && pattern[i] == '*')
        ++i;
    return i == pattern.size();
}

bool RobotsRules::allowed(QByteArrayView path) const
{
    if (m_rules.empty() || path == "/robots.txt")
        return true;
    qint64 best = -1;
    bool bestAllow = true;
    const size_t mask = m_buckets.size() - 1;
    auto probe = [&](quint32 length, quint32 hash) {
        for (quint32 r = m_buckets[hash & mask]; r != NoRule; r = m_rules[r].next) {
            const Rule &rule = m_rules[r];
            if (rule.hash != hash || rule.headSize != length ||
                std::memcmp(m_patterns.constData() + rule.offset, path.data(), length) != 0)
                continue;
            if (!rule.plain && !matches(rule, path))
                continue;
            if (qint64(rule.size) > best || (qint64(rule.size) == best && rule.allow)) {
                best = rule.size;
                bestAllow = rule.allow;
            }
        }
    };
    quint32 hash = FnvOffset;
    if (m_headLengths[0] & 1)
        probe(0, hash);
    const auto longest = quint32(std::min<qsizetype>(path.size(), MaxHead));
    for (quint32 length = 1; length <= longest; ++length) {
        hash = (hash ^ quint8(path[length - 1])) * FnvPrime;
        if (m_headLengths[length / 64] & (quint64(1) << (length % 64)))
            probe(length, hash);
    }
    return bestAllow;
}
