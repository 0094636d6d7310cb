// Character records carry UTF-16 code units; pairs must become one character.
#include <QtTest>

#include "SurrogateJoiner.h"

class TestSurrogateJoiner : public QObject {
    Q_OBJECT

private slots:
    // Code units in hexadecimal, "+" down and "-" up; what is sent, the same way.
    void joins_data() {
        QTest::addColumn<QString>("records");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<int>("dropped");
        QTest::newRow("plain character") << "41+ 41-"
                                         << "41+ 41-" << 0;
        QTest::newRow("pair as the text operation sends it") << "d83d+ d83d- de00+ de00-"
                                                             << "1f600+ 1f600-" << 0;
        QTest::newRow("pair with both halves down first") << "d83d+ de00+ de00- d83d-"
                                                          << "1f600+ 1f600-" << 0;
        QTest::newRow("two pairs in a row") << "d840+ d840- dc00+ dc00- d83c+ d83c- df89+ df89-"
                                            << "20000+ 20000- 1f389+ 1f389-" << 0;
        QTest::newRow("plain characters around a pair") << "61+ 61- d83d+ d83d- de00+ de00- 62+ 62-"
                                                        << "61+ 61- 1f600+ 1f600- 62+ 62-" << 0;
        QTest::newRow("lone high half before a plain character") << "d83d+ d83d- 62+ 62-"
                                                                 << "62+ 62-" << 1;
        QTest::newRow("lone low half") << "de00+ de00- 63+ 63-"
                                       << "63+ 63-" << 2;
        QTest::newRow("high half replaced by another high half") << "d83d+ d83c+ df89+ df89-"
                                                                 << "1f389+ 1f389-" << 1;
        QTest::newRow("up without down of a pair") << "de00-"
                                                   << "" << 1;
    }
    void joins() {
        QFETCH(QString, records);
        QFETCH(QString, sent);
        QFETCH(int, dropped);
        SurrogateJoiner joiner;
        QStringList got;
        int gotDropped = 0;
        for (const QString& r : records.split(' ', Qt::SkipEmptyParts)) {
            const bool up = r.endsWith('-');
            const auto e = joiner.feed(quint16(r.chopped(1).toUInt(nullptr, 16)), up);
            gotDropped += e.dropped ? 1 : 0;
            if (e.character) got << QString::number(uint(e.character), 16) + r.back();
        }
        QCOMPARE(got.join(' '), sent);
        QCOMPARE(gotDropped, dropped);
    }
};

QTEST_GUILESS_MAIN(TestSurrogateJoiner)
#include "tst_surrogatejoiner.moc"
