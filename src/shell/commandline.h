#pragma once

#include <QString>
#include <QStringList>

class TFormMain;

// The program's command line: --help, --version and one optional target, a
// directory to search or an http/https address to crawl. It is read before
// the windows exist, so that help, version and a bad argument need no display.
class CommandLine
{
public:
    enum class Target { None, Directory, Url };

    // `arguments` starts with the program's name, as argv does.
    explicit CommandLine(const QStringList &arguments);

    // Help, version or an error: print output() and end with exitCode().
    bool exits() const { return m_exits; }
    int exitCode() const { return m_exitCode; }
    // For standard output when exitCode() is 0, else for standard error.
    QString output() const { return m_output; }

    Target target() const { return m_target; }
    // The absolute directory or the address as given.
    QString targetText() const { return m_targetText; }

    // Switches the main window to the target's mode, puts the target into its
    // box and runs the search command as the "探索" button does.
    void apply(TFormMain *main) const;

private:
    void fail(const QString &message);

    bool m_exits = false;
    int m_exitCode = 0;
    QString m_output;
    Target m_target = Target::None;
    QString m_targetText;
};
