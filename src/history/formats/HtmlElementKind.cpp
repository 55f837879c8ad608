#include "history/formats/HtmlElementKind.h"

#include <QString>

#include <algorithm>

namespace {

using namespace Qt::StringLiterals;
using Role = HtmlElementKind::Role;
using Display = HtmlElementKind::Display;

struct NamedKind {
    QLatin1StringView name;
    HtmlElementKind kind;
};

// Qt's element table but for its inline elements, in the same order.
constexpr NamedKind kKinds[] = {
    {"blockquote"_L1, {Role::other, Display::block}},
    {"body"_L1, {Role::body, Display::block}},
    {"br"_L1, {Role::other, Display::inline_, true}},
    {"caption"_L1, {Role::caption, Display::block}},
    {"center"_L1, {Role::other, Display::block}},
    {"dd"_L1, {Role::dd, Display::block}},
    {"div"_L1, {Role::other, Display::block}},
    {"dl"_L1, {Role::dl, Display::block}},
    {"dt"_L1, {Role::dt, Display::block}},
    {"h1"_L1, {Role::other, Display::block}},
    {"h2"_L1, {Role::other, Display::block}},
    {"h3"_L1, {Role::other, Display::block}},
    {"h4"_L1, {Role::other, Display::block}},
    {"h5"_L1, {Role::other, Display::block}},
    {"h6"_L1, {Role::other, Display::block}},
    {"head"_L1, {Role::head, Display::hidden}},
    {"hr"_L1, {Role::other, Display::block, true}},
    {"img"_L1, {Role::other, Display::inline_, true}},
    {"li"_L1, {Role::li, Display::block}},
    {"link"_L1, {Role::other, Display::hidden}},
    {"meta"_L1, {Role::other, Display::hidden, true}},
    {"ol"_L1, {Role::list, Display::block}},
    {"p"_L1, {Role::p, Display::block}},
    {"pre"_L1, {Role::other, Display::block}},
    {"qt"_L1, {Role::body, Display::block}},
    {"script"_L1, {Role::other, Display::hidden}},
    {"style"_L1, {Role::other, Display::hidden}},
    {"table"_L1, {Role::table, Display::table}},
    {"tbody"_L1, {Role::section, Display::table}},
    {"td"_L1, {Role::td, Display::block}},
    {"tfoot"_L1, {Role::section, Display::table}},
    {"th"_L1, {Role::th, Display::block}},
    {"thead"_L1, {Role::section, Display::table}},
    {"title"_L1, {Role::other, Display::hidden}},
    {"tr"_L1, {Role::tr, Display::table}},
    {"ul"_L1, {Role::list, Display::block}},
};

} // namespace

HtmlElementKind HtmlElementKind::of(const QString &name) {
    const auto found =
        std::lower_bound(std::begin(kKinds), std::end(kKinds), name,
                         [](const NamedKind &kind, const QString &n) { return kind.name < n; });
    return found != std::end(kKinds) && found->name == name ? found->kind : HtmlElementKind{};
}

bool HtmlElementKind::isAllowedIn(Role role, Role parent) {
    switch (role) {
    case Role::dd:
    case Role::dt:
        return parent == Role::dl;
    case Role::tr:
        return parent == Role::table || parent == Role::section;
    case Role::td:
    case Role::th:
        return parent == Role::tr;
    case Role::section:
    case Role::caption:
        return parent == Role::table;
    case Role::body:
        return parent != Role::head;
    default:
        return true;
    }
}
