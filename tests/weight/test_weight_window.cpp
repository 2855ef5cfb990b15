// The weight log window where the end-to-end scenario does not reach: the refusals and the
// question before a day's weighing is replaced, the table's keys, a change the store could not
// keep, and the window's life beside the window that opened it.

#include "calorie/daily_target_dialog.h"
#include "diary/diary_store.h"
#include "frame/message.h"
#include "tests/activate_window.h"
#include "weighings_text.h"
#include "weight/core/weight_log.h"
#include "weight/weight_window.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace 方法_体重记录;

namespace {

const QDate Today(2025, 6, 1);

class TestBook final : public WeightBook {
  public:
    explicit TestBook(QList<Weighing> weighings, bool fails = false)
        : m_weighings(std::move(weighings)), m_fails(fails) {}
    QList<Weighing> Weighings() const override { return m_weighings; }
    std::optional<double> Goal() const override { return std::nullopt; }
    bool Keep(const WeighingChange&) override { return !m_fails; }
    bool KeepGoal(std::optional<double>) override { return !m_fails; }
    QString Problem() const override { return QStringLiteral("无法写入"); }
    std::optional<QList<DayKcal>> DailyIntake() const override { return std::nullopt; }

  private:
    QList<Weighing> m_weighings;
    bool m_fails;
};

} // namespace

class TestWeightWindow : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void record_data();
    void record();
    void tableKeys();
    void closesWithItsOpener();
    void keptInTheDiary();
    void waitsForTheLock();
    void diaryOutOfReach_data();
    void diaryOutOfReach();

  private:
    QTemporaryDir m_data; // XDG_DATA_HOME, where the diary store lives
    QStringList m_said;   // messages and questions, in order
    int m_answer = -1;
};

void TestWeightWindow::initTestCase() {
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
}

void TestWeightWindow::init() {
    m_said.clear();
    SetMessageObserver([this](const QString& text) { m_said.append(text); });
    SetChoiceObserver([this](const QString& text, const QStringList& buttons) {
        m_said.append(text + u'|' + buttons.join(u'/'));
        return m_answer;
    });
}

void TestWeightWindow::cleanup() {
    SetMessageObserver({});
    SetChoiceObserver({});
}

void TestWeightWindow::record_data() {
    QTest::addColumn<int>("daysAgo");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("weighings");
    const QString refusal =
        QStringLiteral("请正确填写您的“体重”！（20 到 300 公斤，最多两位小数）");
    QTest::newRow("today, full-width") << 0 << "７２．５" << -1 << false << ""
                                       << "2025-05-31=70;2025-06-01=72.5";
    QTest::newRow("tomorrow") << -1 << "72" << -1 << false << "日期不能晚于今天。"
                              << "2025-05-31=70";
    QTest::newRow("above 300") << 0 << "301" << -1 << false << refusal << "2025-05-31=70";
    QTest::newRow("kept as it was")
        << 1 << "69.5" << 1 << false
        << "2025年5月31日已记录体重 70 公斤，要换成 69.5 公斤吗？|替换/保留原记录"
        << "2025-05-31=70";
    QTest::newRow("store fails") << 0 << "72" << -1 << true << "无法写入"
                                 << "2025-05-31=70";
}

void TestWeightWindow::record() {
    QFETCH(int, daysAgo);
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, fails);
    QFETCH(QString, said);
    QFETCH(QString, weighings);
    m_answer = answer;
    Form_体重记录 window(
        std::make_unique<TestBook>(QList<Weighing>{{Today.addDays(-1), 70}}, fails), nullptr,
        Today);
    window.DateField()->setDate(Today.addDays(-daysAgo));
    window.WeightField()->setText(typed);
    QTest::keyClick(window.WeightField(), Qt::Key_Return);
    QCOMPARE(m_said.join(u'\n'), said);
    QCOMPARE(Text(window.Log().Weighings()), weighings);
    // The field is emptied only once the weighing is kept.
    QCOMPARE(window.WeightField()->text().isEmpty(),
             Text(window.Log().Weighings()) != "2025-05-31=70");
}

