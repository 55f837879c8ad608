// What every target needs before its first input: a QGuiApplication (fonts for the text
// documents, the image readers) on the offscreen platform, and quiet logging.

#include <QByteArray>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

// Millions of inputs would each write a failure line to the system log; the lines themselves
// are of no use here.
extern "C" void syslog(int, const char *, ...) {}

namespace {

// Qt's warnings about broken images are expected by the thousand; a failed assertion or other
// fatal message still shows before the abort that libFuzzer reports.
void dropAllButFatal(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(dropAllButFatal);
    static int argc = 1;
    static char name[] = "tallowquill-fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}
