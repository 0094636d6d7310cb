#include <QKeySequence>
#include <QtTest>

#include "model/KeyNames.h"

// The key text of a keyboard operation to the Windows virtual-key code it sends. Which
// key each code presses is checked on a real display by the desktop input test.
class TestKeyNames : public QObject {
    Q_OBJECT

private slots:
    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        // Stored key texts are usually not upper case, and may have blanks around.
        QTest::newRow("upper case") << "PGDN" << 34;
        QTest::newRow("lower case, blanks around") << "\t pgdn\n" << 34;
        for (const char* none : {"", " ", "Num Lock", "F0", "F25", "F05", "NUM10", "AB", "Ａ"})
            QTest::addRow("no key: '%s'", none) << QString(none) << 0;
        QTest::newRow("null") << QString() << 0;
        // The key editor stores Qt's portable text of the pressed key.
        const int keys[][2] = {{Qt::Key_Escape, 27},
                               {Qt::Key_PageDown, 34},
                               {Qt::Key_Insert, 45},
                               {Qt::Key_Comma, 188},
                               {Qt::Key_F24, 135}};
        for (const auto& [key, code] : keys) {
            const QString text = QKeySequence(key).toString(QKeySequence::PortableText);
            QTest::addRow("Qt's %s", qPrintable(text)) << text << code;
        }
    }
    void lookup() {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(int(KeyNames::virtualKeyForName(name)), code);
    }

    // Recorded keys are named so that the name looks up their own code again.
    void everyCodeHasAName() {
        for (quint16 code : KeyNames::table())
            QCOMPARE(KeyNames::virtualKeyForName(KeyNames::nameForVirtualKey(code)), code);
        QCOMPARE(KeyNames::nameForVirtualKey(0), QString());
        QCOMPARE(KeyNames::nameForVirtualKey(13), QStringLiteral("Return"));
    }
};

QTEST_GUILESS_MAIN(TestKeyNames)
#include "tst_keynames.moc"
