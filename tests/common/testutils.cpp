#include "testutils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

ConfigSandbox::ConfigSandbox()
    : m_previous(qgetenv("XDG_CONFIG_HOME")),
      m_hadPrevious(qEnvironmentVariableIsSet("XDG_CONFIG_HOME")),
      m_previousData(qgetenv("XDG_DATA_HOME")),
      m_hadPreviousData(qEnvironmentVariableIsSet("XDG_DATA_HOME")),
      m_previousCache(qgetenv("XDG_CACHE_HOME")),
      m_hadPreviousCache(qEnvironmentVariableIsSet("XDG_CACHE_HOME"))
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
}

ConfigSandbox::~ConfigSandbox()
{
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (m_hadPreviousCache)
        qputenv("XDG_CACHE_HOME", m_previousCache);
    else
        qunsetenv("XDG_CACHE_HOME");
    if (m_hadPreviousData)
        qputenv("XDG_DATA_HOME", m_previousData);
    else
        qunsetenv("XDG_DATA_HOME");
    // A browser profile that was kept here gets its last files written a
    // moment after the browser has gone: remove until nothing comes back.
    const QString data = m_dir.path() + QStringLiteral("/data");
    for (int i = 0; i < 20 && QFileInfo::exists(data); ++i) {
        QDir(data).removeRecursively();
        QTest::qWait(100);
    }
}

QString ConfigSandbox::settingsPath() const
{
    return m_dir.path() + QStringLiteral("/Qorvin/Vellisk.ini");
}

QByteArray ConfigSandbox::settingsBytes() const
{
    QFile file(settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ConfigSandbox::writeSettings(const QByteArray &bytes) const
{
    QDir().mkpath(m_dir.path() + QStringLiteral("/Qorvin"));
    QFile file(settingsPath());
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void onNextMessageBox(std::function<void(QMessageBox *)> handler, int timeoutMs)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, handler, timeoutMs] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (box != nullptr)
            handler(box);
    });
    timer->start();
}

MessageBoxWatcher::MessageBoxWatcher(std::function<void(QMessageBox *)> handler)
    : m_handler(std::move(handler))
{
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == m_current)
            return;
        m_current = box;
        if (box == nullptr)
            return;
        ++m_seen;
        m_handler(box);
    });
    m_timer.start();
}

QString textOfMessageBoxFrom(const std::function<void()> &action, const QString &button)
{
    QString text = QStringLiteral("<no message box>");
    onNextMessageBox([&text, button](QMessageBox *box) {
        text = box->text();
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == button) {
                b->click();
                return;
            }
        }
        box->reject();
    });
    action();
    return text;
}

void grabForReview(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("VELLISK_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    if (!widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")))
        qWarning("cannot save the screenshot %s", qPrintable(name));
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(5);
    }
    return true;
}
