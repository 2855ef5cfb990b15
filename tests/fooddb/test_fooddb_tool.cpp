// The fooddb tool as the build runs it: good lists become databases the mdbtools read back, bad
// ones stop it with a message and no output file.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString err;
};

Run Fooddb(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(FOODDB_TOOL), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

QString Output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

const QByteArray Header = "FoodName,FoodOtherName,FoodHot,FoodQuantity\n";

QByteArray Foods(int n) {
    QByteArray csv = Header;
    for (int i = 1; i <= n; ++i)
        csv += QStringLiteral("食物%1,别名%1,%1,100\n").arg(i).toUtf8();
    return csv;
}

} // namespace

class FooddbToolTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void builds_data();
    void builds();
    void refusesBadInput_data();
    void refusesBadInput();
    void refusesUnreadableInput_data();
    void refusesUnreadableInput();
    void badInputKeepsThePreviousDatabase();

  private:
    QString WriteCsv(const QByteArray& content) {
        const QString path = dir_.filePath(QStringLiteral("foods.csv"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(content) != content.size())
            QTest::qFail("cannot write the CSV fixture", __FILE__, __LINE__);
        return path;
    }

    QTemporaryDir dir_;
};

void FooddbToolTest::builds_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstRows"); // the start of mdb-export's output

    for (int n : {0, 3, 200, 250}) {
        QString first = QStringLiteral("FoodName,FoodOtherName,FoodHot,FoodQuantity\n");
        if (n > 0)
            first += QStringLiteral("\"食物1\",\"别名1\",\"1\",\"100\"\n");
        QTest::addRow("%d foods", n) << Foods(n) << n << first;
    }
    QTest::newRow("quoted fields, BOM, CRLF, empty other name")
        << QByteArray("\xEF\xBB\xBF"
                      "FoodName,FoodOtherName,FoodHot,FoodQuantity\r\n"
                      "\"馒头, 白\",\"\"\"蒸馍\"\"\",223,100\r\n"
                      "一品豆腐,,76,100\r\n"
                      "\r\n"
                      "\"牛奶\",\"\",162.5,250")
        << 3
        << QStringLiteral("FoodName,FoodOtherName,FoodHot,FoodQuantity\n"
                          "\"馒头, 白\",\"\"\"蒸馍\"\"\",\"223\",\"100\"\n"
                          "\"一品豆腐\",,\"76\",\"100\"\n"
                          "\"牛奶\",,\"162.5\",\"250\"\n");
}

void FooddbToolTest::builds() {
    QFETCH(QByteArray, csv);
    QFETCH(int, count);
    QFETCH(QString, firstRows);
    const QString mdb = dir_.filePath(QStringLiteral("out.mdb"));
    QFile::remove(mdb);

    const Run run = Fooddb({QStringLiteral("build"), WriteCsv(csv), mdb});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(Output(QStringLiteral("mdb-count"), {mdb, QStringLiteral("FoodData")}),
             QStringLiteral("%1\n").arg(count));
    const QString exported =
        Output(QStringLiteral("mdb-export"), {mdb, QStringLiteral("FoodData")});
    QVERIFY2(exported.startsWith(firstRows), qPrintable(exported.left(300)));
    QCOMPARE(exported.count(u'\n'), count + 1);
    if (count >= 200)
        QVERIFY(
            exported.endsWith(QStringLiteral("\"食物%1\",\"别名%1\",\"%1\",\"100\"\n").arg(count)));
}

