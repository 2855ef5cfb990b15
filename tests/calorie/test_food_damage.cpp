// Damaged food databases never crash or hang the program: over 2,000 broken copies of a sound
// file, each load ends within a second with a table, whatever libmdb does with the copy.

#include "calorie/core/food_reader.h"
#include "calorie/core/food_table.h"
#include "food_fixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <random>

using food_reader::ChildEnd;

namespace {

constexpr int Page = 4096;

struct Damaged {
    QString kind;
    QByteArray bytes;
    bool harmless = false; // touches nothing a reader looks at: the table must load in full
};

void Put32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A sound file like the shipped one: 200 foods with Chinese names, some energies with decimals.
jet4::Table SoundFoods() {
    jet4::Table t = fixtures::Foods(200);
    for (int i = 0; i < 200; i += 3)
        t.rows[size_t(i)][2] = QStringLiteral("%1.5").arg(i);
    return t;
}

// Hands each damaged copy to visit as it is made: holding them all would make every fork of
// the test process copy their pages too.
void ForEachDamagedCopy(const QByteArray& good, const std::function<void(const Damaged&)>& visit) {
    std::mt19937 random(20240611);
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    const int pages = int(good.size() / Page);

    for (int k = 0; k < pages; ++k)
        visit({QStringLiteral("truncated at page %1").arg(k), good.left(k * Page)});
    for (int n = 0; n < 400; ++n)
        visit({QStringLiteral("truncated"), good.left(below(int(good.size())))});

    // Bit flips, mostly in the pages readers interpret first: header, catalog, table definition.
    for (int n = 0; n < 900; ++n) {
        QByteArray b = good;
        const int flips = 1 + below(4);
        for (int f = 0; f < flips; ++f) {
            const int at = n % 4 != 0 ? below(7 * Page) : below(int(b.size()));
            b[at] = char(b[at] ^ (1 << below(8)));
        }
        visit({QStringLiteral("bit flips"), b});
    }
    // Every bit of the catalog's and the table's usage-map pointers.
    for (int base : {2 * Page + 55, 5 * Page + 55})
        for (int bit = 0; bit < 64; ++bit) {
            QByteArray b = good;
            b[base + bit / 8] = char(b[base + bit / 8] ^ (1 << (bit % 8)));
            visit({QStringLiteral("usage-map pointer bit"), b});
        }
    for (int n = 0; n < 300; ++n) {
        QByteArray b = good;
        b[2 * Page + below(5 * Page)] = char(below(256));
        visit({QStringLiteral("random byte in catalog or table pages"), b});
    }
    // The catalog row sits at the end of page 4; its LvProp value is what libmdb parses first.
    for (int n = 0; n < 300; ++n) {
        QByteArray b = good;
        const int bytes = 1 + below(3);
        for (int k = 0; k < bytes; ++k)
            b[5 * Page - 1 - below(48)] = char(below(256));
        visit({QStringLiteral("random byte in the catalog row"), b});
    }

    for (int k = 0; k < pages; ++k) {
        QByteArray b = good;
        b.replace(k * Page, Page, QByteArray(Page, '\0'));
        visit({QStringLiteral("page %1 zeroed").arg(k), b, k == 1});
    }
    for (int i = 0; i < pages; ++i)
        for (int j = i + 1; j < pages; ++j) {
            QByteArray b = good;
            const QByteArray pi = b.mid(i * Page, Page);
            b.replace(i * Page, Page, b.mid(j * Page, Page));
            b.replace(j * Page, Page, pi);
            visit({QStringLiteral("pages %1 and %2 swapped").arg(i).arg(j), b});
        }
    for (int k = 1; k <= 5; ++k) {
        visit({QStringLiteral("last %1 pages missing").arg(k), good.left(good.size() - k * Page)});
        QByteArray extra(k * Page, '\0');
        for (char& c : extra)
            c = char(below(256));
        visit({QStringLiteral("%1 pages of noise appended").arg(k), good + extra});
        visit({QStringLiteral("%1 empty pages appended").arg(k), good + QByteArray(k * Page, '\0'),
               true});
    }
    for (quint32 count : {0xFFFFFFFFu, 0x7FFFFFFFu, 100000u, 0u}) {
        QByteArray b = good;
        Put32(b, 5 * Page + 16, count);
        visit({QStringLiteral("table row count %1").arg(count), b});
        b = good;
        Put32(b, 2 * Page + 16, count);
        visit({QStringLiteral("catalog row count %1").arg(count), b});
    }
    for (int page : {4, 7, 8}) {
        for (quint32 rows : {0xFFFFu, 1000u, 256u, 0u}) {
            QByteArray b = good;
            b[page * Page + 12] = char(rows & 0xFF);
            b[page * Page + 13] = char(rows >> 8);
            visit({QStringLiteral("page %1 row count %2").arg(page).arg(rows), b});
        }
    }
    visit({QStringLiteral("cyclic LvProp chain"), fixtures::WithCyclicLvProp(good)});
    visit({QStringLiteral("empty catalog usage map"), fixtures::WithEmptyCatalogMap(good)});
    // Page 1 is unused: any damage there must not cost a single food.
    for (int n = 0; n < 50; ++n) {
        QByteArray b = good;
        b[Page + below(Page)] = char(below(256));
        visit({QStringLiteral("noise in the unused page"), b, true});
    }
}

QString Describe(ChildEnd end) {
    switch (end) {
    case ChildEnd::Rejected:
        return QStringLiteral("rejected by the checks");
    case ChildEnd::NotStarted:
        return QStringLiteral("child not started");
    case ChildEnd::Finished:
        return QStringLiteral("read");
    case ChildEnd::Failed:
        return QStringLiteral("libmdb refused");
    case ChildEnd::Crashed:
        return QStringLiteral("child crashed");
    case ChildEnd::OutOfProcessorTime:
        return QStringLiteral("child out of processor time");
    case ChildEnd::PastDeadline:
        return QStringLiteral("child stopped at the deadline");
    case ChildEnd::SentTooMuch:
        return QStringLiteral("child stopped for sending too much");
    }
    return {};
}

} // namespace

class FoodDamageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void damagedDatabasesNeverCrashOrHang();
};

void FoodDamageTest::damagedDatabasesNeverCrashOrHang() {
    QTemporaryDir dir;
    QString error;
    const QByteArray good = jet4::BuildDatabase(SoundFoods(), &error);
    QVERIFY2(!good.isEmpty(), qPrintable(error));
    const QString path = dir.filePath(QStringLiteral("FoodData.mdb"));

    FoodSlots original;
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(good) == good.size());
    }
    QCOMPARE(food_reader::Load(path, original), ChildEnd::Finished);
    QCOMPARE(original.Slot(200).FoodName, QStringLiteral("食物200"));
    QCOMPARE(original.Slot(1).FoodHot, QStringLiteral("0.5"));

    int copies = 0;
    std::map<ChildEnd, int> ends;
    qint64 slowest = 0;
    QString fault; // the first one; QVERIFY cannot leave the test from inside the visitor
    ForEachDamagedCopy(good, [&](const Damaged& copy) {
        ++copies;
        QFile f(path);
        if (!fault.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(copy.bytes) != copy.bytes.size()) {
            fault = fault.isEmpty() ? QStringLiteral("cannot write a copy") : fault;
            return;
        }
        f.close();

        FoodSlots table;
        QElapsedTimer clock;
        clock.start();
        const ChildEnd end = food_reader::Load(path, table);
        const qint64 ms = clock.elapsed();
        slowest = std::max(slowest, ms);
        ++ends[end];
        if (end == ChildEnd::Crashed || end == ChildEnd::OutOfProcessorTime)
            qInfo("%s: %s", qPrintable(copy.kind), qPrintable(Describe(end)));
        if (ms >= 3000) // a reader that loops has one second of processor time
            fault = QStringLiteral("%1: %2 ms").arg(copy.kind).arg(ms);
        for (int i = 1; copy.harmless && fault.isEmpty() && i <= 200; ++i)
            if (table.Slot(i).FoodName != original.Slot(i).FoodName ||
                table.Slot(i).FoodHot != original.Slot(i).FoodHot)
                fault = QStringLiteral("%1: slot %2 differs").arg(copy.kind).arg(i);
    });
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(copies >= 2000);
    for (const auto& [end, count] : ends)
        qInfo("%s: %d", qPrintable(Describe(end)), count);
    qInfo("slowest load: %lld ms", slowest);

    // The copies reach every defence: checks, libmdb's own refusals, and reads the program
    // survives only because they run in a child.
    QVERIFY(ends[ChildEnd::Rejected] > 0);
    QVERIFY(ends[ChildEnd::Failed] > 0);
    QVERIFY(ends[ChildEnd::Crashed] + ends[ChildEnd::OutOfProcessorTime] > 0);
    QCOMPARE(ends[ChildEnd::NotStarted], 0);
}

QTEST_GUILESS_MAIN(FoodDamageTest)
#include "test_food_damage.moc"
