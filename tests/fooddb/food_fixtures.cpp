#include "food_fixtures.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <fstream>
#include <string>

namespace fixtures {

std::vector<jet4::Column> FoodColumns() {
    return {{QStringLiteral("FoodName"), jet4::ColumnType::Text},
            {QStringLiteral("FoodOtherName"), jet4::ColumnType::Text},
            {QStringLiteral("FoodHot"), jet4::ColumnType::Text},
            {QStringLiteral("FoodQuantity"), jet4::ColumnType::Text}};
}

jet4::Table Foods(int n) {
    jet4::Table table{QStringLiteral("FoodData"), FoodColumns(), {}};
    for (int i = 1; i <= n; ++i)
        table.rows.push_back({QStringLiteral("食物%1").arg(i), QStringLiteral("别名%1").arg(i),
                              QString::number(i), QStringLiteral("100")});
    return table;
}

QString Write(const QTemporaryDir& dir, const QString& fileName, const jet4::Table& table) {
    const QString path = dir.filePath(fileName);
    QString error;
    if (!jet4::WriteDatabaseFile(path, table, &error))
        QTest::qFail(qPrintable(QStringLiteral("fixture %1: %2").arg(fileName, error)), __FILE__,
                     __LINE__);
    return path;
}

QString Write(const QTemporaryDir& dir, const QString& fileName, const QByteArray& bytes) {
    QFile f(dir.filePath(fileName));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        QTest::qFail(qPrintable(QStringLiteral("fixture %1 not written").arg(fileName)), __FILE__,
                     __LINE__);
    return f.fileName();
}

namespace {

constexpr int Page = 4096;

void Put16(QByteArray& b, int at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}

void Put32(QByteArray& b, int at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}

QByteArray Le16(quint16 v) {
    QByteArray b(2, '\0');
    Put16(b, 0, v);
    return b;
}

QByteArray Le32(quint32 v) {
    QByteArray b(4, '\0');
    Put32(b, 0, v);
    return b;
}

// A data page owned by `owner` holding one row that ends at the page end.
QByteArray OneRowPage(const QByteArray& owner, const QByteArray& row) {
    QByteArray p(Page, '\0');
    p[0] = 0x01;
    p[1] = 0x01;
    p.replace(4, 4, owner);
    Put16(p, 12, 1);
    Put16(p, 14, quint16(Page - row.size()));
    p.replace(Page - row.size(), row.size(), row);
    return p;
}

} // namespace

QByteArray WithEmptyCatalogMap(QByteArray file) {
    Put16(file, 3 * Page + 16, qFromLittleEndian<quint16>(file.constData() + 3 * Page + 14));
    Put32(file, 2 * Page + 55, (3u << 8) | 1u);
    return file;
}

QByteArray WithCyclicLvProp(QByteArray file) {
    const auto lval = quint32(file.size() / Page);
    QByteArray name;
    for (QChar c : QStringLiteral("FoodData"))
        name += Le16(c.unicode());
    // Id, Type and Flags; Name and LvProp (a multi-page long value at lval row 0); then the
    // end of the variable data, their offsets last first, their count and the null mask.
    const QByteArray row = Le16(5) + Le32(5) + Le16(1) + Le32(0) + name + Le32(0x1000) +
                           Le32(lval << 8) + Le32(0) + Le16(40) + Le16(28) + Le16(12) + Le16(2) +
                           QByteArray(1, '\x1F');
    file.replace(4 * Page, Page, OneRowPage(Le32(2), row));
    file += OneRowPage("LVAL", Le32(lval << 8) + QByteArray(100, 'x'));
    return file;
}

QString StalledReader(const QTemporaryDir& dir, const QString& realReader) {
    QFile script(dir.filePath(QStringLiteral("stalled-reader")));
    const QByteArray text = "#!/bin/sh\n"
                            "echo $$ >\"$0.pid.new\" && mv \"$0.pid.new\" \"$0.pid\"\n"
                            "kill -STOP $$\n"
                            "exec '" +
                            QFile::encodeName(realReader) + "' \"$@\"\n";
    if (!script.open(QIODevice::WriteOnly) || script.write(text) != text.size() ||
        !script.setPermissions(QFile::ReadOwner | QFile::ExeOwner))
        QTest::qFail("cannot write the stalled reader", __FILE__, __LINE__);
    return script.fileName();
}

int StalledReaderPid(const QTemporaryDir& dir) {
    QFile file(dir.filePath(QStringLiteral("stalled-reader.pid")));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const int pid = file.readAll().trimmed().toInt();
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string fields;
    std::getline(stat, fields);
    const size_t name = fields.rfind(") ");
    if (pid <= 0 || name == std::string::npos || fields.compare(name + 2, 1, "T") != 0)
        return 0; // not stopped yet
    return pid;
}

} // namespace fixtures
