// Around a wait the waiting thread's timer slack is cut to the minimum and then
// restored, without touching other threads.
#include <sys/prctl.h>

#include <QtTest>
#include <thread>

#include "LinuxTimerResolution.h"

namespace {
long slack() {
    return prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
}
}  // namespace

class TestLinuxTimerResolution : public QObject {
    Q_OBJECT

private slots:
    void beginCutsAndEndRestores_data() {
        QTest::addColumn<long>("before");
        QTest::newRow("default slack") << 50000L;
        QTest::newRow("a slack set by the program") << 200000L;
    }

    void beginCutsAndEndRestores() {
        QFETCH(long, before);
        QCOMPARE(prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(before), 0, 0, 0), 0);
        LinuxTimerResolution resolution;
        resolution.end();  // without a begin: changes nothing
        QCOMPARE(slack(), before);
        QVERIFY(resolution.begin());
        QCOMPARE(slack(), 1L);
        resolution.end();
        QCOMPARE(slack(), before);
    }

    void otherThreadsKeepTheirSlack() {
        const long mine = slack();
        LinuxTimerResolution resolution;
        long inside = 0, after = 0;
        std::thread waiter([&] {
            resolution.begin();
            inside = slack();
            resolution.end();
            after = slack();
        });
        waiter.join();
        QCOMPARE(inside, 1L);
        QVERIFY(after > 1);
        QCOMPARE(slack(), mine);
    }
};

QTEST_GUILESS_MAIN(TestLinuxTimerResolution)
#include "tst_linuxtimerresolution.moc"
