#pragma once

#include <QString>

// The HTML without the id and name attributes of its elements, unless a style sheet in it could
// select elements by id. Those names only mark places inside the page; QTextDocument keeps each
// as a list-valued format property, and since it hashes such lists by their length alone, a page
// with thousands of named elements makes its parse quadratic (seconds for a long page). Tags,
// text, comments, scripts and style elements are otherwise left exactly as they are.
QString withoutElementNames(const QString &html);
