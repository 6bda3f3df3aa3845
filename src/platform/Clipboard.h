#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velto {

// One clipboard item: type name -> the raw bytes stored for it. Map order carries no meaning.
using ClipboardItem = QMap<QString, QByteArray>;
// Every item of the clipboard, in the clipboard's order.
using ClipboardSnapshot = QList<ClipboardItem>;

// The system clipboard ("clipboard").
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Every item with every type whose data could be read (a type that yields no data is left
    // out; an item stays, even empty). None when the clipboard has no items at all.
    virtual QCoro::Task<std::optional<ClipboardSnapshot>> readItems() = 0;
    // The plain-text string, if the clipboard offers one.
    virtual QCoro::Task<std::optional<QString>> readString() = 0;
    // Grows by one at every change of the clipboard's contents, by anyone.
    virtual qint64 changeCount() = 0;
    virtual void clearContents() = 0;
    // Writes text that is ours only for a moment: clipboard managers are asked not to record it.
    virtual void setString(const QString& text) = 0;
    virtual void writeItems(const ClipboardSnapshot& items) = 0;

    // Resolves once the contents changed, by anyone, since changeCount() was `since`, or when
    // `maximum` has passed. True when they changed.
    virtual QCoro::Task<bool> waitForChange(qint64 since, std::chrono::milliseconds maximum) = 0;
    // From now on, an application that asks for the text of setString() as text counts as
    // having taken it. Readers that asked before (a clipboard manager recording every change)
    // do not count, nor do their later reads where they can be told apart.
    virtual void expectTextRead() = 0;
    // Resolves true once an application counted since expectTextRead() has been given the whole
    // text, false when `maximum` passed first.
    virtual QCoro::Task<bool> waitForTextRead(std::chrono::milliseconds maximum) = 0;
};

} // namespace velto
