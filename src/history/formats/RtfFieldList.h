#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The fields of an RTF document (\field) in the order they open: each one's instruction and,
// once its result begins, the link target the instruction names.
class RtfFieldList {
public:
    // A new field's index; -1 past the table's limit (its result still shows, as plain text).
    int open();
    // Nothing for field -1: a field past the limit nested in an instruction has none.
    void appendInstruction(int field, QStringView text) {
        if (field >= 0)
            m_instructions[field] += text;
    }
    // At \fldrslt: whether the field's result is a link, and one worth keeping (isNavigableHref).
    // The instruction is read the first time.
    bool isLink(int field);
    // Empty unless the field is a link.
    QString target(int field) const { return m_targets[field].value_or(QString()); }

private:
    std::vector<QString> m_instructions;
    std::vector<std::optional<QString>> m_targets;
};
