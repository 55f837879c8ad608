#include "system/PasteNotice.h"

#include "system/AutoPasteHelp.h"
#include "system/PasteChords.h"

#include <QMessageBox>
#include <QPushButton>

void showPasteNotice(AutoPasteHelp &help, PasteChord chord, KeyTypist typist) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Tallowquill"));
    box.setTextFormat(Qt::PlainText);
    const QString keys = PasteChords::name(chord);
    box.setText(QStringLiteral("Copied \u2014 press %1 to paste").arg(keys));
    box.setInformativeText(
        QStringLiteral(
            "Tallowquill needs Accessibility permission to paste automatically. Your selection is "
            "on the clipboard, so you can paste it now with %1.\n\nTo enable auto-paste, check "
            "that %2. The help page has the details.")
            .arg(keys, typist == KeyTypist::virtualKeyboard
                           ? QStringLiteral("your compositor offers a virtual keyboard")
                           : QStringLiteral("your session offers the XTEST extension (every X11 "
                                            "session does; under Wayland, Tallowquill pastes "
                                            "into X11 applications only)")));
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
