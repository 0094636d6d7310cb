#include <QtTest>

#include "support/RecordingInputBackend.h"

namespace {
const auto down = [](quint16 vk) { return InputRecord::key(vk, false); };
const auto up = [](quint16 vk) { return InputRecord::key(vk, true); };
const auto typed = [](quint16 unit, bool release = false) {
    return InputRecord::character(unit, release);
};
const auto button = [](quint32 flags) { return InputRecord::mouse(flags); };
}  // namespace

using Batches = QVector<InputBatch>;
Q_DECLARE_METATYPE(InputRecord)

// What the backend holds down, and what releaseHeld sends so no key or button stays stuck.
class TestInputBackend : public QObject {
    Q_OBJECT

private slots:
    void releaseHeld_data() {
        QTest::addColumn<Batches>("sent");
        QTest::addColumn<InputBatch>("released");
        QTest::newRow("nothing sent") << Batches{} << InputBatch{};
        QTest::newRow("modifier then key: the key comes up first")
            << Batches{{down(17)}, {down(65)}} << InputBatch{up(65), up(17)};
        QTest::newRow("pressed twice, released once")
            << Batches{{down(16)}, {down(16)}} << InputBatch{up(16)};
        QTest::newRow("released out of order")
            << Batches{{down(16)}, {down(17)}, {down(18)}, {up(17)}} << InputBatch{up(18), up(16)};
        QTest::newRow("double click")
            << Batches{{button(0x2), button(0x4), button(0x2), button(0x4)}} << InputBatch{};
        QTest::newRow("all three buttons") << Batches{{button(0x20)}, {button(0x8)}, {button(0x2)}}
                                           << InputBatch{button(0x4), button(0x10), button(0x40)};
        QTest::newRow("a character and a key of the same code")
            << Batches{{typed(65)}, {down(65)}, {typed(65, true)}} << InputBatch{up(65)};
        QTest::newRow("buttons, then characters, then keys")
            << Batches{{down(16)}, {typed(0x4E2D)}, {button(0x2)}}
            << InputBatch{button(0x4), typed(0x4E2D, true), up(16)};
    }
    void releaseHeld() {
        QFETCH(Batches, sent);
        QFETCH(InputBatch, released);
        RecordingInputBackend backend;
        for (int pass = 0; pass < 2; ++pass) {  // pressed again after a release, held again
            backend.clear();
            for (const InputBatch& batch : sent) QVERIFY(backend.send(batch));
            QCOMPARE(backend.hasHeldInput(), !released.isEmpty());
            backend.clear();
            backend.releaseHeld();
            backend.releaseHeld();  // nothing is left for a second call
            // Everything comes up in one batch.
            QCOMPARE(backend.batches(), released.isEmpty() ? Batches() : Batches{released});
            QVERIFY(!backend.hasHeldInput());
        }
    }

    void refusedAndEmptyBatchesAreNotHeld() {
        struct Refusing : RecordingInputBackend {
            bool inject(const InputBatch& b) override { return !RecordingInputBackend::inject(b); }
        } backend;
        QVERIFY(!backend.send({down(17)}) && !backend.send({button(0x2)}));
        QVERIFY(!backend.hasHeldInput());
        QVERIFY(backend.send({}));  // nothing to send is no failure, and reaches no platform
        QCOMPARE(backend.batches().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestInputBackend)
#include "tst_inputbackend.moc"
