#pragma once

#include <QString>
#include <QStringView>

// Whether plain text holds a link: an http(s), ftp, file or mailto URL, a "www." host or an
// e-mail address. Used only to set an entry's link flag.
bool containsLink(const QString &text);

// Whether a link's target is worth keeping: not empty, and not javascript:, which runs code in
// the page it came from and leads nowhere once copied. Such a link is dropped, its text kept.
bool isNavigableHref(QStringView href);
