#include "commandline.h"

#include "run/droptarget.h"
#include "tformmain.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

CommandLine::CommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vellisk gathers image files: it lists the pictures of a directory tree,\n"
                       "or crawls a web site and downloads its pictures."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("target"),
        QStringLiteral("A directory to search, or an http or https address to crawl."),
        QStringLiteral("[target]"));

    const QString program =
        arguments.isEmpty() ? QStringLiteral("vellisk") : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(arguments)) {
        fail(program + QStringLiteral(": ") + parser.errorText());
        return;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        m_exits = true;
        // Without an application object Qt cannot name the program itself.
        m_output = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
        return;
    }
    if (parser.isSet(version)) {
        m_exits = true;
        m_output = QStringLiteral("Vellisk " VELLISK_VERSION "\n");
        return;
    }
    const QStringList targets = parser.positionalArguments();
    if (targets.isEmpty())
        return;
    if (targets.size() > 1) {
        fail(program + QStringLiteral(": only one directory or address can be given"));
        return;
    }
    const QString &text = targets.first();
    if (isWebAddress(text)) {
        m_target = Target::Url;
        m_targetText = text;
    } else if (QFileInfo(text).isDir()) {
        m_target = Target::Directory;
        m_targetText = QDir::cleanPath(QFileInfo(text).absoluteFilePath());
    } else {
        fail(program + QStringLiteral(": \"") + text +
             QStringLiteral("\" is neither a directory nor an http or https address"));
    }
}

void CommandLine::fail(const QString &message)
{
    m_exits = true;
    m_exitCode = 2;
    m_output = message + QStringLiteral("\nTry --help for the usage.\n");
}

void CommandLine::apply(TFormMain *main) const
{
    if (m_target == Target::None)
        return;
    main->setSearchTarget(m_target == Target::Url, m_targetText);
    main->BtTansakuClick();
}
