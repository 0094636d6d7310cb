#include <QtTest>

#include "InputBackend.h"
#include "RecordingInputBackend.h"

namespace {

// Refuses every batch, as the platform does when injection is blocked.
class RefusingBackend : public RecordingInputBackend {
protected:
    bool inject(const InputBatch& batch) override {
        RecordingInputBackend::inject(batch);
        return false;
    }
};

QString describe(const InputRecord& r) {
    if (r.type == InputRecord::Keyboard && r.isCharacter())
        return QStringLiteral("char %1 %2").arg(r.scan).arg(r.isKeyUp() ? "up" : "down");
    if (r.type == InputRecord::Keyboard)
        return QStringLiteral("vk %1 %2").arg(r.virtualKey).arg(r.isKeyUp() ? "up" : "down");
    return QStringLiteral("mouse 0x%1").arg(r.flags, 0, 16);
}

QStringList describe(const InputBatch& batch) {
    QStringList out;
    for (const InputRecord& r : batch) out << describe(r);
    return out;
}

InputRecord down(quint16 vk) {
    return InputRecord::key(vk, false);
}
InputRecord up(quint16 vk) {
    return InputRecord::key(vk, true);
}
InputRecord typed(quint16 unit, bool release) {
    return InputRecord::character(unit, release);
}
InputRecord button(quint32 flags) {
    return InputRecord::mouse(flags);
}

}  // namespace

using Batches = QVector<InputBatch>;
Q_DECLARE_METATYPE(Batches)

// What the backend remembers as held down, and what releaseHeld sends so that a
// stopped run never leaves a key or button stuck.
class TestInputBackend : public QObject {
    Q_OBJECT

private slots:
    void releaseHeld_data();
    void releaseHeld();
    void refusedBatchesAreNotTracked();
    void emptyBatchIsNotSent();
    void releaseHeldTwiceSendsOnce();
};

void TestInputBackend::releaseHeld_data() {
    QTest::addColumn<Batches>("sent");
    QTest::addColumn<QStringList>("released");
    QTest::newRow("nothing sent") << Batches{} << QStringList{};
    QTest::newRow("modifier then key: key comes up first")
        << Batches{{down(17)}, {down(65)}} << QStringList{"vk 65 up", "vk 17 up"};
    QTest::newRow("pressed and released") << Batches{{down(17)}, {up(17)}} << QStringList{};
    QTest::newRow("pressed twice is released once")
        << Batches{{down(16)}, {down(16)}} << QStringList{"vk 16 up"};
    QTest::newRow("released out of order") << Batches{{down(16)}, {down(17)}, {down(18)}, {up(17)}}
                                           << QStringList{"vk 18 up", "vk 16 up"};
    QTest::newRow("release of a key never pressed")
        << Batches{{up(9)}, {down(10)}} << QStringList{"vk 10 up"};
    QTest::newRow("left button held") << Batches{{button(0x0002)}} << QStringList{"mouse 0x4"};
    QTest::newRow("double click leaves nothing")
        << Batches{{button(0x0002), button(0x0004), button(0x0002), button(0x0004)}}
        << QStringList{};
    QTest::newRow("down and up in one record")
        << Batches{{button(0x0008 | 0x0010)}} << QStringList{};
    QTest::newRow("all three buttons")
        << Batches{{button(0x0020)}, {button(0x0008)}, {button(0x0002)}}
        << QStringList{"mouse 0x4", "mouse 0x10", "mouse 0x40"};
    QTest::newRow("empty click records and moves")
        << Batches{{button(0), button(0x8001)}} << QStringList{};
    QTest::newRow("typed character without its release")
        << Batches{{typed('a', false)}} << QStringList{"char 97 up"};
    QTest::newRow("typed text leaves nothing")
        << Batches{{typed('a', false), typed('a', true)},
                   {typed(0xD83D, false), typed(0xD83D, true)}}
        << QStringList{};
    QTest::newRow("a character and a key with the same code are different")
        << Batches{{typed(65, false)}, {down(65)}, {typed(65, true)}} << QStringList{"vk 65 up"};
    QTest::newRow("buttons, then characters, then keys")
        << Batches{{down(16)}, {typed(0x4E2D, false)}, {button(0x0002)}}
        << QStringList{"mouse 0x4", "char 20013 up", "vk 16 up"};
}

void TestInputBackend::releaseHeld() {
    QFETCH(Batches, sent);
    QFETCH(QStringList, released);
    RecordingInputBackend backend;
    for (const InputBatch& batch : sent) QVERIFY(backend.send(batch));
    QCOMPARE(backend.hasHeldInput(), !released.isEmpty());
    backend.clear();
    backend.releaseHeld();
    const QVector<InputBatch> batches = backend.batches();
    if (released.isEmpty()) {
        QVERIFY(batches.isEmpty());
    } else {
        // Everything comes up in one batch.
        QCOMPARE(batches.size(), 1);
        QCOMPARE(describe(batches[0]), released);
    }
    QVERIFY(!backend.hasHeldInput());
}

void TestInputBackend::refusedBatchesAreNotTracked() {
    RefusingBackend backend;
    QVERIFY(!backend.send({down(17)}));
    QVERIFY(!backend.send({button(0x0002)}));
    QVERIFY(!backend.hasHeldInput());
    backend.clear();
    backend.releaseHeld();
    QVERIFY(backend.batches().isEmpty());
}

void TestInputBackend::emptyBatchIsNotSent() {
    RecordingInputBackend backend;
    QVERIFY(backend.send({}));
    QVERIFY(backend.batches().isEmpty());
}

void TestInputBackend::releaseHeldTwiceSendsOnce() {
    RecordingInputBackend backend;
    QVERIFY(backend.send({down(91), down(76)}));
    backend.releaseHeld();
    backend.releaseHeld();
    QCOMPARE(backend.batches().size(), 2);  // the press and one release
    QCOMPARE(describe(backend.batches()[1]), (QStringList{"vk 76 up", "vk 91 up"}));
    // Pressed again after a release, the key is tracked again.
    QVERIFY(backend.send({down(91)}));
    QVERIFY(backend.hasHeldInput());
}

QTEST_GUILESS_MAIN(TestInputBackend)
#include "tst_inputbackend.moc"
