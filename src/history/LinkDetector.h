#pragma once

#include <QString>

// Whether plain text holds a link: an http(s), ftp, file or mailto URL, a "www." host or an
// e-mail address. Used only to set an entry's link flag.
bool containsLink(const QString &text);
