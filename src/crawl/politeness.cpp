#include "politeness.h"

#include "thttp.h"

#include <QUrl>

namespace {
// A robots.txt larger than this is no robots.txt: everything is allowed.
constexpr qint64 RobotsCap = 2 * 1024 * 1024;
} // namespace

Politeness::Politeness(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent), m_robotsHttp(new THTTP(this, network))
{
    m_robotsHttp->setObjectName(QStringLiteral("HTTPRobots"));
    m_robotsHttp->setMaxBytes(RobotsCap);
    m_clock.start();
    connect(m_robotsHttp, &THTTP::OnDocOutput, this,
            [this](THTTP *, const DocOutput &doc) { robotsOutput(doc); });
}

QByteArray Politeness::acceptFor(bool image, const ImageTypes &types)
{
    if (!image)
        return QByteArrayLiteral("text/html,application/xhtml+xml;q=0.9,*/*;q=0.1");
    QByteArray accept;
    const std::pair<bool, const char *> kinds[] = {
        {types.avif, "image/avif"}, {types.webp, "image/webp"}, {types.png, "image/png"},
        {types.jpeg, "image/jpeg"}, {types.gif, "image/gif"},   {types.bmp, "image/bmp"}};
    for (const auto &[on, type] : kinds) {
        if (on)
            accept += QByteArray(type) + ',';
    }
    // A server that has no selected type still answers with what it has:
    // the checks after the download decide.
    return accept + QByteArrayLiteral("*/*;q=0.1");
}

QByteArray Politeness::originOf(const QByteArray &url)
{
    const QUrl address(QString::fromUtf8(url));
    const int port = address.port(address.scheme() == QLatin1String("https") ? 443 : 80);
    return address.scheme().toLatin1() + "://" + address.host().toLatin1() + ':' +
           QByteArray::number(port);
}

void Politeness::reset()
{
    m_robotsHttp->CancelTransfer();
    m_pacer.clear();
    m_robots.clear();
    m_robotsQueue.clear();
    m_robotsOrigin.clear();
    m_refusals.clear();
}

Politeness::Admission Politeness::admit(const QByteArray &url, const ExtraSettings &extra)
{
    const QByteArray origin = originOf(url);
    if (extra.robots) {
        auto it = m_robots.find(origin);
        if (it == m_robots.end()) {
            m_robots.insert(origin, Robots{});
            m_robotsQueue.append(origin);
            fetchNextRobots();
            return Admission::Wait;
        }
        if (it->state == RobotsState::Fetching)
            return Admission::Wait;
        const QUrl address(QString::fromUtf8(url));
        const QByteArray path =
            address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
        if (!it->rules.allowed(path.isEmpty() ? QByteArrayView("/") : QByteArrayView(path)))
            return Admission::Disallowed;
    }
    m_pacer.setInterval(extra.hostIntervalMs);
    return m_pacer.readyAt(origin) <= now() ? Admission::Go : Admission::Wait;
}

void Politeness::started(const QByteArray &url)
{
    m_pacer.started(originOf(url), now());
}

int Politeness::refused(const QByteArray &url, const QByteArray &retryAfter)
{
    return m_pacer.refused(originOf(url), now(), retryAfter);
}

void Politeness::answered(const QByteArray &url)
{
    m_pacer.answered(originOf(url));
}

// One robots.txt at a time, on a control of its own: the slots wait for it
// anyway, and the host sees it as the first request of the crawl.
void Politeness::fetchNextRobots()
{
    if (m_robotsHttp->IsBusy() || m_robotsQueue.isEmpty())
        return;
    m_robotsOrigin = m_robotsQueue.takeFirst();
    m_robotsText.clear();
    m_pacer.started(m_robotsOrigin, now());
    m_robotsHttp->GetDoc(QString::fromLatin1(m_robotsOrigin + "/robots.txt"));
}

void Politeness::robotsOutput(const DocOutput &doc)
{
    if (doc.DocState == DocOutput::Data) {
        m_robotsText += doc.ReadChunk();
        return;
    }
    if (doc.DocState != DocOutput::End)
        return;
    Robots &robots = m_robots[m_robotsOrigin];
    robots.state = RobotsState::Known;
    // A file that is missing or did not arrive whole allows everything.
    if (!doc.Failed()) {
        robots.rules = RobotsRules::parse(m_robotsText);
        if (robots.rules.crawlDelayMs() > 0)
            m_pacer.setFloor(m_robotsOrigin, robots.rules.crawlDelayMs());
    }
    m_robotsText.clear();
    // The next fetch starts after the handlers of this event have run.
    QMetaObject::invokeMethod(this, &Politeness::fetchNextRobots, Qt::QueuedConnection);
}
