#pragma once

#include "platform/FocusedSelection.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <chrono>
#include <optional>

namespace velto {

class AtspiBus;

// Replaces a range of an application's text object through its EditableText interface: checks
// that the object is editable and that its selection is still that range holding the text that
// was read, deletes the range, inserts the new text and reads it back. Nothing is typed into the
// application and the clipboard is never used.
class AtspiEditableText
{
public:
    // Checks come before anything changes: an application too busy to answer them gets the text
    // by another route.
    static constexpr std::chrono::milliseconds checkBudget{250};
    // Once the range is changed it is seen through: a large document may take a while.
    static constexpr std::chrono::milliseconds writeBudget{2000};

    explicit AtspiEditableText(AtspiBus& bus);

    QCoro::Task<FocusedSelection::Replacement> replace(SelectedRange range, QString text);

private:
    // How the application counts lengths and offsets of the text.
    struct Units
    {
        // InsertText's length argument.
        int insertLength = 0;
        // Characters the text takes in the application's offsets.
        int offsetLength = 0;
    };

    QCoro::Task<bool> isEditable(const SelectedRange& range, QDeadlineTimer deadline);
    QCoro::Task<bool> stillSelected(const SelectedRange& range, QDeadlineTimer deadline);
    QCoro::Task<std::optional<Units>> unitsOf(const SelectedRange& range, const QString& text,
                                              QDeadlineTimer deadline);
    QCoro::Task<std::optional<QString>> textAt(const SelectedRange& range, int start, int end,
                                               QDeadlineTimer deadline);
    QDBusMessage callOn(const SelectedRange& range, const QString& interface,
                        const QString& method) const;

    AtspiBus& m_bus;
};

} // namespace velto
