// The shipped food list: exactly 200 unique foods the tool accepts, each with its source, and
// energies that follow the China Food Composition Tables transcription when it is at hand.

#include "fooddb/food_csv.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTest>

#include <cmath>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Text(const jet4::Value& v) {
    const auto* s = std::get_if<QString>(&v);
    return s != nullptr ? *s : QString();
}

// FoodName -> reference code, from data/food-sources.csv.
QHash<QString, QString> Sources() {
    QHash<QString, QString> sources;
    const QList<QByteArray> lines =
        ReadAll(KORVELLA_SOURCE_DIR "/data/food-sources.csv").split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].trimmed().split(',');
        if (f.size() == 2)
            sources.insert(QString::fromUtf8(f[0]), QString::fromUtf8(f[1]));
    }
    return sources;
}

} // namespace

class FoodsCsvTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void shipsExactly200UniqueFoods();
    void everyFoodHasOneSource();
    void energiesFollowTheReference();

  private:
    jet4::Table foods_;
};

void FoodsCsvTest::initTestCase() {
    QString error;
    const auto table = ReadFoodsCsv(ReadAll(KORVELLA_SOURCE_DIR "/data/foods.csv"), &error);
    QVERIFY2(table.has_value(), qPrintable(error));
    foods_ = *table;
}

void FoodsCsvTest::shipsExactly200UniqueFoods() {
    QCOMPARE(foods_.rows.size(), size_t(200));
    QSet<QString> names;
    for (const jet4::Row& row : foods_.rows)
        names.insert(Text(row[0]));
    QCOMPARE(names.size(), 200);
    // An other name that is another food's name would make the list ambiguous.
    for (const jet4::Row& row : foods_.rows)
        QVERIFY2(!names.contains(Text(row[1])), qPrintable(Text(row[1])));
}

void FoodsCsvTest::everyFoodHasOneSource() {
    const QHash<QString, QString> sources = Sources();
    QCOMPARE(sources.size(), 200);
    for (const jet4::Row& row : foods_.rows)
        QVERIFY2(sources.contains(Text(row[0])), qPrintable(Text(row[0])));
}

void FoodsCsvTest::energiesFollowTheReference() {
    QFile tsv(QStringLiteral(KORVELLA_SOURCE_DIR "/../shared/data/food-energy-reference.tsv"));
    if (!tsv.open(QIODevice::ReadOnly))
        QSKIP("the reference transcription is not beside the repository");
    struct Reference {
        double kcal;
        bool consistent;
    };
    QHash<QString, Reference> reference;
    while (!tsv.atEnd()) {
        const QList<QByteArray> f = tsv.readLine().trimmed().split('\t');
        if (f.size() == 7)
            reference.insert(QString::fromUtf8(f[0]), {f[3].toDouble(), f[6] == "ok"});
    }
    QVERIFY(reference.size() > 1000);

    const QHash<QString, QString> sources = Sources();
    for (const jet4::Row& row : foods_.rows) {
        const QString name = Text(row[0]);
        const QString code = sources.value(name);
        QVERIFY2(reference.contains(code), qPrintable(name + u' ' + code));
        const Reference ref = reference.value(code);
        QVERIFY2(ref.consistent,
                 qPrintable(name + QStringLiteral(": its reference row is flagged")));
        const double per100g = Text(row[2]).toDouble() * 100 / Text(row[3]).toDouble();
        QVERIFY2(std::abs(per100g - ref.kcal) <= 0.02 * ref.kcal,
                 qPrintable(QStringLiteral("%1: %2 kcal per 100 g, reference %3")
                                .arg(name)
                                .arg(per100g)
                                .arg(ref.kcal)));
    }
}

QTEST_GUILESS_MAIN(FoodsCsvTest)
#include "test_foods_csv.moc"
