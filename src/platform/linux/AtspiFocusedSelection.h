#pragma once

#include "platform/FocusedSelection.h"

#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <chrono>
#include <memory>

namespace velto {

class AtspiBus;
class AtspiEditableText;
class AtspiFocusTracker;
class AtspiTextBounds;
class Workspace;

// The selection of the focused text widget of the application in front, read through AT-SPI:
// the application is found on the accessibility bus by its process (where the desktop says which
// one is in front), its focused object from its focus events (else through the Collection
// interface), and the selection through the Text interface. Applications that do not expose
// AT-SPI, objects without text and empty selections give none, and the caller then copies
// instead. Never the PRIMARY selection: text widgets keep owning it with the old text after
// their selection is cleared, so it cannot tell a current selection from a stale one. A range
// read here is replaced through the EditableText interface where the object has one, and comes
// with its place on screen where the application can know it.
class AtspiFocusedSelection : public FocusedSelection
{
public:
    // Everything an application is asked shares this budget: one that hangs costs no more.
    static constexpr std::chrono::milliseconds readBudget{100};
    static constexpr std::chrono::milliseconds focusRetryDelay{10};

    explicit AtspiFocusedSelection(Workspace& workspace);
    ~AtspiFocusedSelection() override;

    QCoro::Task<std::optional<SelectedRange>> selectedRange() override;
    QCoro::Task<Replacement> replace(SelectedRange range, QString text) override;

    // The accessibility bus is looked up, and focus events followed, in the background, so the
    // first press does not wait.
    void warmUp();

private:
    struct Accessible
    {
        QString busName;
        QDBusObjectPath path;
    };

    // The applications of that process on the bus; all of them when it is not known.
    QCoro::Task<QList<Accessible>> applicationsOf(std::optional<qint64> processIdentifier,
                                                  QDeadlineTimer deadline);
    QCoro::Task<std::optional<Accessible>> focusedObjectOf(Accessible application,
                                                           QDeadlineTimer deadline);
    QCoro::Task<bool> isFocused(Accessible object, QDeadlineTimer deadline);
    QCoro::Task<std::optional<SelectedRange>> selectionOf(Accessible object,
                                                          QDeadlineTimer deadline);
    // Where the range lies on screen; none where that cannot be known.
    QCoro::Task<std::optional<QRect>> boundsOf(Accessible object, int start, int end,
                                               QDeadlineTimer deadline);
    // The object the application's focus events last named: it needs no focus back.
    QCoro::Task<std::optional<SelectedRange>>
    selectionWhereFocusWent(const QList<Accessible>& applications, bool frontKnown,
                            QDeadlineTimer deadline);

    Workspace& m_workspace;
    std::unique_ptr<AtspiBus> m_bus;
    std::unique_ptr<AtspiFocusTracker> m_focus;
    std::unique_ptr<AtspiEditableText> m_editable;
    std::unique_ptr<AtspiTextBounds> m_bounds;
    // Whether applications can say where their text is on screen: on X11, not on Wayland.
    const bool m_placesKnown;
    // A bus never reuses a name, so what a name's process is stays true while it is listed on
    // the connection it was learnt on.
    QHash<QString, qint64> m_processOfBusName;
    quint64 m_processesOn = 0;
};

} // namespace velto
