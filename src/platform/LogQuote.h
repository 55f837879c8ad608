#pragma once

#include <QString>
#include <QStringView>

// A value read from disk or the environment as it may stand in a log line: in double quotes,
// at most 80 characters (a longer one loses its middle to "…", so a path keeps both ends), and
// on one visible line: controls, line and format characters come out as \xNN, \uNNNN or
// \UNNNNNNNN, a quote or backslash as \" or \\.
QString logQuoted(QStringView value);
