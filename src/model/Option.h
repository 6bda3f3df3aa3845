#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace velto {

// A selectable tone or language: the id sent to the server and the label shown in pickers.
struct Option
{
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id CONSTANT)
    Q_PROPERTY(QString title MEMBER title CONSTANT)

public:
    QString id;
    QString title;
    bool operator==(const Option&) const = default;
};

inline size_t qHash(const Option& option, size_t seed = 0)
{
    return qHashMulti(seed, option.id, option.title);
}

} // namespace velto

Q_DECLARE_METATYPE(velto::Option)
