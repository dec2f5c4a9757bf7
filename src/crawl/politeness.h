#pragma once

#include "common/searchconditions.h"
#include "hostpacer.h"
#include "robotsrules.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>

class DocOutput;
class QNetworkAccessManager;
class THTTP;

// What the crawl asks before each request when the extras of "礼儀と接続" are
// on: may this address be fetched now (the host's pace, a refusal's wait),
// at all (its host's robots.txt, fetched once per host and run)?
class Politeness : public QObject
{
    Q_OBJECT
public:
    enum class Admission { Go, Wait, Disallowed };

    explicit Politeness(QNetworkAccessManager *network, QObject *parent = nullptr);

    // Whether jobs are admitted, paced and put back at all.
    static bool active(const ExtraSettings &extra)
    {
        return extra.hostIntervalMs > 0 || extra.retryLater || extra.robots;
    }
    // Whether any box of the group is on: requests then also name what they
    // accept. With none, they are the requests of old.
    static bool anyOn(const ExtraSettings &extra)
    {
        return active(extra) || extra.referer || extra.browserCookies;
    }
    // What a request accepts: the selected picture types, or HTML.
    static QByteArray acceptFor(bool image, const ImageTypes &types);
    // "scheme://host:port" of an address, the key of its pace and its rules.
    static QByteArray originOf(const QByteArray &url);

    // A new run: robots.txt is asked for again, no host waits.
    void reset();
    Admission admit(const QByteArray &url, const ExtraSettings &extra);
    void started(const QByteArray &url);
    // A "429" or "503" answer: how many seconds its host now waits.
    int refused(const QByteArray &url, const QByteArray &retryAfter);
    void answered(const QByteArray &url);
    // Counts a refusal of one job (a list and row); the count so far.
    int countRefusal(bool image, qsizetype row) { return ++m_refusals[jobKey(image, row)]; }

    const HostPacer &pacer() const { return m_pacer; }
    qint64 now() const { return m_clock.elapsed(); }

private:
    enum class RobotsState { Fetching, Known };
    struct Robots
    {
        RobotsState state = RobotsState::Fetching;
        RobotsRules rules;
    };
    static quint64 jobKey(bool image, qsizetype row)
    {
        return (quint64(row) << 1) | quint64(image);
    }
    void fetchNextRobots();
    void robotsOutput(const DocOutput &doc);

    THTTP *m_robotsHttp;
    HostPacer m_pacer;
    QElapsedTimer m_clock;
    QHash<QByteArray, Robots> m_robots;
    QList<QByteArray> m_robotsQueue;
    QByteArray m_robotsOrigin; // being fetched
    QByteArray m_robotsText;
    QHash<quint64, int> m_refusals;
};
