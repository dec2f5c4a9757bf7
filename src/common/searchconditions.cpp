#include "searchconditions.h"

#include "integertext.h"

#include <QCoreApplication>

NumberText NumberText::from(const QString &text)
{
    NumberText result{text, std::nullopt};
    int value = 0;
    if (parseIntegerText(text, &value))
        result.number = value;
    return result;
}

QString SearchSetting::saveDirectoryFirstRun()
{
    return QCoreApplication::applicationDirPath();
}

std::optional<ProxyChoice> SearchConditions::proxyChoice() const
{
    if (!proxyOn)
        return ProxyChoice{false, proxyHost, 0};
    const NumberText port = NumberText::from(proxyPort);
    if (!port.number || *port.number < 0 || *port.number > 65535)
        return std::nullopt;
    return ProxyChoice{true, proxyHost, *port.number};
}
