// The update manifest as the splash window reads it, the version scale and the texts built from
// versions.
#include <QTest>

#include "startup/manifest.h"

using vandor::Version;

class CabeceraManifestTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("two lines") << QByteArray("1.6.0\r\nhttp://h/vandor\r\n") << true << 1 << 6 << 0
                                   << QByteArray("http://h/vandor\r\n");
        QTest::newRow("one line") << QByteArray("1.10.0 http://h/v") << true << 1 << 10 << 0 << QByteArray("http://h/v");
        QTest::newRow("no separator") << QByteArray("1.5.8http://h/v") << true << 1 << 5 << 8 << QByteArray("http://h/v");
        QTest::newRow("blanks and line breaks before numbers")
            << QByteArray("\r\n 2.\t3.\n 4\nhttp://h/v") << true << 2 << 3 << 4 << QByteArray("http://h/v");
        QTest::newRow("number stops at a non-digit") << QByteArray("1a.2 b.3rc1 http://h/v") << true << 1 << 2 << 3
                                                     << QByteArray("http://h/v");
        QTest::newRow("third dot ends the revision") << QByteArray("1.5.7.9 http://h/v") << true << 1 << 5 << 7
                                                     << QByteArray("http://h/v");
        QTest::newRow("piece without digits is 0") << QByteArray("x..7 http://h/v") << true << 0 << 0 << 7
                                                   << QByteArray("http://h/v");
        QTest::newRow("address runs to the end") << QByteArray("1.6.0 http://h/a http://h/b\n")
                                                 << true << 1 << 6 << 0 << QByteArray("http://h/a http://h/b\n");
        QTest::newRow("sign") << QByteArray("+2.-1.0 http://h/v") << true << 2 << -1 << 0 << QByteArray("http://h/v");
        QTest::newRow("largest 16-bit") << QByteArray("32767.0.0 http://h/v") << true << 32767 << 0 << 0
                                        << QByteArray("http://h/v");
        QTest::newRow("dots in the address do not count") << QByteArray("2.0 http://h.example/v.exe") << false << 0
                                                          << 0 << 0 << QByteArray();
        QTest::newRow("no dot") << QByteArray("2 http://h/v") << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("no http://") << QByteArray("1.6.0\r\nftp://h/v") << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("upper case scheme is not it") << QByteArray("1.6.0 HTTP://h/v") << false << 0 << 0 << 0
                                                     << QByteArray();
        QTest::newRow("empty") << QByteArray() << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("too large") << QByteArray("1.32768.0 http://h/v") << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("too small") << QByteArray("1.5.-32769 http://h/v") << false << 0 << 0 << 0 << QByteArray();
        QTest::newRow("endless digits") << QByteArray("1.5." + QByteArray(5000, '9') + " http://h/v") << false << 0
                                        << 0 << 0 << QByteArray();
    }
    void parse() {
        QFETCH(QByteArray, body);
        QFETCH(bool, accepted);
        const auto m = vandor::parseManifest(std::string_view(body.constData(), body.size()));
        QCOMPARE(m.has_value(), accepted);
        if (!m) return;
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QByteArray, address);
        QCOMPARE(m->version.major, major);
        QCOMPARE(m->version.minor, minor);
        QCOMPARE(m->version.revision, revision);
        QCOMPARE(QByteArray::fromStdString(m->address), address);
    }

    void versionScale() {
        QCOMPARE(vandor::versionNumber({1, 5, 7}), qint64(1005007));
        QCOMPARE(vandor::versionNumber({1, 10, 0}), qint64(1010000));
        QVERIFY(vandor::versionNumber({1, 10, 0}) > vandor::versionNumber({1, 5, 7}));
        QVERIFY(vandor::versionNumber({1, 4, 999}) < vandor::versionNumber({1, 5, 0}));
        // The largest numbers a manifest may carry stay exact.
        QCOMPARE(vandor::versionNumber({32767, 32767, 32767}), qint64(32799799767));
    }

    void ownVersionAndTexts() {
        const Version own = vandor::ownVersion();
        QCOMPARE(QString::fromStdString(vandor::versionText(own)), QStringLiteral("vers. 1.5.7"));
        QCOMPARE(vandor::versionNumber(own), qint64(1005007));
        QCOMPARE(QString::fromStdString(vandor::updateQuestion(own, {1, 10, 0})),
                 QStringLiteral("Hay actualizaciones disponibles\r\n(Versión actual: 1.5.7 - Versión nueva: "
                                "1.10.0)\r\n¿Desea descargarla ahora?"));
    }
};

QTEST_GUILESS_MAIN(CabeceraManifestTest)
#include "cabecera_manifest_test.moc"
