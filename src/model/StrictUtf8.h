#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <optional>

namespace velto {

// Bytes from outside as text, or nothing when they are not valid UTF-8 (never a text with
// replacement characters standing in for what could not be read).
inline std::optional<QString> strictUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace velto
