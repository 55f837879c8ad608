#pragma once

#include <QString>
#include <QStringList>

// The program's few failure lines ("Tallowquill: failed to load pins: ..."), written to the
// system log (syslog, ident "tallowquill") and to standard error. Safe from any thread.
class SystemLog {
public:
    static void write(const QString &line);

    // Collects every line written while it lives; for tests. Captures nest.
    class Capture {
    public:
        Capture();
        ~Capture();
        Capture(const Capture &) = delete;
        Capture &operator=(const Capture &) = delete;

        QStringList lines() const;

    private:
        friend class SystemLog;
        QStringList m_lines;
        Capture *m_previous = nullptr;
    };
};
