// Character records carry UTF-16 code units; pairs must become one character.
#include <QtTest>

#include "SurrogateJoiner.h"

namespace {
// "d" or "u" then the code unit in hex, e.g. "d:d83d"; the output lists the
// characters sent, "D:1f600" for down and "U:1f600" for up.
QStringList run(const QStringList& records, int* dropped) {
    SurrogateJoiner joiner;
    QStringList sent;
    *dropped = 0;
    for (const QString& r : records) {
        const bool up = r.startsWith(QLatin1Char('u'));
        const SurrogateJoiner::Event e = joiner.feed(quint16(r.mid(2).toUInt(nullptr, 16)), up);
        if (e.dropped) ++*dropped;
        if (e.character)
            sent << QStringLiteral("%1:%2").arg(up ? 'U' : 'D').arg(uint(e.character), 0, 16);
    }
    return sent;
}
}  // namespace

class TestSurrogateJoiner : public QObject {
    Q_OBJECT

private slots:
    void joins_data() {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("dropped");
        QTest::newRow("plain character")
            << QStringList{"d:41", "u:41"} << QStringList{"D:41", "U:41"} << 0;
        QTest::newRow("pair as the text operation sends it")
            << QStringList{"d:d83d", "u:d83d", "d:de00", "u:de00"}
            << QStringList{"D:1f600", "U:1f600"} << 0;
        QTest::newRow("pair with both halves down first")
            << QStringList{"d:d83d", "d:de00", "u:de00", "u:d83d"}
            << QStringList{"D:1f600", "U:1f600"} << 0;
        QTest::newRow("two pairs in a row")
            << QStringList{"d:d840", "u:d840", "d:dc00", "u:dc00",
                           "d:d83c", "u:d83c", "d:df89", "u:df89"}
            << QStringList{"D:20000", "U:20000", "D:1f389", "U:1f389"} << 0;
        QTest::newRow("lone high half before a plain character")
            << QStringList{"d:d83d", "u:d83d", "d:62", "u:62"} << QStringList{"D:62", "U:62"} << 1;
        QTest::newRow("lone low half")
            << QStringList{"d:de00", "u:de00", "d:63", "u:63"} << QStringList{"D:63", "U:63"} << 2;
        QTest::newRow("high half replaced by another high half")
            << QStringList{"d:d83d", "d:d83c", "d:df89", "u:df89"}
            << QStringList{"D:1f389", "U:1f389"} << 1;
        QTest::newRow("up without down of a pair") << QStringList{"u:de00"} << QStringList{} << 1;
        QTest::newRow("plain characters around a pair")
            << QStringList{"d:61", "u:61", "d:d83d", "u:d83d", "d:de00", "u:de00", "d:62", "u:62"}
            << QStringList{"D:61", "U:61", "D:1f600", "U:1f600", "D:62", "U:62"} << 0;
    }

    void joins() {
        QFETCH(QStringList, records);
        QFETCH(QStringList, sent);
        QFETCH(int, dropped);
        int actuallyDropped = 0;
        QCOMPARE(run(records, &actuallyDropped), sent);
        QCOMPARE(actuallyDropped, dropped);
    }
};

QTEST_GUILESS_MAIN(TestSurrogateJoiner)
#include "tst_surrogatejoiner.moc"