void FooddbToolTest::refusesBadInput_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty file") << QByteArray()
                                << "foods.csv: line 1: the header must be exactly "
                                   "FoodName,FoodOtherName,FoodHot,FoodQuantity";
    QTest::newRow("wrong header") << QByteArray("Name,Other,Hot,Quantity\n苹果,,52,100\n")
                                  << "foods.csv: line 1: the header must be exactly";
    QTest::newRow("header in another order")
        << QByteArray("FoodOtherName,FoodName,FoodHot,FoodQuantity\n")
        << "line 1: the header must be exactly";
    QTest::newRow("too few fields") << Header + "苹果,,52,100\n香蕉,93,100\n"
                                    << "foods.csv: line 3: 3 fields, expected 4";
    QTest::newRow("too many fields") << Header + "苹果,,52,100,1\n"
                                     << "line 2: 5 fields, expected 4";
    QTest::newRow("energy with a unit") << Header + "苹果,,52大卡,100\n"
                                        << "line 2: FoodHot \"52大卡\" is not a plain number";
    QTest::newRow("energy negative") << Header + "苹果,,-52,100\n"
                                     << "line 2: FoodHot \"-52\" is not a plain number";
    QTest::newRow("energy with exponent") << Header + "苹果,,5e1,100\n"
                                          << "line 2: FoodHot \"5e1\" is not a plain number";
    QTest::newRow("energy with comma") << Header + "苹果,,\"5,2\",100\n"
                                       << "line 2: FoodHot \"5,2\" is not a plain number";
    QTest::newRow("energy with trailing zero") << Header + "苹果,,52.0,100\n"
                                               << "line 2: FoodHot \"52.0\"";
    QTest::newRow("energy empty") << Header + "苹果,,,100\n"
                                  << "line 2: FoodHot \"\" is not a plain number";
    QTest::newRow("quantity with spaces") << Header + "苹果,,52, 100\n"
                                          << "line 2: FoodQuantity \" 100\" is not a plain number";
    QTest::newRow("quantity zero") << Header + "苹果,,52,0\n"
                                   << "line 2: FoodQuantity must be greater than 0";
    QTest::newRow("duplicate name") << Header + "苹果,,52,100\n梨,,51,100\n苹果,红富士,49,100\n"
                                    << "line 4: FoodName \"苹果\" already appears on line 2";
    QTest::newRow("empty name") << Header + " ,x,52,100\n"
                                << "line 2: FoodName is empty";
    QTest::newRow("name too long") << Header + QString(256, u'饭').toUtf8() + ",,1,100\n"
                                   << "line 2: FoodName: text longer than 255 characters";
    QTest::newRow("character outside the BMP") << Header + "𠀀饭,,1,100\n"
                                               << "line 2: FoodName: a character outside";
    QTest::newRow("line break inside a name") << Header + "\"苹\n果\",,52,100\n"
                                              << "line 2: FoodName has a control character";
    QTest::newRow("unclosed quote") << Header + "苹果,\"红,52,100\n梨,,51,100\n"
                                    << "line 2: a quoted field is not closed";
    QTest::newRow("quote inside a field") << Header + "苹\"果,,52,100\n"
                                          << "line 2: a quote inside an unquoted field";
    QTest::newRow("text after a quote") << Header + "\"苹果\"x,,52,100\n"
                                        << "line 2: text after the closing quote";
    QTest::newRow("not UTF-8") << Header + "\xC6\xBB\xB9\xFB,,52,100\n"
                               << "foods.csv: not valid UTF-8 text";
}

void FooddbToolTest::refusesBadInput() {
    QFETCH(QByteArray, csv);
    QFETCH(QString, message);
    const QString mdb = dir_.filePath(QStringLiteral("bad.mdb"));
    const Run run = Fooddb({QStringLiteral("build"), WriteCsv(csv), mdb});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("fooddb: ")) && run.err.contains(message),
             qPrintable(run.err));
    QCOMPARE(run.err.count(u'\n'), 1);
    QVERIFY(!QFile::exists(mdb));
    QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("bad.mdb*")}), QStringList());
}

void FooddbToolTest::refusesUnreadableInput_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString mdb = dir_.filePath(QStringLiteral("none.mdb"));
    QTest::newRow("missing CSV")
        << QStringList{"build", dir_.filePath("absent.csv"), mdb} << 1
        << QStringLiteral("fooddb: cannot read %1").arg(dir_.filePath("absent.csv"));
    QTest::newRow("CSV is a folder") << QStringList{"build", dir_.path(), mdb} << 1
                                     << QStringLiteral("fooddb: cannot read %1").arg(dir_.path());
    QTest::newRow("output folder missing")
        << QStringList{"build", WriteCsv(Foods(1)), dir_.filePath("no/none.mdb")} << 1
        << QStringLiteral("fooddb: cannot write %1").arg(dir_.filePath("no/none.mdb"));
    QTest::newRow("no arguments") << QStringList{} << 2
                                  << QStringLiteral(
                                         "fooddb: usage: fooddb build FOODS.csv OUTPUT.mdb");
    QTest::newRow("unknown command")
        << QStringList{"make", WriteCsv(Foods(1)), mdb} << 2 << QStringLiteral("fooddb: usage:");
}

void FooddbToolTest::refusesUnreadableInput() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = Fooddb(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("none.mdb"))));
}

void FooddbToolTest::badInputKeepsThePreviousDatabase() {
    const QString mdb = dir_.filePath(QStringLiteral("kept.mdb"));
    QCOMPARE(Fooddb({QStringLiteral("build"), WriteCsv(Foods(3)), mdb}).exitCode, 0);
    QCOMPARE(Fooddb({QStringLiteral("build"), WriteCsv(Foods(3) + "坏,,x,100\n"), mdb}).exitCode,
             1);
    QCOMPARE(Output(QStringLiteral("mdb-count"), {mdb, QStringLiteral("FoodData")}),
             QStringLiteral("3\n"));
}

QTEST_GUILESS_MAIN(FooddbToolTest)
#include "test_fooddb_tool.moc"
