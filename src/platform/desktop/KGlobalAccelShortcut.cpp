#include "platform/desktop/KGlobalAccelShortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QStringList>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.kde.kglobalaccel");
const QString kPath = QStringLiteral("/kglobalaccel");
const QString kInterface = QStringLiteral("org.kde.KGlobalAccel");
// Component, action, and their names as Plasma's settings show them.
const QStringList kActionId{QStringLiteral("tallowquill"), QStringLiteral("show-history"),
                            QStringLiteral("Tallowquill"),
                            QStringLiteral("Show Clipboard History")};

// setShortcut's flags.
constexpr uint kSetPresent = 2;
constexpr uint kNoAutoloading = 4;
constexpr uint kIsDefault = 8;

// The service names a chord as Qt does: the key with the modifiers' bits.
constexpr Qt::KeyboardModifiers kModifiers =
    Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
constexpr int kDefaultKey = (Qt::META | Qt::SHIFT | Qt::Key_V).toCombined();

// A blocking call is short: at start, and when the user changes the shortcut.
constexpr int kTimeoutMs = 2000;

int serviceKey(const KeyChord &chord) {
    return int(chord.key) | int((chord.modifiers & kModifiers).toInt());
}

KeyChord chordOf(int key) {
    return {0, Qt::Key(key & ~int(Qt::KeyboardModifierMask)),
            Qt::KeyboardModifiers(key & int(Qt::KeyboardModifierMask)) & kModifiers};
}

// The first key of `ai`, or of `a(ai)`, where each entry is a sequence of up to four chords. A
// sequence of more than one chord is no key the program can hold: 0.
int firstKey(const QVariant &keys) {
    const auto argument = keys.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(ai)"))
        return qdbus_cast<QList<int>>(keys).value(0);
    QList<int> first;
    argument.beginArray();
    if (!argument.atEnd()) {
        argument.beginStructure();
        argument >> first;
        argument.endStructure();
    }
    return first.size() > 1 && first.at(1) != 0 ? 0 : first.value(0);
}

} // namespace

std::unique_ptr<KGlobalAccelShortcut> KGlobalAccelShortcut::create(const QDBusConnection &bus) {
    std::unique_ptr<KGlobalAccelShortcut> shortcut(new KGlobalAccelShortcut(bus));
    if (shortcut->call(QStringLiteral("doRegister"), {kActionId}).type() !=
        QDBusMessage::ReplyMessage)
        return nullptr;
    QDBusConnection connection = shortcut->m_bus;
    connection.connect(kService, QStringLiteral("/component/") + kActionId.at(0),
                       QStringLiteral("org.kde.kglobalaccel.Component"),
                       QStringLiteral("globalShortcutPressed"), shortcut.get(),
                       SLOT(pressed(QString, QString, qlonglong)));
    // Older services tell of a change made in Plasma's settings by the first, newer by the second.
    for (const QString &name :
         {QStringLiteral("yourShortcutGotChanged"), QStringLiteral("yourShortcutsChanged")})
        connection.connect(kService, kPath, kInterface, name, shortcut.get(),
                           SLOT(shortcutChanged(QDBusMessage)));
    return shortcut;
}

KGlobalAccelShortcut::KGlobalAccelShortcut(const QDBusConnection &bus)
    : m_bus(bus) {}

KGlobalAccelShortcut::~KGlobalAccelShortcut() {
    // The service outlives the program: active, the action would swallow its keys.
    ungrab();
}

bool KGlobalAccelShortcut::grab(const KeyChord &chord) {
    const int key = serviceKey(chord);
    QList<int> held;
    if (!std::exchange(m_started, true)) {
        // What Plasma's settings offer to go back to.
        setShortcut(kDefaultKey, kIsDefault);
        // Autoloading: the service answers with the binding it kept from an earlier run, which
        // the user may have changed in Plasma's settings since.
        held = setShortcut(key, kSetPresent);
    } else {
        held = setShortcut(key, kSetPresent | kNoAutoloading);
    }
    // A key another action holds comes back as 0.
    m_held = held.value(0);
    if (m_held != 0 && m_held != key)
        QMetaObject::invokeMethod(
            this, [this, kept = m_held] { report(kept); }, Qt::QueuedConnection);
    return m_held != 0;
}

void KGlobalAccelShortcut::ungrab() {
    if (std::exchange(m_held, 0) == 0)
        return;
    // setInactive, not blockGlobalShortcuts: blocking frees every shortcut of the desktop, and
    // leaves them all dead should the program end while recording; this frees only ours, which
    // the next setShortcut takes back.
    call(QStringLiteral("setInactive"), {kActionId});
}

QString KGlobalAccelShortcut::keeper() const {
    return QStringLiteral("Kept in Plasma's shortcuts");
}

void KGlobalAccelShortcut::pressed(const QString &component, const QString &action, qlonglong) {
    if (component == kActionId.at(0) && action == kActionId.at(1) && onPressed)
        onPressed();
}

void KGlobalAccelShortcut::shortcutChanged(const QDBusMessage &message) {
    const QVariantList arguments = message.arguments();
    // Sent to every client of the service, for every action changed.
    if (arguments.size() != 2 || arguments.at(0).toStringList().mid(0, 2) != kActionId.mid(0, 2))
        return;
    const int key = firstKey(arguments.at(1));
    if (key == 0 || key == m_held)
        return;
    m_held = key;
    report(key);
}

QDBusMessage KGlobalAccelShortcut::call(const QString &method,
                                        const QVariantList &arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return m_bus.call(message, QDBus::Block, kTimeoutMs);
}

QList<int> KGlobalAccelShortcut::setShortcut(int key, uint flags) const {
    const QDBusMessage answer = call(QStringLiteral("setShortcut"),
                                     {kActionId, QVariant::fromValue(QList<int>{key}), flags});
    return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
               ? qdbus_cast<QList<int>>(answer.arguments().constFirst())
               : QList<int>();
}

void KGlobalAccelShortcut::report(int key) {
    if (onChangedElsewhere)
        onChangedElsewhere(chordOf(key));
}
