#include "platform/ClipboardOffer.h"

#include "platform/LogQuote.h"
#include "platform/SystemLog.h"

void logOwnerGivenUp(const QByteArray &target, OwnerGaveUp how, qint64 received,
                     const OwnerPatience &patience, bool hasSent) {
    const QString name = logQuoted(QString::fromLatin1(target));
    QString what;
    if (how == OwnerGaveUp::cancelled)
        what = QStringLiteral("was still sending %1 when its copy was given up").arg(name);
    else if (how == OwnerGaveUp::overdue)
        what = QStringLiteral("was still sending %1 after %2 s")
                   .arg(name)
                   .arg(std::chrono::duration_cast<std::chrono::seconds>(patience.total).count());
    else if (received > 0)
        what = QStringLiteral("stopped sending %1 after %2 bytes").arg(name).arg(received);
    else
        what = QStringLiteral("did not answer for %1 within %2 ms")
                   .arg(name)
                   .arg((hasSent ? patience.busy : patience.silent).count());
    SystemLog::write(
        QStringLiteral("Tallowquill: the clipboard owner %1; its other formats are skipped")
            .arg(what));
}
