#include "system/PasteNotice.h"

#include "system/AutoPasteHelp.h"

#include <QMessageBox>
#include <QPushButton>

void showPasteNotice(AutoPasteHelp &help) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Tallowquill"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QStringLiteral("Copied \u2014 press \u2318V to paste"));
    box.setInformativeText(QStringLiteral(
        "Tallowquill needs Accessibility permission to paste automatically. Your selection is on "
        "the clipboard, so you can paste it now with \u2318V.\n\nTo enable auto-paste, allow "
        "Tallowquill under Privacy & Security \u2192 Accessibility. If Tallowquill is already "
        "listed there, remove it with the \u201c\u2212\u201d button and add it back \u2014 a "
        "stale entry from a previous build stops the permission from applying."));
    QPushButton *open =
        box.addButton(QStringLiteral("Open System Settings"), QMessageBox::AcceptRole);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    box.setDefaultButton(open);
    box.setEscapeButton(ok);

    // The program has no window in front: the notice must come up over the application the
    // user was working in.
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();

    if (box.clickedButton() == open)
        help.openHelpPage();
}
