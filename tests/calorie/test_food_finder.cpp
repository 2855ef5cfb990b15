// Finding a food by pinyin, initials, name or alias, over the foods the program ships with.

#include "calorie/core/food_finder.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace food_finder;

class TestFoodFinder : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void readings_data();
    void readings();
    void everyShippedFoodIsFoundByItsPinyin();
    void finds_data();
    void finds();

  private:
    QStringList Found(const QString& typed) const;

    QList<QStringList> m_foods; // name, alias
};

void TestFoodFinder::initTestCase() {
    QFile csv(QStringLiteral(KORVELLA_SOURCE_DIR "/data/foods.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(1))
        m_foods.append(line.trimmed().split(u',').mid(0, 2));
    QCOMPARE(m_foods.size(), 200);
}

QStringList TestFoodFinder::Found(const QString& typed) const {
    QStringList names;
    for (const QStringList& food : m_foods) {
        if (FoodKeys(food[0], food[1]).Matches(Normalized(typed)))
            names.append(food[0]);
    }
    return names;
}

// The words ICU reads in their other sense, and the forms around them.
void TestFoodFinder::readings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pinyin");
    QTest::newRow("番茄, not jia") << "樱桃番茄"
                                   << "ying tao fan qie";
    QTest::newRow("茄子") << "茄子"
                          << "qie zi";
    QTest::newRow("蛤蜊, not ha") << "蛤蜊"
                                  << "ge li";
    QTest::newRow("花蛤") << "花蛤"
                          << "hua ge";
    QTest::newRow("扇贝, read right") << "扇贝"
                                      << "shan bei";
    QTest::newRow("海参, not can") << "海参"
                                   << "hai shen";
    QTest::newRow("肉脯, not pu") << "猪肉脯"
                                  << "zhu rou fu";
    QTest::newRow("胸脯 stays pu") << "鸡胸脯肉"
                                   << "ji xiong pu rou";
    QTest::newRow("血豆腐, not xue") << "血豆腐"
                                     << "xie dou fu";
    QTest::newRow("ü is v") << "绿豆"
                            << "lv dou";
    QTest::newRow("letters, digits, punctuation") << "AD钙奶（2号）"
                                                  << "a d gai nai 2 hao";
}

void TestFoodFinder::readings() {
    QFETCH(QString, text);
    QFETCH(QString, pinyin);
    QCOMPARE(Pinyin(text).join(u' '), pinyin);
}

// Every character of every name and alias has a reading, and each food is found by its name,
// its pinyin and its initials.
void TestFoodFinder::everyShippedFoodIsFoundByItsPinyin() {
    for (const QStringList& food : m_foods) {
        for (const QString& text : food) {
            const QStringList syllables = Pinyin(text);
            QCOMPARE(syllables.size(), text.size());
            QString initials;
            for (const QString& syllable : syllables) {
                QVERIFY2(QRegularExpression("^[a-z]+$").match(syllable).hasMatch(),
                         qPrintable(text));
                initials += syllable.front();
            }
            for (const QString& typed : {text, syllables.join(QString()), initials})
                QVERIFY2(Found(typed).contains(food[0]), qPrintable(typed));
        }
    }
}

void TestFoodFinder::finds_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("first"); // the first food found in table order, or none
    QTest::newRow("initials of the alias") << "xhs"
                                           << "番茄";
    QTest::newRow("pinyin, blanks and case") << " Fan Qie"
                                             << "番茄";
    QTest::newRow("part of the alias") << "西红"
                                       << "番茄";
    QTest::newRow("initials") << "ld"
                              << "绿豆";
    QTest::newRow("v for ü") << "lvdou"
                             << "绿豆";
    QTest::newRow("u for ü") << "ludou"
                             << "绿豆";
    QTest::newRow("polyphone") << "geli"
                               << "蛤蜊";
    QTest::newRow("Chinese alias") << "吞拿"
                                   << "金枪鱼";
    QTest::newRow("full-width letters") << "ＨＡＩＳＨＥＮ"
                                        << "海参";
    QTest::newRow("punctuation") << "，。!%"
                                 << "";
    QTest::newRow("emoji") << "🍅"
                           << "";
    QTest::newRow("another script") << "яблоко"
                                    << "";
    QTest::newRow("lone surrogate") << QString(QChar(0xD83C)) << "";
    QTest::newRow("10000 characters") << QString(10000, u'番') << "";
}

void TestFoodFinder::finds() {
    QFETCH(QString, typed);
    QFETCH(QString, first);
    QCOMPARE(Found(typed).value(0), first);
}

QTEST_GUILESS_MAIN(TestFoodFinder)
#include "test_food_finder.moc"
