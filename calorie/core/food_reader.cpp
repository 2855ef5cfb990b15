#include "calorie/core/food_reader.h"

#include <QFile>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QtEndian>

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>

Q_LOGGING_CATEGORY(lcFood, "korvella.food", QtWarningMsg)

namespace food_reader {

QString ReaderProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvella-food-reader");
}

namespace {

constexpr int DataPageHeader = 14;
constexpr int OffsetMask = 0x1FFF;  // the low bits of a row offset; the top bits are flags
constexpr int TableMapPointer = 55; // in a table definition: page << 8 | row of its usage map

quint32 Get16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

// Whether row `row` of page `page` exists and holds at least minBytes, as libmdb locates rows.
bool RowExists(QFile& file, quint32 page, int row, int minBytes) {
    if (qint64(page) >= file.size() / PageSize || !file.seek(qint64(page) * PageSize))
        return false;
    const QByteArray p = file.read(PageSize);
    if (p.size() != PageSize || p[0] != 0x01)
        return false;
    const int rows = int(Get16(p.constData() + 12));
    if (row >= rows || DataPageHeader + 2 * rows > PageSize)
        return false;
    const quint32 start = Get16(p.constData() + DataPageHeader + 2 * row);
    const int end = row == 0
                        ? PageSize
                        : int(Get16(p.constData() + DataPageHeader + 2 * (row - 1)) & OffsetMask);
    return (start & ~quint32(OffsetMask)) == 0 && int(start) >= DataPageHeader + 2 * rows &&
           int(start) + minBytes <= end && end <= PageSize;
}

} // namespace

bool PassesStructuralChecks(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 3 * PageSize || file.size() % PageSize)
        return false;
    const QByteArray head = file.read(3 * PageSize);
    if (head.size() != 3 * PageSize || head[0] != 0 ||
        head.mid(4, 15) != QByteArrayLiteral("Standard Jet DB") || head[0x14] != 0x01)
        return false;
    const char* catalog = head.constData() + 2 * PageSize;
    if (catalog[0] != 0x02)
        return false;
    const auto map = qFromLittleEndian<quint32>(catalog + TableMapPointer);
    return RowExists(file, map >> 8, int(map & 0xFF), MinUsageMapBytes);
}

std::vector<FoodRecord> DecodeRows(const QByteArray& data) {
    std::vector<FoodRecord> rows;
    qsizetype pos = 0;
    while (int(rows.size()) < MaxRows && pos < data.size()) {
        FoodRecord r;
        for (QString* field : {&r.FoodName, &r.FoodOtherName, &r.FoodHot, &r.FoodQuantity}) {
            if (data.size() - pos < 4)
                return rows;
            const auto length = qFromLittleEndian<quint32>(data.constData() + pos);
            pos += 4;
            if (length > quint32(MaxFieldBytes) || quint64(data.size() - pos) < length)
                return rows;
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            *field = utf8.decode(QByteArrayView(data.constData() + pos, qsizetype(length)));
            if (utf8.hasError())
                return rows;
            pos += qsizetype(length);
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

namespace {

const char* Reason(ChildEnd end) {
    switch (end) {
    case ChildEnd::Rejected:
        return "not a Jet 4 database with a readable catalog";
    case ChildEnd::NotStarted:
        return "the reader process could not be started";
    case ChildEnd::Failed:
        return "libmdb could not open it or found no table FoodData";
    case ChildEnd::Crashed:
        return "the reader ended by a signal: libmdb crashed on it, or it was killed";
    case ChildEnd::OutOfProcessorTime:
        return "the reader used up its processor time";
    case ChildEnd::PastDeadline:
        return "the reader was stopped at the deadline";
    case ChildEnd::SentTooMuch:
        return "the reader was stopped for sending too much";
    case ChildEnd::Finished:
        break;
    }
    return "";
}

} // namespace

IsolatedRead ReadRowsIsolated(const QString& path, std::chrono::milliseconds deadline,
                              const QString& program) {
    IsolatedRead read;
    ReaderProcess reader(program, path, deadline);
    QEventLoop loop;
    QObject::connect(&reader, &ReaderProcess::ended, &loop, [&](ChildEnd end) {
        read = {reader.Data(), end};
        loop.quit();
    });
    loop.exec();
    return read;
}

namespace {

QList<FoodLoad*> running;

} // namespace

FoodLoad::FoodLoad(const QString& path, FoodSlots& table) : m_path(path), m_table(table) {
    running.append(this);
}

FoodLoad::~FoodLoad() {
    running.removeOne(this);
}

FoodLoad* FoodLoad::Start(const QString& path, FoodSlots& table, const QString& program,
                          std::chrono::milliseconds deadline) {
    auto* load = new FoodLoad(path, table);
    if (!PassesStructuralChecks(path)) {
        QMetaObject::invokeMethod(
            load, [load] { load->Finish(ChildEnd::Rejected, {}); }, Qt::QueuedConnection);
        return load;
    }
    auto* reader = new ReaderProcess(program, path, deadline, load);
    connect(reader, &ReaderProcess::ended, load,
            [load, reader](ChildEnd end) { load->Finish(end, reader->Data()); });
    return load;
}

FoodLoad* FoodLoad::Filling(const FoodSlots& table) {
    for (FoodLoad* load : running)
        if (&load->m_table == &table)
            return load;
    return nullptr;
}

void FoodLoad::Finish(ChildEnd end, const QByteArray& data) {
    const std::vector<FoodRecord> rows = DecodeRows(data);
    if (end == ChildEnd::Rejected)
        qCInfo(lcFood, "%s: %s; no food read", qUtf8Printable(m_path),
               QFile::exists(m_path) ? Reason(end) : "no such file");
    else if (end != ChildEnd::Finished)
        qCInfo(lcFood, "%s: %s; %zu foods read", qUtf8Printable(m_path), Reason(end), rows.size());
    else
        qCDebug(lcFood, "%s: %zu foods read", qUtf8Printable(m_path), rows.size());
    int slot = FoodSlots::First;
    for (const FoodRecord& record : rows)
        m_table.Slot(slot++) = record;
    running.removeOne(this); // whoever hears finished finds the table filled
    Q_EMIT finished(end);
    deleteLater();
}

ChildEnd Load(const QString& path, FoodSlots& table, const QString& program,
              std::chrono::milliseconds deadline) {
    ChildEnd result = ChildEnd::NotStarted;
    QEventLoop loop;
    QObject::connect(FoodLoad::Start(path, table, program, deadline), &FoodLoad::finished, &loop,
                     [&](ChildEnd end) {
                         result = end;
                         loop.quit();
                     });
    loop.exec();
    return result;
}

} // namespace food_reader
