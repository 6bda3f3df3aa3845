#pragma once

#include "model/AppModel.h"

#include <QObject>
#include <QtQml/qqml.h>

namespace velto {

// Gives the views the model as a type of their own module, so that they declare what they
// read and qmllint can check it; the model itself knows nothing of QML.
struct ForeignAppModel
{
    Q_GADGET
    QML_FOREIGN(velto::AppModel)
    QML_NAMED_ELEMENT(AppModel)
    QML_UNCREATABLE("The app owns the one model.")
};

} // namespace velto
