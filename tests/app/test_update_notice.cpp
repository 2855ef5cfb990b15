// The update notice parser and the version comparison: what is offered, what is ignored.

#include "update/notice.h"

#include <QTest>

class TestUpdateNotice : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void parse_data();
    void parse();
    void offers_data();
    void offers();
};

void TestUpdateNotice::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("download");

    const QString page = QStringLiteral("http://www.korvella.example/download");
    QTest::newRow("good") << QByteArray("1.2.0\nhttp://www.korvella.example/download\n") << true
                          << "1.2.0" << page;
    QTest::newRow("no final line feed")
        << QByteArray("1.2.0\nhttp://www.korvella.example/download") << true << "1.2.0" << page;
    QTest::newRow("CR LF") << QByteArray("1.2.0\r\nhttp://www.korvella.example/download\r\n")
                           << true << "1.2.0" << page;
    QTest::newRow("blank lines and blanks around")
        << QByteArray("\n  \r\n\t2.0 \n\n  http://www.korvella.example/download  \n\n") << true
        << "2.0" << page;
    QTest::newRow("https, further lines ignored")
        << QByteArray("1.0.1\nhttps://www.korvella.example/d?x=1\nnotes\n") << true << "1.0.1"
        << "https://www.korvella.example/d?x=1";
    QTest::newRow("four parts") << QByteArray("1.2.3.4\nhttp://h.example/\n") << true << "1.2.3.4"
                                << "http://h.example/";
    QTest::newRow("exactly the limit")
        << QByteArray("1.1\nhttp://h.example/" + QByteArray(MaxNoticeBytes - 21, 'a')) << true
        << "1.1"
        << "http://h.example/" + QString(MaxNoticeBytes - 21, QLatin1Char('a'));

    QTest::newRow("empty") << QByteArray() << false << ""
                           << "";
    QTest::newRow("only blanks") << QByteArray(" \r\n\n\t\n") << false << ""
                                 << "";
    QTest::newRow("version only") << QByteArray("1.2.0\n") << false << ""
                                  << "";
    QTest::newRow("address only") << QByteArray("http://h.example/\n") << false << ""
                                  << "";
    QTest::newRow("lines swapped") << QByteArray("http://h.example/\n1.2.0\n") << false << ""
                                   << "";
    QTest::newRow("version with letters")
        << QByteArray("1.2.0b\nhttp://h.example/\n") << false << ""
        << "";
    QTest::newRow("version with v") << QByteArray("v1.2\nhttp://h.example/\n") << false << ""
                                    << "";
    QTest::newRow("negative version") << QByteArray("-1.2\nhttp://h.example/\n") << false << ""
                                      << "";
    QTest::newRow("empty version part") << QByteArray("1..2\nhttp://h.example/\n") << false << ""
                                        << "";
    QTest::newRow("five parts") << QByteArray("1.2.3.4.5\nhttp://h.example/\n") << false << ""
                                << "";
    QTest::newRow("part of ten digits")
        << QByteArray("1.9999999999\nhttp://h.example/\n") << false << ""
        << "";
    QTest::newRow("file address") << QByteArray("2.0\nfile:///etc/passwd\n") << false << ""
                                  << "";
    QTest::newRow("javascript address") << QByteArray("2.0\njavascript:alert(1)\n") << false << ""
                                        << "";
    QTest::newRow("relative address") << QByteArray("2.0\n/download\n") << false << ""
                                      << "";
    QTest::newRow("address without host") << QByteArray("2.0\nhttp://\n") << false << ""
                                          << "";
    QTest::newRow("address with blank") << QByteArray("2.0\nhttp://h.example/a b\n") << false << ""
                                        << "";
    QTest::newRow("one byte over the limit")
        << QByteArray("1.1\nhttp://h.example/" + QByteArray(MaxNoticeBytes - 20, 'a')) << false
        << ""
        << "";
    QTest::newRow("huge") << QByteArray("9.9\nhttp://h.example/\n" + QByteArray(1 << 20, '\n'))
                          << false << ""
                          << "";
    QTest::newRow("NUL inside") << QByteArray("2.0\nhttp://h.example/\0x\n", 24) << false << ""
                                << "";
    QTest::newRow("binary") << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") << false
                            << ""
                            << "";
    QTest::newRow("bad UTF-8") << QByteArray("2.0\nhttp://h.example/\xff\xfe\n") << false << ""
                               << "";
    QTest::newRow("HTML error page") << QByteArray("<html><body>404</body></html>\n") << false << ""
                                     << "";
}

void TestUpdateNotice::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(QString, version);
    QFETCH(QString, download);
    const std::optional<Notice> notice = ParseNotice(bytes);
    QCOMPARE(notice.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(notice->version.toString(), version);
    QCOMPARE(notice->download.toString(), download);
}

void TestUpdateNotice::offers_data() {
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("newer");
    QTest::newRow("newer patch") << "1.0.1"
                                 << "1.0.0" << true;
    QTest::newRow("newer minor") << "1.1"
                                 << "1.0.0" << true;
    QTest::newRow("newer major") << "2.0.0"
                                 << "1.9.9" << true;
    QTest::newRow("ten after nine") << "1.10.0"
                                    << "1.9.0" << true;
    QTest::newRow("fourth part") << "1.0.0.1"
                                 << "1.0.0" << true;
    QTest::newRow("equal") << "1.0.0"
                           << "1.0.0" << false;
    QTest::newRow("equal, shorter") << "1.0"
                                    << "1.0.0" << false;
    QTest::newRow("equal, longer") << "1.0.0.0"
                                   << "1.0.0" << false;
    QTest::newRow("older patch") << "0.9.9"
                                 << "1.0.0" << false;
    QTest::newRow("older, nine before ten") << "1.9.0"
                                            << "1.10.0" << false;
}

void TestUpdateNotice::offers() {
    QFETCH(QString, offered);
    QFETCH(QString, current);
    QFETCH(bool, newer);
    const std::optional<Notice> notice =
        ParseNotice(offered.toLatin1() + "\nhttp://h.example/download\n");
    QVERIFY(notice);
    QCOMPARE(OffersUpdate(*notice, QVersionNumber::fromString(current)), newer);
}

QTEST_APPLESS_MAIN(TestUpdateNotice)
#include "test_update_notice.moc"
