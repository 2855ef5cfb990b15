#include "update/notice.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>

namespace {

bool IsText(QByteArrayView bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F)
            return false;
    }
    return true;
}

std::optional<QVersionNumber> ParseVersion(const QString& line) {
    // Bounded parts keep every number far from overflow.
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,9}(\\.\\d{1,9}){0,3}$"));
    if (!pattern.match(line).hasMatch())
        return std::nullopt;
    return QVersionNumber::fromString(line);
}

// Control and format characters (bidirectional overrides, zero-width joiners) can make an
// address read as another one.
bool HasHiddenCharacters(const QString& line) {
    return std::any_of(line.begin(), line.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    });
}

std::optional<QUrl> ParseDownload(const QString& line) {
    if (HasHiddenCharacters(line))
        return std::nullopt;
    const QUrl url(line, QUrl::StrictMode);
    const QString scheme = url.scheme();
    // User information before the host ("http://vendor.example:x@other.example/") hides the host
    // the browser really goes to.
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

} // namespace

std::optional<Notice> ParseNotice(QByteArrayView bytes) {
    if (bytes.size() > MaxNoticeBytes || !IsText(bytes))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;

    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed(); // also drops the CR of CR LF
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    if (lines.size() < 2)
        return std::nullopt;
    const std::optional<QVersionNumber> version = ParseVersion(lines[0]);
    const std::optional<QUrl> download = ParseDownload(lines[1]);
    if (!version || !download)
        return std::nullopt;
    return Notice{*version, *download};
}

bool OffersUpdate(const Notice& notice, const QVersionNumber& current) {
    return QVersionNumber::compare(notice.version.normalized(), current.normalized()) > 0;
}
