#include "system/PasteNotice.h"

#include "system/AutoPasteHelp.h"

#include <QMessageBox>
#include <QPushButton>

void showPasteNotice(AutoPasteHelp &help) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Tallowquill"));
    box.setTextFormat(Qt::PlainText);
    box.setText(QStringLiteral("Copied \u2014 press Ctrl+V to paste"));
    box.setInformativeText(QStringLiteral(
        "Tallowquill needs Accessibility permission to paste automatically. Your selection is on "
        "the clipboard, so you can paste it now with Ctrl+V.\n\nTo enable auto-paste, check that "
        "your session offers the XTEST extension (every X11 session does; under Wayland, "
        "Tallowquill pastes into X11 applications only). The help page has the details."));
    QPushButton *open =
        box.addButton(QStringLiteral("Open Auto-Paste Help"), QMessageBox::AcceptRole);
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