// Delete removes the selected weighing, Ctrl+Z brings it back and Ctrl+Shift+Z removes it again,
// from the table and from the weight field once that has nothing of its own to undo; F2 weighs
// the row anew.
void TestWeightWindow::tableKeys() {
    Form_体重记录 window(std::make_unique<TestBook>(
                             QList<Weighing>{{QDate(2025, 5, 30), 71}, {QDate(2025, 5, 31), 70}}),
                         nullptr, Today);
    window.show();
    ActivateWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView* table = window.Table();
    table->setFocus();
    table->selectRow(0); // the newest
    QTest::keyClick(table, Qt::Key_Delete);
    QCOMPARE(Text(window.Log().Weighings()), "2025-05-30=71");
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Text(window.Log().Weighings()), "2025-05-30=71;2025-05-31=70");
    window.WeightField()->setFocus();
    QTest::keyClick(window.WeightField(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Text(window.Log().Weighings()), "2025-05-30=71");

    table->setFocus();
    table->selectRow(0);
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = table->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("70.8"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(Text(window.Log().Weighings()), "2025-05-30=70.8");
    QVERIFY(m_said.isEmpty());
}

namespace {
// Qt 6.8's findChild wants a class with Q_OBJECT, which a Chinese name cannot have.
Form_体重记录* LogOf(const QWidget& opener) {
    for (QObject* child : opener.children())
        if (auto* log = dynamic_cast<Form_体重记录*>(child))
            return log;
    return nullptr;
}
} // namespace

// The opener closing first takes the log with it.
void TestWeightWindow::closesWithItsOpener() {
    auto* opener = new QWidget;
    OpenWeightLog(opener);
    QPointer<Form_体重记录> window = LogOf(*opener);
    QVERIFY(window);
    delete opener;
    QVERIFY(!window);
}

namespace {
Form_体重记录* Open(QWidget& opener) {
    OpenWeightLog(&opener);
    return LogOf(opener);
}
} // namespace

// The first weighing makes the store; the next window and the daily target dialog read it back.
void TestWeightWindow::keptInTheDiary() {
    const QString path = 方法_卡路里计算器::DiaryStore::DefaultPath();
    QVERIFY(!QFile::exists(path));
    QWidget opener;
    Form_体重记录* window = Open(opener);
    window->WeightField()->setText(QStringLiteral("72.5"));
    window->Record();
    window->GoalField()->setText(QStringLiteral("65"));
    window->SetGoal();
    QVERIFY(QFile::exists(path));
    delete window;
    window = Open(opener);
    QCOMPARE(window->Log().Weighings().size(), 1);
    QCOMPARE(window->GoalField()->text(), "65");
    delete window;
    DailyTargetDialog dialog(nullptr);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("Text_Value(2)"))->text(), "72.5");
    QVERIFY(m_said.isEmpty());
    QVERIFY(方法_卡路里计算器::DiaryStore(path).Delete());
}

// Another program holds the diary for a second: the log keeps painting and running its timers,
// and keeps the goal once the diary is free.
void TestWeightWindow::waitsForTheLock() {
    const QString path = 方法_卡路里计算器::DiaryStore::DefaultPath();
    QWidget opener;
    Form_体重记录* window = Open(opener);
    window->WeightField()->setText(QStringLiteral("72.5"));
    window->Record();
    QProcess holder;
    holder.start(QCoreApplication::applicationDirPath() + "/diary_writer",
                 {"--hold", "1000", path});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine(), QByteArray("locked\n"));
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, window,
            [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticks.start(20);
    window->GoalField()->setText(QStringLiteral("65"));
    window->SetGoal();
    ticks.stop();
    longest = std::max(longest, sinceTick.elapsed());
    QVERIFY(holder.waitForFinished());
    QVERIFY2(longest < 100, qPrintable(QString::number(longest)));
    delete window;
    window = Open(opener);
    QCOMPARE(window->GoalField()->text(), "65");
    delete window;
    QVERIFY(m_said.isEmpty());
    QVERIFY(方法_卡路里计算器::DiaryStore(path).Delete());
}

// A file that is not a diary, or a data folder that cannot be made, is named once; the log
// keeps its weighings in memory, as the message says, and never writes to the file.
void TestWeightWindow::diaryOutOfReach_data() {
    QTest::addColumn<bool>("folder"); // XDG_DATA_HOME is a regular file: nothing can be made
    QTest::newRow("a file that is not a diary") << false;
    QTest::newRow("a data folder that cannot be made") << true;
}

void TestWeightWindow::diaryOutOfReach() {
    QFETCH(bool, folder);
    const QString blocker = m_data.filePath("blocker");
    if (folder)
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocker + "/data"));
    const QString path = 方法_卡路里计算器::DiaryStore::DefaultPath();
    QFile file(folder ? blocker : path);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a diary") == 11);
    file.close();
    QWidget opener;
    Form_体重记录* window = Open(opener);
    window->WeightField()->setText(QStringLiteral("72.5"));
    window->Record();
    window->DateField()->setDate(window->DateField()->date().addDays(-1));
    window->WeightField()->setText(QStringLiteral("72"));
    window->Record();
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    QCOMPARE(window->Log().Weighings().size(), 2);
    QCOMPARE(m_said.size(), 1);
    QVERIFY2(m_said[0].contains(QStringLiteral("本次只在内存中记录")), qPrintable(m_said[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "not a diary");
    QVERIFY(QFile::exists(path) != folder);
    delete window;
    QVERIFY(file.remove());
}

QTEST_MAIN(TestWeightWindow)
#include "test_weight_window.moc"
