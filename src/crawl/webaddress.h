#pragma once

#include <QString>
#include <QUrl>

// Addresses the browser pane and the single fetch go to: http and https only,
// so that a typed text, a history entry or a found link can never open a
// local file or run a script.

// True for a valid http or https URL with a host.
bool isWebAddress(const QUrl &url);

// The address a user typed, as a browser's address box reads it: a text
// without a scheme ("www.host.jp/", "localhost:8080") is taken as http. An
// invalid QUrl when the text is not a web address ("file:", "javascript:",
// "data:", a local path).
QUrl webAddressFromTyped(const QString &text);

// The start address of a crawl from the text of the address box: trimmed, and
// a text typed without a scheme taken as http, as the browser pane takes it,
// so that "探索" crawls what "Web" shows. Any other text comes back trimmed
// and as written, for the crawl to refuse.
QString crawlStartURL(const QString &typed);

// NormalizeURL for an address the browser or the user gives.
QString NormalizeBrowsedURL(const QString &url);
