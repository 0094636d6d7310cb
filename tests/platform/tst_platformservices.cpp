// The platform services over fakes: the wait before each operation, the input held down,
// hotkey registrations and absolute mouse coordinates.
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "model/InputHelpers.h"
#include "platform/AbsoluteCoordinates.h"
#include "platform/GlobalHotkey.h"
#include "platform/InterruptibleWait.h"
#include "platform/Platform.h"
#include "platform/TimerResolution.h"
#include "support/FakeHotkeyBackend.h"
#include "support/LogCapture.h"
#include "support/RecordingInputBackend.h"

using namespace std::chrono;
using Batches = QVector<InputBatch>;
Q_DECLARE_METATYPE(InputRecord)

namespace {
struct CountingResolution : TimerResolution {
    explicit CountingResolution(bool raises) : raises(raises) {}
    bool begin() override { return ++begins, raises; }
    void end() override { ++ends; }
    bool raises;
    int begins = 0, ends = 0;
};

const auto toMs = [](nanoseconds d) { return duration<double, std::milli>(d).count(); };
const auto down = [](quint16 vk) { return InputRecord::key(vk, false); };
const auto up = [](quint16 vk) { return InputRecord::key(vk, true); };
const auto typed = [](quint16 unit, bool release = false) {
    return InputRecord::character(unit, release);
};
const auto button = [](quint32 flags) { return InputRecord::mouse(flags); };
}  // namespace

