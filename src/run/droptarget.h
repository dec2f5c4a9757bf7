#pragma once

#include <QString>

class QMimeData;

// What a drop on the main window asks for: a folder to search, an http or
// https address to crawl, or nothing the program can take (with the line the
// "Error" log shows).
struct DropTarget
{
    enum class Kind { None, Directory, Url };
    Kind kind = Kind::None;
    // The absolute, clean directory, or the address as dropped.
    QString text;
    QString error;

    static DropTarget of(const QMimeData &mime);
};

// An absolute http or https address with a host, as the command line takes it.
bool isWebAddress(const QString &text);
