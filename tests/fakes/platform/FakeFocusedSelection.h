#pragma once

#include "fakes/platform/FakeEventLog.h"
#include "platform/FocusedSelection.h"

#include <QList>
#include <utility>

namespace velto::fakes {

// A selection readable without the clipboard when `text` is set; its replacement answers
// `replacement` and records what it was asked to write.
class FakeFocusedSelection : public FocusedSelection
{
public:
    explicit FakeFocusedSelection(FakeEventLog* log = nullptr) : m_log(log) {}

    std::optional<QString> text;
    Replacement replacement = Replacement::notApplicable;
    int reads = 0;
    QList<std::pair<SelectedRange, QString>> replacements;

    QCoro::Task<std::optional<SelectedRange>> selectedRange() override
    {
        ++reads;
        // A copy: g++ 12 moves from a member named in co_return.
        std::optional<SelectedRange> range;
        if (text)
            range = SelectedRange{QStringLiteral(":1.7"),
                                  QStringLiteral("/text"),
                                  3,
                                  3 + int(text->size()),
                                  *text,
                                  {}};
        co_return range;
    }

    QCoro::Task<Replacement> replace(SelectedRange range, QString newText) override
    {
        if (m_log)
            m_log->add(QStringLiteral("replace %1-%2").arg(range.start).arg(range.end));
        replacements.append({std::move(range), std::move(newText)});
        const Replacement answer = replacement;
        co_return answer;
    }

private:
    FakeEventLog* m_log;
};

} // namespace velto::fakes
