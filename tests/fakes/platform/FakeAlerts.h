#pragma once

#include "platform/Alerts.h"

#include <QList>
#include <coroutine>
#include <memory>
#include <optional>

namespace velto::fakes {

// Records each alert and answers with the button the test chose (by index or by title): at
// once, or, with answerLater, only when the test calls answer() or closeAll(). A choice is
// passed to the alert's `chosen` before show() resumes; closeAll() makes none.
class FakeAlerts : public Alerts
{
public:
    QList<Alert> shown;
    int chosenButton = 0;
    QString chosenTitle; // wins over chosenButton when set and present
    bool answerLater = false;

    QCoro::Task<int> show(Alert alert) override
    {
        shown.append(alert);
        if (!answerLater) {
            const int choice = choiceFor(alert);
            if (alert.chosen)
                alert.chosen(choice);
            co_return choice;
        }
        auto open = std::make_shared<OpenAlert>();
        open->alert = alert;
        m_open.append(open);
        // Named, and the answer copied out first: g++ 12 mishandles a braced temporary in a
        // co_await and the operand of a co_return.
        Answer waiting{open};
        co_await waiting;
        const int answer = *open->answer;
        co_return answer;
    }

    void closeAll() override
    {
        while (!m_open.isEmpty())
            resolve(m_open.first(),
                    int(std::max<qsizetype>(m_open.first()->alert.buttons.size(), 1)) - 1);
    }

    qsizetype openCount() const { return m_open.size(); }

    // Answers the oldest open alert with its button of that title.
    void answer(const QString& title)
    {
        Q_ASSERT(!m_open.isEmpty());
        const int choice = int(m_open.first()->alert.buttons.indexOf(title));
        if (m_open.first()->alert.chosen)
            m_open.first()->alert.chosen(choice);
        resolve(m_open.first(), choice);
    }

private:
    struct OpenAlert
    {
        Alert alert;
        std::optional<int> answer;
        std::coroutine_handle<> waiter;
    };

    struct Answer
    {
        std::shared_ptr<OpenAlert> open;
        bool await_ready() const noexcept { return open->answer.has_value(); }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { open->waiter = waiter; }
        void await_resume() const noexcept {}
    };

    int choiceFor(const Alert& alert) const
    {
        if (!chosenTitle.isEmpty() && alert.buttons.contains(chosenTitle))
            return static_cast<int>(alert.buttons.indexOf(chosenTitle));
        return chosenButton;
    }

    // By value: `open` may be the list's own element, which removeOne() destroys.
    void resolve(std::shared_ptr<OpenAlert> open, int button)
    {
        m_open.removeOne(open);
        open->answer = button;
        if (open->waiter)
            open->waiter.resume();
    }

    QList<std::shared_ptr<OpenAlert>> m_open;
};

} // namespace velto::fakes
