// Around a wait the waiting thread's timer slack is cut to the minimum and then
// restored, without touching other threads.
#include <sys/prctl.h>

#include <QtTest>
#include <thread>

#include "platform/x11/LinuxTimerResolution.h"

namespace {
long slack() {
    return prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
}
}  // namespace

class TestLinuxTimerResolution : public QObject {
    Q_OBJECT

private slots:
    void beginCutsAndEndRestoresInItsThreadOnly_data() {
        QTest::addColumn<long>("before");
        QTest::newRow("default slack") << 50000L;
        QTest::newRow("a slack set by the program") << 200000L;
    }
    void beginCutsAndEndRestoresInItsThreadOnly() {
        QFETCH(long, before);
        const long mine = slack();
        long seen[3] = {};
        std::thread waiter([&] {
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(before), 0, 0, 0);
            LinuxTimerResolution resolution;
            resolution.end();  // without a begin: changes nothing
            seen[0] = slack();
            seen[1] = resolution.begin() ? slack() : -1;
            resolution.end();
            seen[2] = slack();
        });
        waiter.join();
        QCOMPARE(seen[0], before);
        QCOMPARE(seen[1], 1L);
        QCOMPARE(seen[2], before);
        QCOMPARE(slack(), mine);
    }
};

QTEST_GUILESS_MAIN(TestLinuxTimerResolution)
#include "tst_linuxtimerresolution.moc"
