#include "history/formats/RtfFieldList.h"

#include "history/formats/LinkDetector.h"
#include "history/formats/RtfFieldInstruction.h"
#include "history/formats/RtfGroupState.h"

int RtfFieldList::open() {
    if (qsizetype(m_instructions.size()) >= kRtfMaxTableSize)
        return -1;
    m_instructions.emplace_back();
    m_targets.emplace_back();
    return int(m_instructions.size()) - 1;
}

bool RtfFieldList::isLink(int field) {
    std::optional<QString> &target = m_targets[field];
    if (!target) {
        target = hyperlinkTarget(m_instructions[field]);
        if (!isNavigableHref(*target))
            target->clear();
    }
    return !target->isEmpty();
}
