#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

class QWidget;

class QMessageBox;
class QWidget;

// A configuration directory of its own for each test: the settings file lives
// in it (and the browser's profile below it), and the previous
// XDG_CONFIG_HOME and XDG_DATA_HOME come back when it goes. The cache
// directory (the shared thumbnails) is a fresh one of its own too, so no test
// sees thumbnails another left.
class ConfigSandbox
{
public:
    ConfigSandbox();
    ~ConfigSandbox();
    QString settingsPath() const;
    QString path() const { return m_dir.path(); }
    // The settings file's bytes, or empty when there is none.
    QByteArray settingsBytes() const;
    void writeSettings(const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
    QByteArray m_previousData;
    bool m_hadPreviousData;
    QTemporaryDir m_cache;
    QByteArray m_previousCache;
    bool m_hadPreviousCache;
};

// Arms a one-shot watcher: the next modal message box that appears is handed
// to `handler` (which reads it and presses a button). Returns at once.
void onNextMessageBox(std::function<void(QMessageBox *)> handler, int timeoutMs = 5000);

// While it lives, every modal message box that appears is handed to
// `handler` (which reads it and presses a button). It does not give up with
// time, so a box that comes late on a slow machine is still answered; it
// stops looking when it goes out of scope.
class MessageBoxWatcher
{
public:
    explicit MessageBoxWatcher(std::function<void(QMessageBox *)> handler);
    // Boxes handed to the handler so far.
    int seen() const { return m_seen; }

private:
    QTimer m_timer;
    std::function<void(QMessageBox *)> m_handler;
    QMessageBox *m_current = nullptr;
    int m_seen = 0;
};

// Runs `action` (which opens a modal box) and returns the box's text, closing
// it with the button whose text is `button` ("OK" by default).
QString textOfMessageBoxFrom(const std::function<void()> &action,
                             const QString &button = QStringLiteral("OK"));

// Saves `widget` as `name`.png under $VELLISK_SCREENSHOT_DIR when that is set,
// for a person to look at; does nothing otherwise.
void grabForReview(QWidget *widget, const QString &name);

// Waits, processing events, until `condition` holds or `timeoutMs` passes.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000);
