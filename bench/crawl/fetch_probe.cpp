// The least a crawl built on QNetworkAccessManager can cost: fetches a given
// list of URLs through one manager, six at a time, and writes each answer to
// a numbered file, with no window, no link extraction and no checks. The
// manager makes its direct connections as the program's does. Prints the
// process's CPU time from its start to the last answer.
//   fetch_probe URL-LIST-FILE OUTPUT-DIRECTORY [TICK-MS [STARTS-PER-TICK]]
// With TICK-MS, fetches start only on a timer's tick, STARTS-PER-TICK (1 by
// default) at each, still at most six at a time: as a crawl's schedule
// spreads its fetches out.
#include "processcpu.h"

#include "crawl/thttp.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
constexpr int InFlight = 6;

class Fetcher : public QObject
{
public:
    Fetcher(QList<QByteArray> urls, QString directory, int tickMs, int startsPerTick)
        : m_urls(std::move(urls)), m_directory(std::move(directory)), m_tickMs(tickMs)
    {
        useProxy(&m_manager, QNetworkProxy(QNetworkProxy::NoProxy));
        m_tick.setTimerType(Qt::PreciseTimer);
        connect(&m_tick, &QTimer::timeout, this, [this, startsPerTick] {
            for (int i = 0; i < startsPerTick && m_running < InFlight; ++i)
                next();
        });
    }

    void start()
    {
        if (m_tickMs > 0) {
            m_tick.start(m_tickMs);
            return;
        }
        for (int i = 0; i < InFlight; ++i)
            next();
    }

    int failures() const { return m_failures; }

private:
    void next()
    {
        if (m_next == m_urls.size()) {
            if (m_running == 0)
                QCoreApplication::quit();
            return;
        }
        const QByteArray &url = m_urls.at(m_next);
        auto file = std::make_shared<QFile>(
            m_directory + QStringLiteral("/%1").arg(m_next, 4, 10, QLatin1Char('0')));
        ++m_next;
        if (!file->open(QIODevice::WriteOnly)) {
            ++m_failures;
            return next();
        }
        ++m_running;
        QNetworkReply *reply = m_manager.get(QNetworkRequest(QUrl::fromEncoded(url)));
        connect(reply, &QNetworkReply::readyRead, this,
                [reply, file] { file->write(reply->readAll()); });
        connect(reply, &QNetworkReply::finished, this, [this, reply, file] {
            file->write(reply->readAll());
            m_failures += reply->error() != QNetworkReply::NoError;
            reply->deleteLater();
            --m_running;
            // Paced, the timer starts the fetches; an answer only ends the run
            // once every fetch has started.
            if (m_tickMs <= 0 || m_next == m_urls.size())
                next();
        });
    }

    QNetworkAccessManager m_manager;
    QList<QByteArray> m_urls;
    QString m_directory;
    int m_tickMs;
    QTimer m_tick;
    qsizetype m_next = 0;
    int m_running = 0;
    int m_failures = 0;
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3 || argc > 5) {
        std::fprintf(
            stderr,
            "usage: fetch_probe URL-LIST-FILE OUTPUT-DIRECTORY [TICK-MS [STARTS-PER-TICK]]\n");
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fetch_probe: cannot read %s\n", argv[1]);
        return 1;
    }
    Fetcher fetcher(list.readAll().trimmed().split('\n'), QString::fromLocal8Bit(argv[2]),
                    argc >= 4 ? std::atoi(argv[3]) : 0,
                    argc == 5 ? qMax(1, std::atoi(argv[4])) : 1);
    fetcher.start();
    app.exec();
    std::printf("RESULT cpu_s=%.3f network_cpu_s=%.3f failures=%d\n", processCpuSeconds(),
                networkThreadCpuSeconds(), fetcher.failures());
    return fetcher.failures() == 0 ? 0 : 1;
}
