#pragma once

#include <QString>

// What Qt's HTML reader (Qt 6) makes of an element by its name: where it may stand in the tree,
// whether it starts a paragraph or hides what is in it, and whether it can hold anything.
struct HtmlElementKind {
    // The elements whose place in Qt's tree, or whose cost, differs from an unknown element's.
    enum class Role {
        other,
        table,
        section,
        tr,
        td,
        th,
        caption,
        p,
        li,
        dl,
        dt,
        dd,
        body,
        head,
        list
    };
    // As Qt's element table has it: a block starts a paragraph, a hidden element hides all in it.
    enum class Display { inline_, block, table, hidden };

    Role role = Role::other;
    Display display = Display::inline_;
    bool empty = false; // never has children (img, hr, br, meta)

    // The kind of an element by its name in lower case; an unknown one is inline.
    static HtmlElementKind of(const QString &name);
    // Where Qt lets an element be a child: elsewhere it climbs to the nearest such ancestor, or
    // to the top, closing everything in between.
    static bool isAllowedIn(Role role, Role parent);
};
