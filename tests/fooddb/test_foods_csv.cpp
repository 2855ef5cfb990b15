// The shipped food list: exactly 200 unique foods the tool accepts, each with its source, and
// energies that follow the China Food Composition Tables transcription when it is at hand; and
// the nutrient table beside it, whose figures must fit the energies of their foods.

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
    void nutrientsFitTheirFoods();

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

void FoodsCsvTest::nutrientsFitTheirFoods() {
    QHash<QString, double> kcalPer100g;
    for (const jet4::Row& row : foods_.rows)
        kcalPer100g.insert(Text(row[0]), Text(row[2]).toDouble() * 100 / Text(row[3]).toDouble());

    const QList<QByteArray> lines =
        ReadAll(KORVELLA_SOURCE_DIR "/data/food-nutrients.csv").split('\n');
    QCOMPARE(lines.value(0), QByteArray("FoodName,Protein,Fat,Carbohydrate,Source,Record,Note"));
    QSet<QString> seen;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        // Only the note, the last field, may be quoted and hold commas.
        const QStringList f = QString::fromUtf8(lines[i]).split(u',');
        QVERIFY2(f.size() >= 7, lines[i].constData());
        const QString& name = f[0];
        QVERIFY2(kcalPer100g.contains(name), qPrintable(name + QStringLiteral(" is not shipped")));
        QVERIFY2(!seen.contains(name), qPrintable(name + QStringLiteral(" is listed twice")));
        seen.insert(name);
        QVERIFY2(f[4] == u"USDA SR28" || f[4] == u"TW FDA", qPrintable(name));
        QVERIFY2(!f[5].isEmpty(), qPrintable(name));

        double grams[3];
        for (int j = 0; j < 3; ++j) {
            bool ok = false;
            grams[j] = f[1 + j].toDouble(&ok);
            QVERIFY2(ok && grams[j] >= 0 && grams[j] <= 100, qPrintable(name));
        }
        const auto [protein, fat, carbohydrate] = grams;
        QVERIFY2(protein + fat + carbohydrate <= 100, qPrintable(name));
        const double kcal = kcalPer100g.value(name);
        const double fromFigures = 4 * protein + 4 * carbohydrate + 9 * fat;
        QVERIFY2(std::abs(fromFigures - kcal) <= 0.25 * kcal,
                 qPrintable(QStringLiteral("%1: %2 kcal from its figures, %3 kcal per 100 g")
                                .arg(name)
                                .arg(fromFigures)
                                .arg(kcal)));
    }
    QVERIFY(!seen.isEmpty());
}

QTEST_GUILESS_MAIN(FoodsCsvTest)
#include "test_foods_csv.moc"
