// Finding a food by pinyin, initials, name or alias, over the foods the program ships with.

#include "calorie/core/food_finder.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace food_finder;

namespace {

// The shipped foods, in the list's order: name and alias, each with its reading.
const char ShippedReadings[] = R"(
米饭 mi fan, 大米饭 da mi fan
大米粥 da mi zhou, 白粥 bai zhou
小米粥 xiao mi zhou
红豆粥 hong dou zhou, 小豆粥 xiao dou zhou
大米 da mi, 稻米 dao mi
糙米 cao mi
黑米 hei mi
糯米 nuo mi, 江米 jiang mi
小米 xiao mi, 粟米 su mi
面粉 mian fen, 小麦粉 xiao mai fen
挂面 gua mian
鲜面条 xian mian tiao, 切面 qie mian
通心粉 tong xin fen, 通心面 tong xin mian
米粉 mi fen, 米线 mi xian
鲜玉米 xian yu mi, 玉米棒 yu mi bang
玉米面 yu mi mian, 棒子面 bang zi mian
薏米 yi mi, 薏仁 yi ren
荞麦面 qiao mai mian
土豆 tu dou, 马铃薯 ma ling shu
红薯 hong shu, 山芋 shan yu
芋头 yu tou, 芋艿 yu nai
山药 shan yao, 淮山 huai shan
粉丝 fen si
粉条 fen tiao, 红薯粉条 hong shu fen tiao
绿豆 lv dou
红豆 hong dou, 赤小豆 chi xiao dou
大白菜 da bai cai, 白菜 bai cai
小白菜 xiao bai cai, 青菜 qing cai
油菜 you cai, 上海青 shang hai qing
卷心菜 juan xin cai, 圆白菜 yuan bai cai
菜花 cai hua, 花椰菜 hua ye cai
西兰花 xi lan hua, 绿菜花 lv cai hua
菠菜 bo cai
芹菜 qin cai, 药芹 yao qin
生菜 sheng cai
油麦菜 you mai cai
空心菜 kong xin cai, 蕹菜 weng cai
茼蒿 tong hao, 蓬蒿 peng hao
莴笋 wo sun, 莴苣 wo ju
芦笋 lu sun, 石刁柏 shi diao bai
莲藕 lian ou, 藕 ou
白萝卜 bai luo bo, 萝卜 luo bo
胡萝卜 hu luo bo, 红萝卜 hong luo bo
番茄 fan qie, 西红柿 xi hong shi
圣女果 sheng nv guo, 樱桃番茄 ying tao fan qie
茄子 qie zi
甜椒 tian jiao, 柿子椒 shi zi jiao
黄瓜 huang gua, 青瓜 qing gua
苦瓜 ku gua, 凉瓜 liang gua
冬瓜 dong gua
南瓜 nan gua, 倭瓜 wo gua
丝瓜 si gua
西葫芦 xi hu lu, 角瓜 jiao gua
秋葵 qiu kui, 羊角豆 yang jiao dou
洋葱 yang cong, 葱头 cong tou
韭菜 jiu cai
四季豆 si ji dou, 菜豆 cai dou
荷兰豆 he lan dou
毛豆 mao dou, 菜用大豆 cai yong da dou
黄豆芽 huang dou ya
绿豆芽 lv dou ya
豌豆苗 wan dou miao, 豆苗 dou miao
香菇 xiang gu, 冬菇 dong gu
金针菇 jin zhen gu
杏鲍菇 xing bao gu
蘑菇 mo gu, 鲜蘑 xian mo
木耳 mu er, 黑木耳 hei mu er
海带 hai dai, 昆布 kun bu
紫菜 zi cai
苹果 ping guo
梨 li
橙子 cheng zi, 甜橙 tian cheng
橘子 ju zi, 蜜橘 mi ju
柚子 you zi, 文旦 wen dan
柠檬 ning meng
香蕉 xiang jiao
葡萄 pu tao
提子 ti zi, 红提 hong ti
草莓 cao mei
猕猴桃 mi hou tao, 奇异果 qi yi guo
水蜜桃 shui mi tao, 蜜桃 mi tao
李子 li zi
杏 xing
樱桃 ying tao
鲜枣 xian zao
西瓜 xi gua
哈密瓜 ha mi gua
菠萝 bo luo, 凤梨 feng li
芒果 mang guo
木瓜 mu gua, 番木瓜 fan mu gua
火龙果 huo long guo
荔枝 li zhi
龙眼 long yan, 桂圆 gui yuan
榴莲 liu lian
石榴 shi liu
柿子 shi zi
无花果 wu hua guo
牛油果 niu you guo, 鳄梨 e li
山楂 shan zha, 红果 hong guo
番石榴 fan shi liu, 芭乐 ba le
瘦猪肉 shou zhu rou
五花肉 wu hua rou, 硬五花 ying wu hua
猪里脊 zhu li ji
猪小排 zhu xiao pai, 排骨 pai gu
猪蹄 zhu ti, 猪脚 zhu jiao
猪肝 zhu gan
猪血 zhu xue, 血豆腐 xie dou fu
火腿肠 huo tui chang
午餐肉 wu can rou
香肠 xiang chang
瘦牛肉 shou niu rou
牛腩 niu nan
牛腱子 niu jian zi, 牛展 niu zhan
牛里脊 niu li ji, 牛柳 niu liu
酱牛肉 jiang niu rou
羊肉 yang rou
羊肉片 yang rou pian, 涮羊肉 shuan yang rou
鸡肉 ji rou
鸡胸肉 ji xiong rou, 鸡胸脯肉 ji xiong pu rou
鸡腿 ji tui
鸡翅 ji chi
鸡爪 ji zhao, 凤爪 feng zhao
炸鸡块 zha ji kuai, 炸鸡 zha ji
鸭肉 ya rou
鸭胸肉 ya xiong rou
北京烤鸭 bei jing kao ya, 烤鸭 kao ya
鹅肉 e rou
鸽子肉 ge zi rou
草鱼 cao yu, 鲩鱼 huan yu
鲤鱼 li yu
鲫鱼 ji yu
鲈鱼 lu yu
鳜鱼 gui yu, 桂鱼 gui yu
带鱼 dai yu, 刀鱼 dao yu
小黄鱼 xiao huang yu, 小黄花鱼 xiao huang hua yu
三文鱼 san wen yu, 大马哈鱼 da ma ha yu
鳕鱼 xue yu, 明太鱼 ming tai yu
金枪鱼 jin qiang yu, 吞拿鱼 tun na yu
鲅鱼 ba yu, 马鲛鱼 ma jiao yu
对虾 dui xia
基围虾 ji wei xia
皮皮虾 pi pi xia, 虾蛄 xia gu
河蟹 he xie, 大闸蟹 da zha xie
蛤蜊 ge li, 花蛤 hua ge
扇贝 shan bei
牡蛎 mu li, 海蛎子 hai li zi
海参 hai shen
鱿鱼 you yu
墨鱼 mo yu, 乌贼 wu zei
鱼丸 yu wan
鸡蛋 ji dan
煮鸡蛋 zhu ji dan, 白煮蛋 bai zhu dan
煎鸡蛋 jian ji dan, 荷包蛋 he bao dan
鸡蛋白 ji dan bai, 蛋清 dan qing
鸭蛋 ya dan
咸鸭蛋 xian ya dan, 咸蛋 xian dan
皮蛋 pi dan, 松花蛋 song hua dan
鹌鹑蛋 an chun dan
纯牛奶 chun niu nai, 全脂牛奶 quan zhi niu nai
低脂牛奶 di zhi niu nai
脱脂牛奶 tuo zhi niu nai
酸奶 suan nai
低脂酸奶 di zhi suan nai
羊奶 yang nai, 羊乳 yang ru
巧克力牛奶 qiao ke li niu nai, 巧克力奶 qiao ke li nai
奶酪 nai lao, 干酪 gan lao
奶片 nai pian
全脂奶粉 quan zhi nai fen, 奶粉 nai fen
黄油 huang you
豆腐 dou fu
北豆腐 bei dou fu, 老豆腐 lao dou fu
内酯豆腐 nei zhi dou fu
豆腐干 dou fu gan, 豆干 dou gan
千张 qian zhang, 百叶 bai ye
豆腐皮 dou fu pi, 油皮 you pi
腐竹 fu zhu
油豆腐 you dou fu, 豆泡 dou pao
素鸡 su ji
豆浆 dou jiang
豆奶 dou nai, 豆乳 dou ru
黄豆 huang dou, 大豆 da dou
炒花生 chao hua sheng
花生米 hua sheng mi, 花生仁 hua sheng ren
葵花子 kui hua zi, 瓜子 gua zi
南瓜子 nan gua zi, 白瓜子 bai gua zi
核桃 he tao, 胡桃 hu tao
杏仁 xing ren
腰果 yao guo
开心果 kai xin guo
熟板栗 shu ban li, 熟栗子 shu li zi
黑芝麻 hei zhi ma
葡萄干 pu tao gan
红枣 hong zao, 干枣 gan zao
桂圆肉 gui yuan rou, 龙眼肉 long yan rou
猪肉脯 zhu rou fu, 肉脯 rou fu
肉松 rou song
牛肉干 niu rou gan
鱼片干 yu pian gan
红薯干 hong shu gan, 白薯干 bai shu gan
豆沙 dou sha, 红豆沙 hong dou sha
)";

} // namespace

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

