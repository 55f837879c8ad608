#pragma once

#include <QString>
#include <QStringView>

// A style attribute's value as written (entities not decoded) read for what it may set, erring
// towards "it may": Qt decodes entities in it before reading it as CSS, and CSS has escapes.

// Whether it may set white-space, so that line breaks in the text begin paragraphs.
bool styleMayKeepLineBreaks(QStringView style);

// Whether it may name a URL (an image), which Qt keeps as text.
bool styleMayNameUrl(QStringView style);

// The declarations in it that may name font families, from each "font" to the ';' that ends
// it, past quotes and brackets; all of it where a numeric entity, an escape or a comment could
// spell anything. Two values that name different families give different texts.
QString styleFontDeclarations(QStringView style);
