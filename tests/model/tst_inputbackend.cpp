#include <QtTest>

#include "RecordingInputBackend.h"

namespace {
// Refuses every batch, as the platform does when injection is blocked.
class RefusingBackend : public RecordingInputBackend {
protected:
    bool inject(const InputBatch& batch) override { return !RecordingInputBackend::inject(batch); }
};

InputRecord down(quint16 vk) {
    return InputRecord::key(vk, false);
}
InputRecord up(quint16 vk) {
    return InputRecord::key(vk, true);
}
InputRecord typed(quint16 unit, bool release = false) {
    return InputRecord::character(unit, release);
}
InputRecord button(quint32 flags) {
    return InputRecord::mouse(flags);
}
}  // namespace

using Batches = QVector<InputBatch>;
Q_DECLARE_METATYPE(InputRecord)

// What the backend remembers as held down, and what releaseHeld sends so that a
// stopped run never leaves a key or a button stuck.
class TestInputBackend : public QObject {
    Q_OBJECT

private slots:
    void releaseHeld_data() {
        QTest::addColumn<Batches>("sent");
        QTest::addColumn<InputBatch>("released");
        QTest::newRow("nothing sent") << Batches{} << InputBatch{};
        QTest::newRow("modifier then key: the key comes up first")
            << Batches{{down(17)}, {down(65)}} << InputBatch{up(65), up(17)};
        QTest::newRow("pressed and released") << Batches{{down(17)}, {up(17)}} << InputBatch{};
        QTest::newRow("pressed twice, released once")
            << Batches{{down(16)}, {down(16)}} << InputBatch{up(16)};
        QTest::newRow("released out of order")
            << Batches{{down(16)}, {down(17)}, {down(18)}, {up(17)}} << InputBatch{up(18), up(16)};
        QTest::newRow("double click")
            << Batches{{button(0x2), button(0x4), button(0x2), button(0x4)}} << InputBatch{};
        QTest::newRow("down and up in one record") << Batches{{button(0x8 | 0x10)}} << InputBatch{};
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
        for (const InputBatch& batch : sent) QVERIFY(backend.send(batch));
        QCOMPARE(backend.hasHeldInput(), !released.isEmpty());
        backend.clear();
        backend.releaseHeld();
        backend.releaseHeld();  // nothing is left for a second call
        // Everything comes up in one batch.
        QCOMPARE(backend.batches(), released.isEmpty() ? Batches() : Batches{released});
        QVERIFY(!backend.hasHeldInput());
        // Pressed again after the release, the same input is held again.
        for (const InputBatch& batch : sent) QVERIFY(backend.send(batch));
        QCOMPARE(backend.hasHeldInput(), !released.isEmpty());
    }

    void refusedAndEmptyBatchesAreNotTracked() {
        RefusingBackend refusing;
        QVERIFY(!refusing.send({down(17)}));
        QVERIFY(!refusing.send({button(0x2)}));
        QVERIFY(!refusing.hasHeldInput());
        refusing.clear();
        refusing.releaseHeld();
        QVERIFY(refusing.batches().isEmpty());
        // Nothing to send is not a failure, and reaches no platform.
        RecordingInputBackend backend;
        QVERIFY(backend.send({}));
        QVERIFY(backend.batches().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInputBackend)
#include "tst_inputbackend.moc"
