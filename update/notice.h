#pragma once
// The update notice: a short plain-text file on the vendor's server (format in README.md, "Update
// notice"). Parsing is strict and never trusts the bytes: anything unexpected means "no notice".

#include <QByteArrayView>
#include <QUrl>
#include <QVersionNumber>
#include <optional>

struct Notice {
    QVersionNumber version;
    QUrl download; // http or https, without user information or hidden characters
};

// Bytes beyond this are not read: the notice is a few dozen bytes.
constexpr qsizetype MaxNoticeBytes = 4096;

std::optional<Notice> ParseNotice(QByteArrayView bytes);

// True when the notice offers a version newer than current (1.0 and 1.0.0 are equal).
bool OffersUpdate(const Notice& notice, const QVersionNumber& current);
