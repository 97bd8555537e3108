// One running copy: a second start is refused while the first holds the
// lock; a lock left behind by a copy that crashed does not block.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/wait.h>
#include <unistd.h>

#include "apptest.h"
#include "startup.h"

namespace tarvel::app::test {

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void aSecondCopyIsRefusedWhileTheFirstRuns() {
        QTemporaryDir runtime;
        {
            SingleInstance first(runtime.path());
            QVERIFY(first.acquire());
            QVERIFY(QFile::exists(runtime.path() + "/TarvelYJ"));
            SingleInstance second(runtime.path());
            QVERIFY(!second.acquire());
        }
        SingleInstance later(runtime.path());  // the first has ended
        QVERIFY(later.acquire());
    }

    void aLockLeftByACrashedCopyIsTakenOver() {
        QTemporaryDir runtime;
        // A child takes the lock and dies without releasing it.
        const pid_t child = fork();
        if (child == 0) {
            SingleInstance crashed(runtime.path());
            _exit(crashed.acquire() ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFile::exists(runtime.path() + "/TarvelYJ"));
        SingleInstance next(runtime.path());
        QVERIFY(next.acquire());
    }
};

}  // namespace tarvel::app::test

QTEST_MAIN(tarvel::app::test::StartupTest)
#include "startup_test.moc"
