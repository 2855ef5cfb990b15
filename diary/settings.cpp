#include "diary/settings.h"

#include "diary/room.h"

namespace 方法_卡路里计算器 {

namespace {

const QString DiaryKey = QStringLiteral("diary");
const QString On = QStringLiteral("1");

} // namespace

QString SettingIn(const DiaryStore& store, const QString& key) {
    if (!store.IsOpen())
        return {};
    QSqlQuery query(Room::Database(store));
    query.prepare("SELECT value FROM settings WHERE key = ?");
    query.addBindValue(key);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

bool PutSetting(DiaryStore& store, const QString& key, const QString& value) {
    QSqlQuery query(Room::Database(store));
    if (value.isEmpty()) {
        query.prepare("DELETE FROM settings WHERE key = ?");
        query.addBindValue(key);
    } else {
        query.prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
        query.addBindValue(key);
        query.addBindValue(value);
    }
    return Room::Run(store, query);
}

bool DiarySettings::DiaryOn() const {
    return SettingIn(m_store, DiaryKey) == On;
}

bool DiarySettings::SetDiaryOn(bool on) {
    return Room::Write(
        m_store, [&](QSqlDatabase&) { return PutSetting(m_store, DiaryKey, on ? On : QString()); });
}

bool DiarySettings::TurnOnWith(QDate day, Change& joining) {
    return m_store.Days().ApplyAfter([this] { return PutSetting(m_store, DiaryKey, On); }, day,
                                     joining);
}

} // namespace 方法_卡路里计算器
