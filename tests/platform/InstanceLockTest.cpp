#include "platform/InstanceLock.h"
#include "platform/SystemLog.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

// Without XDG_RUNTIME_DIR (with it, TallowquillX11Test's), the lock lives only in a folder no one
// else can make files in, or another user could take it first and keep the program from starting.
// A folder that fails the checks is left untouched and the program starts all the same, with a
// log line. Locks in one process exclude each other too.
TEST(InstanceLockTest, LocksOnlyInAPrivateCacheFolder) {
    enum class InPlace { nothing, link, file }; // of the cache folder
    // With why the lock is not taken, if it is not.
    const std::pair<InPlace, const char *> cases[] = {
        {InPlace::nothing, nullptr},
        {InPlace::link, "its folder is a symbolic link"},
        {InPlace::file, "Not a directory"}};
    for (const auto &[inPlace, refusal] : cases) {
        SCOPED_TRACE(int(inPlace));
        const QString home = tqtest::resetHome();
        const QString folder = home + QStringLiteral("/.cache/Tallowquill");
        qunsetenv("XDG_RUNTIME_DIR");
        if (inPlace == InPlace::link) { // to a private folder, empty
            QDir(home).mkdir(QStringLiteral(".cache"));
            QFile::link(home + QStringLiteral("/runtime"), folder);
        }
        if (inPlace == InPlace::file)
            tqtest::writeFile(folder, "x");
        SystemLog::Capture log;
        InstanceLock first(QStringLiteral("tq")), second(QStringLiteral("tq"));
        EXPECT_TRUE(first.tryLock());
        EXPECT_EQ(first.isHeld(), refusal == nullptr);
        EXPECT_EQ(second.tryLock(), refusal != nullptr); // also when made through a link
        EXPECT_EQ(QFileInfo(first.path()).path(), folder);
        EXPECT_TRUE(refusal || (QFileInfo(folder).permissions().toInt() & 0x77) == 0);
        const QString logged = log.lines().join(u'\n');
        EXPECT_TRUE(refusal ? logged.contains(QLatin1String(refusal)) : logged.isEmpty())
            << logged.toStdString();
    }
}
