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

bool isKey(QByteArrayView key, QByteArrayView name)
{
    return key.size() == name.size() && key.compare(name, Qt::CaseInsensitive) == 0;
}

int delayMs(QByteArrayView value)
{
    bool ok = false;
    const double seconds = value.toByteArray().toDouble(&ok);
    if (!ok || !(seconds >= 0))
        return -1;
    return int(std::min(seconds * 1000.0, double(RobotsRules::MaxCrawlDelayMs)));
}

} // namespace

RobotsRules RobotsRules::parse(const QByteArray &file, QByteArrayView agent)
{
    Gathered ours;
    Gathered anyone;
    bool forUs = false;
    bool forAnyone = false;
    bool groupHasRules = false;
    anyone.rules.reserve(size_t(file.size() / 32)); // a rule takes some 30 bytes

    QByteArrayView text(file);
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        // memchr finds line ends several bytes at a time; a lone "\r" ends a
        // line too.
        const auto *newline = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = newline != nullptr ? newline : end;
        if (const auto *cr = static_cast<const char *>(std::memchr(p, '\r', size_t(lineEnd - p))))
            lineEnd = cr;
        QByteArrayView line(p, lineEnd - p);
        p = lineEnd + 1;
        if (const qsizetype hash = line.indexOf('#'); hash >= 0)
            line.truncate(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArrayView key = trimmed(line.first(colon));
        const QByteArrayView value = trimmed(line.sliced(colon + 1));

        if (isKey(key, "user-agent")) {
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
        const bool allow = isKey(key, "allow");
        const bool disallow = !allow && isKey(key, "disallow");
        const bool delay = !allow && !disallow && isKey(key, "crawl-delay");
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
    // The file itself holds the patterns that need no rewriting: one copy
    // instead of one append a rule.
    result.m_patterns = file; // shared, not copied, unless a rule is rewritten

    for (const RawRule &rule : chosen.rules)
        result.addRule(rule.pattern, quint32(rule.pattern.data() - file.constData()), rule.allow);
    result.buildIndex();
    return result;
}

// Stored as addresses are written: bytes beyond ASCII percent-encoded, and
// percent escapes in capitals, so that "/%e3%81%82" and "/あ" match the
// address "/%E3%81%82".
void RobotsRules::addRule(QByteArrayView pattern, quint32 at, bool allow)
{
    static const char hex[] = "0123456789ABCDEF";
    const bool verbatim = std::all_of(pattern.begin(), pattern.end(), [](char c) {
        return quint8(c) > 0x20 && quint8(c) < 0x80 && c != '%';
    });
    auto offset = quint32(m_patterns.size());
    if (verbatim) {
        offset = at; // as the file has it
    } else {
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            const auto c = quint8(pattern[i]);
            if (c >= 0x80 || c <= 0x20) {
                m_patterns.append('%');
                m_patterns.append(hex[c >> 4]);
                m_patterns.append(hex[c & 15]);
            } else if (c == '%' && i + 2 < pattern.size() &&
                       std::isxdigit(quint8(pattern[i + 1])) &&
                       std::isxdigit(quint8(pattern[i + 2]))) {
                m_patterns.append('%');
                m_patterns.append(char(std::toupper(quint8(pattern[i + 1]))));
                m_patterns.append(char(std::toupper(quint8(pattern[i + 2]))));
                i += 2;
            } else {
                m_patterns.append(char(c));
            }
        }
    }
    const auto size = verbatim ? quint32(pattern.size()) : quint32(m_patterns.size()) - offset;
    QByteArrayView stored(m_patterns.constData() + offset, size);
    Rule rule{offset, size, 0, 0, NoRule, 0, allow, false, false};
    if (stored.endsWith('$'))
        stored.chop(1);
    const qsizetype star = stored.indexOf('*');
    const auto head = star < 0 ? stored.size() : star;
    rule.keySize = quint32(std::min<qsizetype>(head, MaxHead));
    rule.plain = star < 0 && stored.size() == qsizetype(size) && head <= qsizetype(MaxHead);
    if (star >= 0 && head < 8) {
        // The longest literal part, when it says more than the head.
        qsizetype begin = 0;
        while (begin <= stored.size()) {
            qsizetype end = stored.indexOf('*', begin);
            if (end < 0)
                end = stored.size();
            if (end - begin > qsizetype(rule.keySize) && end - begin <= qsizetype(MaxHead)) {
                rule.keyOffset = quint32(begin);
                rule.keySize = quint32(end - begin);
                rule.bySubstring = true;
            }
            begin = end + 1;
        }
    }
    m_rules.push_back(rule);
}

quint32 RobotsRules::rollingHash(const char *bytes, quint32 size)
{
    quint32 h = 0;
    for (quint32 i = 0; i < size; ++i)
        h = h * FnvPrime + quint8(bytes[i]);
    return h;
}

void RobotsRules::buildIndex()
{
    m_headLengths.assign((MaxHead + 1 + 63) / 64, 0);
    size_t buckets = 16;
    while (buckets < m_rules.size() * 2)
        buckets *= 2;
    m_buckets.assign(buckets, NoRule);
    m_substringBuckets.assign(buckets, NoRule);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        Rule &rule = m_rules[i];
        const char *key = m_patterns.constData() + rule.offset + rule.keyOffset;
        quint32 *bucket = nullptr;
        if (rule.bySubstring) {
            rule.hash = rollingHash(key, rule.keySize);
            bucket = &m_substringBuckets[rule.hash & (buckets - 1)];
            m_substringLengths.push_back(rule.keySize);
        } else {
            rule.hash = fnv(QByteArrayView(key, rule.keySize));
            bucket = &m_buckets[rule.hash & (buckets - 1)];
            m_headLengths[rule.keySize / 64] |= quint64(1) << (rule.keySize % 64);
        }
        rule.next = *bucket;
        *bucket = quint32(i);
    }
    std::sort(m_substringLengths.begin(), m_substringLengths.end());
    m_substringLengths.erase(std::unique(m_substringLengths.begin(), m_substringLengths.end()),
                             m_substringLengths.end());
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

void RobotsRules::consider(const Rule &rule, QByteArrayView path, qint64 &best, bool &allow) const
{
    // Only a longer pattern, or an Allow as long, can change the answer.
    if (qint64(rule.size) < best || (qint64(rule.size) == best && (allow || !rule.allow)))
        return;
    if (!rule.plain && !matches(rule, path))
        return;
    best = rule.size;
    allow = rule.allow;
}

bool RobotsRules::allowed(QByteArrayView path) const
{
    if (m_rules.empty() || path == "/robots.txt")
        return true;
    qint64 best = -1;
    bool allow = true;
    const size_t mask = m_buckets.size() - 1;
    auto probeHead = [&](quint32 length, quint32 hash) {
        for (quint32 r = m_buckets[hash & mask]; r != NoRule; r = m_rules[r].next) {
            const Rule &rule = m_rules[r];
            if (rule.hash == hash && rule.keySize == length &&
                std::memcmp(m_patterns.constData() + rule.offset, path.data(), length) == 0)
                consider(rule, path, best, allow);
        }
    };
    quint32 hash = FnvOffset;
    if (m_headLengths[0] & 1)
        probeHead(0, hash);
    const auto longest = quint32(std::min<qsizetype>(path.size(), MaxHead));
    for (quint32 length = 1; length <= longest; ++length) {
        hash = (hash ^ quint8(path[length - 1])) * FnvPrime;
        if (m_headLengths[length / 64] & (quint64(1) << (length % 64)))
            probeHead(length, hash);
    }

    for (const quint32 length : m_substringLengths) {
        if (length > quint32(path.size()))
            break;
        quint32 power = 1; // FnvPrime^(length - 1)
        for (quint32 i = 1; i < length; ++i)
            power *= FnvPrime;
        quint32 h = rollingHash(path.data(), length);
        for (qsizetype at = 0;; ++at) {
            for (quint32 r = m_substringBuckets[h & mask]; r != NoRule; r = m_rules[r].next) {
                const Rule &rule = m_rules[r];
                if (rule.hash == h && rule.keySize == length &&
                    std::memcmp(m_patterns.constData() + rule.offset + rule.keyOffset,
                                path.data() + at, length) == 0)
                    consider(rule, path, best, allow);
            }
            if (at + qsizetype(length) >= path.size())
                break;
            h = (h - quint8(path[at]) * power) * FnvPrime + quint8(path[at + length]);
        }
    }
    return allow;
}
