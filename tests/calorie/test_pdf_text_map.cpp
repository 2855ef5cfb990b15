// The text map of an exported PDF named after the characters drawn, not the radicals or control
// characters that share their glyphs.

#include "calorie/pdf_text_map.h"

#include <QTest>

using Names = QHash<QByteArray, QByteArray>;
Q_DECLARE_METATYPE(Names)

class TestPdfTextMap : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void rename_data();
    void rename();
};

void TestPdfTextMap::rename_data() {
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QByteArray>("renamed");
    const Names sun{{"2F47", "65E5"}, {"0009", "0020"}};
    QTest::addColumn<Names>("names");
    const QByteArray begin = "1 beginbfrange\n";
    const QByteArray end = "endbfrange\n";
    QTest::newRow("one glyph") << begin + "<0003> <0003> <2F47>\n" + end
                               << begin + "<0003> <0003> <65E5>\n" + end << sun;
    QTest::newRow("a list of glyphs")
        << begin + "<0004> <0006> [<2F47> <0009> <0041>]\n" + end
        << begin + "<0004> <0006> [<65E5> <0020> <0041>]\n" + end << sun;
    QTest::newRow("lower-case digits")
        << begin + "<0003> <0003> <2f47>\n" + end << begin + "<0003> <0003> <65E5>\n" + end << sun;
    // A range's name counts up through its glyphs: renaming its first would rename them all.
    QTest::newRow("a counted range stays")
        << begin + "<0004> <0006> <2F47>\n" + end << begin + "<0004> <0006> <2F47>\n" + end << sun;
    QTest::newRow("outside the text map") << QByteArray("<2F47> Tj\n") + begin + end
                                          << QByteArray("<2F47> Tj\n") + begin + end << sun;
    QTest::newRow("two maps") << begin + "<0003> <0003> <2F47>\n" + end + begin +
                                     "<0001> <0001> <0009>\n" + end
                              << begin + "<0003> <0003> <65E5>\n" + end + begin +
                                     "<0001> <0001> <0020>\n" + end
                              << sun;
    QTest::newRow("nothing to rename") << begin + "<0003> <0003> <2F47>\n" + end
                                       << begin + "<0003> <0003> <2F47>\n" + end << Names();
}

void TestPdfTextMap::rename() {
    QFETCH(QByteArray, map);
    QFETCH(QByteArray, renamed);
    QFETCH(Names, names);
    RenameGlyphs(map, names);
    QCOMPARE(map, renamed);
}

QTEST_APPLESS_MAIN(TestPdfTextMap)
#include "test_pdf_text_map.moc"
