#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// One clipboard item: type name -> the raw bytes stored for it. Map order carries no meaning.
using PasteboardItem = QMap<QString, QByteArray>;
// Every item of the clipboard, in the clipboard's order.
using PasteboardSnapshot = QList<PasteboardItem>;

// The system clipboard ("general pasteboard").
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;
    // Every item with every type whose data could be read (a type that yields no data is left
    // out; an item stays, even empty). None when the clipboard has no items at all.
    virtual QCoro::Task<std::optional<PasteboardSnapshot>> readItems() = 0;
    // The plain-text string, if the clipboard offers one.
    virtual QCoro::Task<std::optional<QString>> readString() = 0;
    // Grows by one at every change of the clipboard's contents, by anyone.
    virtual qint64 changeCount() = 0;
    virtual void clearContents() = 0;
    // Writes text that is ours only for a moment: clipboard managers are asked not to record it.
    virtual void setString(const QString& text) = 0;
    virtual void writeItems(const PasteboardSnapshot& items) = 0;
};

} // namespace velto
