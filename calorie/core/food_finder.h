#pragma once
// Finding a food by what a user types: part of its name or alias, of their pinyin without tones
// ("fanqie", "lvdou" or "ludou" for ü), or of their initials ("xhs"). Readings come from ICU's
// Han-Latin transliterator, so foods added to the database later are found the same way; short
// tables correct the words of our food list that ICU reads wrongly, and add the second reading of
// those said both ways (鸡爪, ji zhao or ji zhua).

#include <QString>
#include <QStringList>

namespace food_finder {

// The toneless pinyin of text, one syllable per Chinese character, "v" for ü. Letters and digits
// stand for themselves, case-folded; other characters are left out.
QStringList Pinyin(const QString& text);

// Text as it is compared: compatibility forms unified (full-width letters), case folded, blanks
// removed.
QString Normalized(const QString& text);

// What one food is found by: its name and alias, their pinyin and their initials.
class FoodKeys {
  public:
    FoodKeys() = default;
    FoodKeys(const QString& name, const QString& alias);

    // query as returned by Normalized(); an empty query matches every food.
    bool Matches(const QString& query) const;

  private:
    void Add(const QString& text);

    // The keys one after another, each ended by a line break, which no query holds: a search of
    // thousands of foods then looks through one string per food, not through a list of them.
    QString m_keys;
};

} // namespace food_finder
