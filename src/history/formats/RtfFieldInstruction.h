#pragma once

#include <QString>

// The target of a HYPERLINK field instruction ("HYPERLINK \"https://a.example/\"",
// "HYPERLINK \\l \"top\"" gives "#top"); empty for any other field or a link without a target.
QString hyperlinkTarget(const QString &instruction);
