#include "body/core/bmi.h"
#include "body/core/bmr.h"
#include "body/core/fat_burning.h"
#include "body/core/healthy_weight.h"
#include "body/core/self_assessment.h"
#include "body/core/standard_weight.h"

#include <QTest>
#include <vector>

namespace {

const QString Age = QStringLiteral("请正确填写您的“年龄”！");
const QString Height = QStringLiteral("请正确填写您的“身高”！");
const QString Weight = QStringLiteral("请正确填写您的“体重”！");

std::vector<FieldRule> RulesOf(const QString& calculator) {
    auto toVector = [](const auto& fields) {
        return std::vector<FieldRule>(fields.begin(), fields.end());
    };
    if (calculator == "bmi")
        return toVector(方法_身体质量指数::Fields);
    if (calculator == "healthy")
        return toVector(方法_健康体重范围::Fields);
    if (calculator == "standard male")
        return toVector(方法_标准体重计算::Fields(Sex::Male));
    if (calculator == "standard female")
        return toVector(方法_标准体重计算::Fields(Sex::Female));
    if (calculator == "bmr")
        return toVector(方法_基础代谢计算::Fields);
    if (calculator == "zone")
        return toVector(方法_燃脂运动计算::Fields);
    if (calculator == "assessment")
        return toVector(方法_一分钟彻底了解自己::Fields);
    qFatal("unknown calculator");
}

} // namespace

class TestInputRules : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void check_data();
    void check();
    void badTextsRefusedEverywhere_data();
    void badTextsRefusedEverywhere();
};

void TestInputRules::check_data() {
    QTest::addColumn<QString>("calculator");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message"); // empty: accepted

    auto row = [](const char* name, const char* calculator, QStringList texts, QString message) {
        QTest::newRow(name) << QString(calculator) << texts << message;
    };
    // BMI: height 100-250, weight 30-250.
    row("bmi lowest bounds", "bmi", {"100", "30"}, {});
    row("bmi highest bounds", "bmi", {"250", "250"}, {});
    row("bmi height just below", "bmi", {"99.9", "60"}, Height);
    row("bmi height just above", "bmi", {"250.1", "60"}, Height);
    row("bmi weight just below", "bmi", {"170", "29.99"}, Weight);
    row("bmi weight just above", "bmi", {"170", "250.5"}, Weight);
    row("bmi height with unit", "bmi", {"170cm", "65kg"}, {});
    row("bmi blank inside height", "bmi", {"1 70", "65"}, {});
    row("bmi comma reads one", "bmi", {"1,70", "65"}, Height);
    row("bmi both wrong: height first", "bmi", {"", ""}, Height);
    row("bmi empty weight", "bmi", {"170", ""}, Weight);
    row("bmi full-width digits", "bmi", {"１７０", "６５"}, {});
    // Healthy weight range: height 50-250.
    row("healthy 50 passes", "healthy", {"50"}, {});
    row("healthy 49.9 refused", "healthy", {"49.9"}, Height);
    row("healthy 250", "healthy", {"250"}, {});
    row("healthy 250.01", "healthy", {"250.01"}, Height);
    // Standard weight: age 19-69, height 152-188 (men) or 152-176 (women).
    row("standard 19", "standard male", {"19", "170"}, {});
    row("standard 69", "standard male", {"69", "170"}, {});
    row("standard 18.9", "standard male", {"18.9", "170"}, Age);
    row("standard 69.1", "standard male", {"69.1", "170"}, Age);
    row("standard 70", "standard male", {"70", "170"}, Age);
    row("standard man 188", "standard male", {"30", "188"}, {});
    row("standard man 188.1", "standard male", {"30", "188.1"}, Height);
    row("standard woman 188", "standard female", {"30", "188"}, Height);
    row("standard woman 176", "standard female", {"30", "176"}, {});
    row("standard woman 176.5", "standard female", {"30", "176.5"}, Height);
    row("standard 151.9", "standard female", {"30", "151.9"}, Height);
    row("standard age and height wrong", "standard female", {"5", "500"}, Age);
    // BMR: age 1-100, height 100-250, weight 30-250.
    row("bmr all at lower bounds", "bmr", {"1", "100", "30"}, {});
    row("bmr all at upper bounds", "bmr", {"100", "250", "250"}, {});
    row("bmr age 0.5", "bmr", {"0.5", "170", "65"}, Age);
    row("bmr age 100.5", "bmr", {"100.5", "170", "65"}, Age);
    row("bmr height 99", "bmr", {"30", "99", "65"}, Height);
    row("bmr empty height", "bmr", {"30", "", "65"}, Height);
    row("bmr weight 251", "bmr", {"30", "170", "251"}, Weight);
    row("bmr age 30.5", "bmr", {"30.5", "170", "65"}, {});
    row("bmr height and weight wrong", "bmr", {"30", "x", "x"}, Height);
    // Heart-rate zone: age 1-100.
    row("zone 1", "zone", {"1"}, {});
    row("zone 100", "zone", {"100"}, {});
    row("zone 0", "zone", {"0"}, Age);
    row("zone 101", "zone", {"101"}, Age);
    row("zone 30 with unit", "zone", {"30岁"}, {});
    row("zone letters", "zone", {"abc"}, Age);
    // One-minute assessment: age 1-100, height 50-250, weight 30-250.
    row("assessment height 60", "assessment", {"30", "60", "30"}, {});
    row("assessment height 49", "assessment", {"30", "49", "30"}, Height);
    row("assessment weight 29", "assessment", {"30", "170", "29"}, Weight);
    row("assessment all wrong", "assessment", {"", "", ""}, Age);
}

void TestInputRules::check() {
    QFETCH(QString, calculator);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    const auto result = CheckFields(RulesOf(calculator), texts);
    QCOMPARE(result.value_or(QString()), message);
}

void TestInputRules::badTextsRefusedEverywhere_data() {
    QTest::addColumn<QString>("calculator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QList<std::pair<const char*, QString>> firstField{
        {"bmi", Height}, {"healthy", Height}, {"standard male", Age}, {"standard female", Age},
        {"bmr", Age},    {"zone", Age},       {"assessment", Age}};
    for (const auto& [calculator, message] : firstField) {
        for (const char* text : {"", "0", "abc", "-5", "1e400", "&H0", " "}) {
            QTest::addRow("%s '%s'", calculator, text)
                << QString(calculator) << QString(text) << message;
        }
    }
}

void TestInputRules::badTextsRefusedEverywhere() {
    QFETCH(QString, calculator);
    QFETCH(QString, text);
    QFETCH(QString, message);
    const auto rules = RulesOf(calculator);
    QStringList texts;
    for (size_t i = 0; i < rules.size(); ++i)
        texts << text;
    QCOMPARE(CheckFields(rules, texts).value_or(QString()), message);
}

QTEST_APPLESS_MAIN(TestInputRules)
#include "test_input_rules.moc"