// Every name and alias of the shipped list reads as written out below, character by character,
// and each food is found by its name, its pinyin and its initials.
void TestFoodFinder::everyShippedFoodIsFoundByItsPinyin() {
    const QStringList lines = QString::fromUtf8(ShippedReadings).trimmed().split(u'\n');
    QCOMPARE(lines.size(), m_foods.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList parts = lines[i].split(QStringLiteral(", "));
        QCOMPARE(parts.size(), m_foods[i][1].isEmpty() ? 1 : 2);
        for (qsizetype k = 0; k < parts.size(); ++k) {
            QStringList syllables = parts[k].split(u' ');
            const QString text = syllables.takeFirst();
            QCOMPARE(text, m_foods[i][k]);
            QCOMPARE(Pinyin(text), syllables);
            QString initials;
            for (const QString& syllable : syllables)
                initials += syllable.front();
            for (const QString& typed : {text, syllables.join(QString()), initials})
                QVERIFY2(Found(typed).contains(m_foods[i][0]), qPrintable(typed));
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
    QTest::newRow("second reading") << "jizhua"
                                    << "鸡爪";
    QTest::newRow("second reading of the alias") << "fengzhua"
                                                 << "鸡爪";
    QTest::newRow("Chinese alias") << "吞拿"
                                   << "金枪鱼";
    QTest::newRow("full-width letters") << "ＨＡＩＳＨＥＮ"
                                        << "海参";
    QTest::newRow("from one key into the next") << "fq西红"
                                                << "";
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
