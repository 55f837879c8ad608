#include "platform/XdgAutostartLoginItem.h"

#include "platform/LogQuote.h"
#include "platform/SystemLog.h"
#include "platform/XdgFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <algorithm>

namespace {

// Not the application id the menu entry is named after: a switch turned on by an earlier version
// still reads on, and no second entry starts a second copy at login.
const QLatin1String kEntryName("tallowquill.desktop");

QString autostartFolder() {
    return XdgFolders::configHome() + QStringLiteral("/autostart");
}

// The escapes every desktop-entry string value may carry.
QString escapeValue(const QString &value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapeValue(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        switch (value[i + 1].unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            // Not a string escape: it belongs to the Exec quoting, which reads it next.
            out += c;
            out += value[i + 1];
        }
        ++i;
    }
    return out;
}

// The untranslated keys of the [Desktop Entry] group, values unescaped.
QHash<QString, QString> readDesktopEntry(const QByteArray &contents) {
    QHash<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray &raw : contents.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inGroup || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!keys.contains(key))
            keys.insert(key, unescapeValue(QStringView(line).mid(eq + 1).trimmed()));
    }
    return keys;
}

// The program an Exec value starts: its first argument with the quoting undone.
std::optional<QString> execProgram(const QString &exec) {
    QString program;
    bool started = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size() && QStringView(u"\"`$\\").contains(exec[i + 1])) {
                program += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                program += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (started)
                break;
            continue;
        }
        started = true;
        if (c == u'"')
            quoted = true;
        else if (c == u'\\' && i + 1 < exec.size())
            program += exec[++i];
        else
            program += c;
    }
    if (quoted || program.isEmpty())
        return std::nullopt;
    program.replace(QLatin1String("%%"), QLatin1String("%"));
    return program;
}

// Desktop booleans are "true"/"false"; older files also use "1"/"0".
bool isTrue(const QString &value) {
    return value == QLatin1String("true") || value == QLatin1String("1");
}
bool isFalse(const QString &value) {
    return value == QLatin1String("false") || value == QLatin1String("0");
}

// Hidden=true, or X-GNOME-Autostart-enabled=false: the user turned it off in the desktop.
bool switchedOffByDesktop(const QHash<QString, QString> &keys) {
    return isTrue(keys.value(QStringLiteral("Hidden"))) ||
           isFalse(keys.value(QStringLiteral("X-GNOME-Autostart-enabled")));
}

std::optional<QHash<QString, QString>> readEntryFile(const QString &path) {
    QFile file(path);
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readDesktopEntry(file.readAll());
}

bool sameFile(const QString &a, const QString &b) {
    if (a == b)
        return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executablePath)
    : m_executablePath(std::move(executablePath)) {}

QString XdgAutostartLoginItem::entryPath() const {
    return autostartFolder() + u'/' + kEntryName;
}

QString XdgAutostartLoginItem::executablePath() const {
    if (m_executablePath)
        return *m_executablePath;
    return QCoreApplication::applicationFilePath();
}

QString XdgAutostartLoginItem::execValue(const QString &program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes =
        std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); });
    QString argument;
    if (needsQuotes) {
        argument += u'"';
        for (const QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    } else {
        argument = program;
    }
    // A lone % would start a field code.
    argument.replace(u'%', QLatin1String("%%"));
    return escapeValue(argument);
}

LoginItem::Status XdgAutostartLoginItem::status() const {
    const QString program = executablePath();
    if (program.isEmpty() || !QFileInfo(program).isFile())
        return Status::notFound;

    const std::optional<QHash<QString, QString>> keys = readEntryFile(entryPath());
    if (!keys)
        return Status::notRegistered;

    // An entry left behind by a copy of the program elsewhere is not ours.
    const std::optional<QString> starts = execProgram(keys->value(QStringLiteral("Exec")));
    if (!starts || !sameFile(*starts, program))
        return Status::notRegistered;
    return switchedOffByDesktop(*keys) ? Status::switchedOff : Status::enabled;
}

void XdgAutostartLoginItem::retargetDeadEntry() {
    const std::optional<QHash<QString, QString>> keys = readEntryFile(entryPath());
    if (!keys || switchedOffByDesktop(*keys))
        return;
    const std::optional<QString> starts = execProgram(keys->value(QStringLiteral("Exec")));
    if (!starts)
        return;
    const QFileInfo dead(*starts);
    if (!dead.isAbsolute() || dead.fileName() != QLatin1String("tallowquill") || dead.exists())
        return;

    QString error;
    if (registerItem(&error))
        SystemLog::write(QStringLiteral("Tallowquill: launch at login now starts %1 instead of %2, "
                                        "which no longer exists")
                             .arg(logQuoted(executablePath()), logQuoted(*starts)));
    else
        SystemLog::write(QStringLiteral("Tallowquill: login-item update failed: ") + error);
}

bool XdgAutostartLoginItem::registerItem(QString *error) {
    const QString program = executablePath();
    if (program.isEmpty() || !QFileInfo(program).isFile()) {
        setError(error, QStringLiteral("the program's executable could not be found"));
        return false;
    }

    const QString folder = autostartFolder();
    if (!QDir().mkpath(folder)) {
        setError(error, QStringLiteral("could not create the folder %1").arg(logQuoted(folder)));
        return false;
    }

    // No NoDisplay: the desktop's own startup-applications list should show the entry, so the
    // user can see and remove it there too.
    const QString entry = QLatin1String("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tallowquill\n"
                                        "GenericName=Clipboard History\n"
                                        "Comment=Keep a history of what you copy and paste any "
                                        "of it again\n"
                                        "Exec=") +
                          execValue(program) + QLatin1String("\nTryExec=") + escapeValue(program) +
                          QLatin1String("\n"
                                        "Icon=tallowquill\n"
                                        "Terminal=false\n"
                                        "StartupNotify=false\n"
                                        "X-GNOME-Autostart-enabled=true\n");

    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit()) {
        setError(error, QStringLiteral("could not write %1: %2")
                            .arg(logQuoted(file.fileName()), file.errorString()));
        return false;
    }
    return true;
}

bool XdgAutostartLoginItem::unregisterItem(QString *error) {
    QFile file(entryPath());
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (!file.remove()) {
        setError(error, QStringLiteral("could not remove %1: %2")
                            .arg(logQuoted(file.fileName()), file.errorString()));
        return false;
    }
    return true;
}
