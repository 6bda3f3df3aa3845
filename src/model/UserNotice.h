#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

namespace velto {

class UserNoticeStyleHolder
{
    Q_GADGET
public:
    enum class Style
    {
        info,
        success,
        warning,
        error
    };
    Q_ENUM(Style)
};
using UserNoticeStyle = UserNoticeStyleHolder::Style;

// The banner shown in the quick panel. Every notice gets a fresh id, so two notices with the
// same texts are still two notices.
struct UserNotice
{
    Q_GADGET
    Q_PROPERTY(QString id READ idText CONSTANT)
    Q_PROPERTY(velto::UserNoticeStyle style MEMBER style CONSTANT)
    Q_PROPERTY(QString title MEMBER title CONSTANT)
    Q_PROPERTY(QString message MEMBER message CONSTANT)

public:
    QUuid id;
    UserNoticeStyle style = UserNoticeStyle::info;
    QString title;
    QString message;

    static UserNotice make(UserNoticeStyle style, QString title, QString message)
    {
        return UserNotice{QUuid::createUuid(), style, std::move(title), std::move(message)};
    }
    QString idText() const { return id.toString(QUuid::WithoutBraces); }
    bool operator==(const UserNotice&) const = default;
};

} // namespace velto

Q_DECLARE_METATYPE(velto::UserNotice)
