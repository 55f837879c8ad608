#pragma once

#include <QString>

// The HTML without the id and name attributes of its elements (no style sheet selects by them:
// capture drops style sheets, see withCutsMade). Those names only mark places inside the
// page; QTextDocument keeps each as a list-valued format property, and since it hashes such lists
// by their type alone, a page with thousands of named elements makes its parse quadratic
// (seconds for a long page). Tags, text, comments, scripts and style elements are otherwise left
// exactly as they are. Names it does not see as Qt does are counted by HtmlShape.
QString withoutElementNames(const QString &html);