class TestPlatformServices : public QObject {
    Q_OBJECT
    FakeHotkeyBackend m_hotkeys;

private slots:
    void initTestCase() { Platform::setHotkeys(&m_hotkeys); }
    void init() { m_hotkeys = FakeHotkeyBackend(); }
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    // Chunks of at most 50 ms, resumed after early wake-ups, given up once the run stops.
    void wait_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("wakesEarly");  // every other sleep returns at once
        QTest::addColumn<int>("stopInSleep");  // 0: never stopped during the wait
        QTest::addColumn<QList<int>>("chunks");
        QTest::newRow("120") << 120 << true << false << 0 << QList<int>{50, 50, 20};
        QTest::newRow("100, woken early") << 100 << true << true << 0 << QList<int>{50, 50};
        QTest::newRow("lowest") << std::numeric_limits<int>::min() << true << false << 0
                                << QList<int>{};
        QTest::newRow("1000, stopped before") << 1000 << false << false << 0 << QList<int>{};
        QTest::newRow("stopped in an endless wait")
            << std::numeric_limits<int>::max() << true << false << 3 << QList<int>{50, 50, 50};
    }
    void wait() {
        QFETCH(int, milliseconds);
        QFETCH(bool, running);
        QFETCH(bool, wakesEarly);
        QFETCH(int, stopInSleep);
        QFETCH(QList<int>, chunks);
        std::atomic<bool> flag{running};
        CountingResolution resolution(!wakesEarly);
        InterruptibleWait wait(flag, resolution);
        std::vector<nanoseconds> requests;
        wait.setSleepFunction([&](nanoseconds d) {
            requests.push_back(d);
            if (int(requests.size()) == stopInSleep) flag.store(false);
            if (!wakesEarly || requests.size() % 2 == 0) std::this_thread::sleep_for(d);
        });
        const auto start = steady_clock::now();
        QCOMPARE(wait.wait(milliseconds), running && !stopInSleep);
        const auto elapsed = steady_clock::now() - start;
        const auto least =
            stopInSleep ? stopInSleep * 50ms : running * std::max(milliseconds, 0) * 1ms;
        QVERIFY2(elapsed >= least && elapsed < least + 250ms,
                 qPrintable(QString::number(toMs(elapsed))));
        // A chunk asks for all of itself, then after each early wake-up for what is left.
        QList<double> firsts;
        for (size_t i = 0; i < requests.size(); ++i) {
            QVERIFY(requests[i] <= 50ms);
            if (!wakesEarly || i == 0 || requests[i] > requests[i - 1]) firsts << toMs(requests[i]);
        }
        QCOMPARE(firsts.size(), chunks.size());
        for (int i = 0; i < chunks.size(); ++i)
            QVERIFY2(firsts[i] <= chunks[i] && firsts[i] > chunks[i] - 15,
                     qPrintable(QString::number(firsts[i])));
        if (wakesEarly) QVERIFY(int(requests.size()) > chunks.size());
        // The timer resolution is raised once around a whole wait, and put back.
        QCOMPARE(resolution.begins, milliseconds >= 1 ? 1 : 0);
        QCOMPARE(resolution.ends, resolution.raises ? resolution.begins : 0);
    }

    // What the backend holds down, and what releaseHeld sends so no key or button stays stuck.
    void releaseHeld_data() {
        QTest::addColumn<Batches>("sent");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<InputBatch>("released");
        QTest::newRow("nothing sent") << Batches{} << false << InputBatch{};
        QTest::newRow("last pressed first up, pressed twice up once")
            << Batches{{down(16)}, {down(16)}, {down(17)}, {down(18)}, {up(17)}} << false
            << InputBatch{up(18), up(16)};
        QTest::newRow("double click")
            << Batches{{button(0x2), button(0x4), button(0x2), button(0x4)}} << false
            << InputBatch{};
        QTest::newRow("all three buttons")
            << Batches{{button(0x20)}, {button(0x8)}, {button(0x2)}} << false
            << InputBatch{button(0x4), button(0x10), button(0x40)};
        QTest::newRow("a character and a key of the same code")
            << Batches{{typed(65)}, {down(65)}, {typed(65, true)}} << false << InputBatch{up(65)};
        QTest::newRow("buttons, then characters, then keys")
            << Batches{{down(16)}, {typed(0x4E2D)}, {button(0x2)}} << false
            << InputBatch{button(0x4), typed(0x4E2D, true), up(16)};
        QTest::newRow("refused") << Batches{{down(17)}, {button(0x2)}} << true << InputBatch{};
    }
    void releaseHeld() {
        QFETCH(Batches, sent);
        QFETCH(bool, refused);
        QFETCH(InputBatch, released);
        struct Backend : RecordingInputBackend {
            bool refusing = false;
            bool inject(const InputBatch& b) override {
                return RecordingInputBackend::inject(b) && !refusing;
            }
        } backend;
        backend.refusing = refused;
        for (int pass = 0; pass < 2; ++pass) {  // pressed again after a release, held again
            backend.clear();
            for (const InputBatch& batch : sent) QCOMPARE(backend.send(batch), !refused);
            QVERIFY(backend.send({}));  // nothing to send is no failure, and reaches no platform
            QCOMPARE(backend.batches().size(), sent.size());
            QCOMPARE(backend.hasHeldInput(), !released.isEmpty());
            backend.clear();
            backend.releaseHeld();
            backend.releaseHeld();  // nothing is left for a second call
            // Everything comes up in one batch.
            QCOMPARE(backend.batches(), released.isEmpty() ? Batches() : Batches{released});
            QVERIFY(!backend.hasHeldInput());
        }
    }

    void hotkeyGrabbedAndReleasedOnce() {
        LogCapture log;
        {
            // Only the first chord of a sequence can be grabbed; an empty one not at all.
            GlobalHotkey hotkey(QKeySequence("Ctrl+K, Ctrl+C", QKeySequence::NativeText), false);
            GlobalHotkey never(QKeySequence(Qt::Key_F10), false);
            GlobalHotkey empty(QKeySequence(), true);
            QVERIFY(!empty.setRegistered(true));
            QVERIFY(!hotkey.isRegistered() && m_hotkeys.grabs.isEmpty());
            QVERIFY(hotkey.setRegistered(true) && hotkey.setRegistered(true));
            QCOMPARE(m_hotkeys.grabs, QList<int>{int(Qt::CTRL | Qt::Key_K)});
            QCOMPARE(m_hotkeys.held, QList<GlobalHotkey*>{&hotkey});
            QVERIFY(hotkey.setRegistered(false) && hotkey.setRegistered(false));
            QVERIFY(!hotkey.isRegistered() && m_hotkeys.held.isEmpty());
            QCOMPARE(m_hotkeys.ungrabs, 1);
            QVERIFY(hotkey.setRegistered(true));
        }
        // Destroying a registered hotkey releases its key; an unregistered one has none.
        QCOMPARE(m_hotkeys.ungrabs, 2);
        QVERIFY(m_hotkeys.held.isEmpty());
        // Each refusal of the empty sequence is logged.
        QCOMPARE(log.messages(QtWarningMsg).filter("the key sequence is empty").size(), 2);
    }

    void newShortcutReplacesTheGrab_data() {
        QTest::addColumn<bool>("autoRegister");
        QTest::newRow("registered at once") << true;
        QTest::newRow("registered later") << false;
    }
    void newShortcutReplacesTheGrab() {
        QFETCH(bool, autoRegister);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), true);
        QVERIFY(hotkey.setShortcut(QKeySequence(Qt::CTRL + Qt::Key_F10), autoRegister));
        QCOMPARE(hotkey.shortcut(), QKeySequence(Qt::CTRL + Qt::Key_F10));
        // The old key is never left grabbed behind the new shortcut.
        QCOMPARE(m_hotkeys.ungrabs, 1);
        QCOMPARE(hotkey.isRegistered(), autoRegister);
        QVERIFY(hotkey.setRegistered(true));
        QCOMPARE(m_hotkeys.grabs, (QList<int>{Qt::Key_F9, int(Qt::CTRL | Qt::Key_F10)}));
        QCOMPARE(m_hotkeys.held, QList<GlobalHotkey*>{&hotkey});
    }

    // Every pixel the move operation converts comes back as itself, on any screen size, also
    // through Windows' mapping of SendInput coordinates, (a * size) >> 16; a point past an
    // edge lands on the edge.
    void absoluteCoordinates() {
        // Every size up to 8192, then every 101st, then the last hundred.
        for (int size = 1; size <= 65535; size += size < 8192 || size >= 65535 - 100 ? 1 : 101) {
            const auto onWindows = [size](int pixel) {
                return int((qint64(AbsoluteCoordinates::toWindows(pixel, size)) * size) >> 16);
            };
            const QPoint edges(AbsoluteCoordinates::toPixel(-1000, size),
                               AbsoluteCoordinates::toPixel(65535, size));
            if (edges != QPoint(0, size - 1))
                QFAIL(qPrintable(
                    QString::asprintf("size %d: edges %d, %d", size, edges.x(), edges.y())));
            for (int pixel = 0; pixel < size; ++pixel) {
                const QPoint p(pixel, size - 1 - pixel);
                qint32 dx = 0, dy = 0;
                const bool converted = toAbsolute(p, QSize(size, size), &dx, &dy);
                const QPoint back(AbsoluteCoordinates::toPixel(dx, size),
                                  AbsoluteCoordinates::toPixel(dy, size));
                const QPoint windows(onWindows(back.x()), onWindows(back.y()));
                if (!converted || back != p || windows != p)
                    QFAIL(qPrintable(QString::asprintf(
                        "size %d: (%d,%d) -> (%d,%d), Windows (%d,%d)", size, p.x(), p.y(),
                        back.x(), back.y(), windows.x(), windows.y())));
            }
        }
        QCOMPARE(AbsoluteCoordinates::toPixel(5000, 0), 0);  // no screen
    }
};

QTEST_GUILESS_MAIN(TestPlatformServices)
#include "tst_platformservices.moc"
