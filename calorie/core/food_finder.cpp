#include "calorie/core/food_finder.h"

#include <QHash>

#include <memory>
#include <span>
#include <string_view>
#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <vector>

namespace food_finder {

namespace {

// Where ICU gives a food word the reading of its other sense. Found by reading every name and
// alias of data/foods.csv through ICU; only whole words, so 胸脯 keeps its pu beside 肉脯's fu.
struct Correction {
    std::u16string_view word;
    std::u16string_view reading;
};
constexpr Correction Corrections[] = {
    {u"番茄", u"fan qie"},      // ICU: jia, as in 雪茄
    {u"茄子", u"qie zi"},       // the same
    {u"蛤蜊", u"ge li"},        // ICU: ha, as in 蛤蟆
    {u"花蛤", u"hua ge"},       // the same
    {u"海参", u"hai shen"},     // ICU: can, as in 参加
    {u"肉脯", u"rou fu"},       // ICU: pu, as in 胸脯
    {u"血豆腐", u"xie dou fu"}, // ICU: xue; the spoken xie of this word
};
// Words said both ways: each is found by ICU's reading and by this one.
constexpr Correction SecondReadings[] = {
    {u"鸡爪", u"ji zhua"}, // ICU: zhao, as in 鹰爪
    {u"凤爪", u"feng zhua"},
};

struct Syllable {
    QString text; // empty for a character left out
    bool han = false;
};

// Built on first use: compiling ICU's rules takes tens of milliseconds, so it is done once per
// process, and each character is read once.
std::unique_ptr<icu::Transliterator> hanLatin;
bool hanLatinTried = false;
QHash<char32_t, QString> readings;

// ICU's reading without tones, "v" for ü; ü is u with a diaeresis once decomposed.
QString Toneless(const QString& latin) {
    const QString marked = latin.normalized(QString::NormalizationForm_D);
    QString plain;
    for (qsizetype i = 0; i < marked.size(); ++i) {
        const QChar c = marked[i];
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const bool umlaut = i + 1 < marked.size() && marked[i + 1] == QChar(0x0308);
        plain += (umlaut && c.toLower() == u'u') ? QChar(u'v') : c.toLower();
    }
    return plain;
}

bool IsPinyin(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'a' || c > u'z')
            return false;
    }
    return true;
}

// The character itself, normalized, where ICU knows no reading.
QString Reading(char32_t han) {
    if (const auto found = readings.constFind(han); found != readings.constEnd())
        return *found;
    if (!hanLatinTried) {
        hanLatinTried = true;
        UErrorCode status = U_ZERO_ERROR;
        hanLatin.reset(icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            hanLatin.reset();
    }
    QString reading;
    if (hanLatin) {
        icu::UnicodeString text(static_cast<UChar32>(han));
        hanLatin->transliterate(text);
        reading =
            Toneless(QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length()));
    }
    if (!IsPinyin(reading))
        reading = Normalized(QString::fromUcs4(&han, 1));
    readings.insert(han, reading);
    return reading;
}

// Whether a word of the table was found.
bool Correct(const QList<uint>& characters, std::vector<Syllable>& syllables,
             std::span<const Correction> table) {
    bool corrected = false;
    for (const Correction& correction : table) {
        const QList<uint> word =
            QString::fromUtf16(correction.word.data(), qsizetype(correction.word.size())).toUcs4();
        const QStringList reading =
            QString::fromUtf16(correction.reading.data(), qsizetype(correction.reading.size()))
                .split(u' ');
        for (qsizetype at = 0; at + word.size() <= characters.size(); ++at) {
            if (characters.mid(at, word.size()) != word)
                continue;
            for (qsizetype i = 0; i < word.size(); ++i)
                syllables[size_t(at + i)].text = reading[i];
            corrected = true;
        }
    }
    return corrected;
}

std::vector<Syllable> Syllables(const QString& text) {
    const QList<uint> characters = text.toUcs4();
    std::vector<Syllable> syllables(size_t(characters.size()));
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        Syllable& syllable = syllables[size_t(i)];
        if (QChar::script(c) == QChar::Script_Han) {
            syllable = {Reading(c), true};
        } else {
            if (QChar::isLetterOrNumber(c))
                syllable.text = Normalized(QString::fromUcs4(&c, 1));
        }
    }
    Correct(characters, syllables, Corrections);
    return syllables;
}

// The keys that one reading of a name gives.
void AddReading(const std::vector<Syllable>& syllables, QStringList& keys) {
    QString full;
    QString withU; // the same with u for ü, as many people type it
    QString initials;
    for (const Syllable& syllable : syllables) {
        if (syllable.text.isEmpty())
            continue;
        full += syllable.text;
        withU += syllable.han ? QString(syllable.text).replace(u'v', u'u') : syllable.text;
        initials += syllable.han ? syllable.text.left(1) : syllable.text;
    }
    keys.append(full);
    if (withU != full)
        keys.append(withU);
    keys.append(initials);
}

} // namespace

QStringList Pinyin(const QString& text) {
    QStringList pinyin;
    for (const Syllable& syllable : Syllables(text)) {
        if (!syllable.text.isEmpty())
            pinyin.append(syllable.text);
    }
    return pinyin;
}

QString Normalized(const QString& text) {
    QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    folded.removeIf([](QChar c) { return c.isSpace(); });
    return folded;
}

FoodKeys::FoodKeys(const QString& name, const QString& alias) {
    Add(name);
    Add(alias);
}

void FoodKeys::Add(const QString& text) {
    if (text.isEmpty())
        return;
    QStringList keys{Normalized(text)};
    std::vector<Syllable> syllables = Syllables(text);
    AddReading(syllables, keys);
    if (Correct(text.toUcs4(), syllables, SecondReadings))
        AddReading(syllables, keys);
    for (const QString& key : keys)
        m_keys += key + u'\n';
}

// Normalized() takes every blank out, so a query never reaches from one key into the next.
bool FoodKeys::Matches(const QString& query) const {
    return !m_keys.isEmpty() && m_keys.contains(query);
}

} // namespace food_finder
