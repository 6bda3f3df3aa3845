#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>
#include <chrono>
#include <exception>
#include <optional>
#include <type_traits>

namespace velto {

namespace detail {

struct TaskOutcome
{
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
};

inline QCoro::Task<void> runInto(QCoro::Task<void> task, TaskOutcome* outcome)
{
    try {
        co_await std::move(task);
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    outcome->loop.quit();
}

template <typename T>
QCoro::Task<void> runInto(QCoro::Task<T> task, std::optional<T>* result, TaskOutcome* outcome)
{
    try {
        result->emplace(co_await std::move(task));
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    outcome->loop.quit();
}

inline void finish(TaskOutcome& outcome, std::chrono::milliseconds limit)
{
    if (!outcome.done) {
        QTimer::singleShot(limit, &outcome.loop, &QEventLoop::quit);
        outcome.loop.exec();
    }
    // Resuming the task later would touch this stack frame: stop here instead.
    if (!outcome.done)
        qFatal("runTask: the task did not finish in time");
    if (outcome.error)
        std::rethrow_exception(outcome.error);
}

} // namespace detail

// Runs a task to its end in a nested event loop and returns its value or rethrows its error
// (QCoro::waitFor hangs when the task throws and needs a default-constructible result).
template <typename T>
T runTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    detail::TaskOutcome outcome;
    if constexpr (std::is_void_v<T>) {
        detail::runInto(std::move(task), &outcome);
        detail::finish(outcome, limit);
    } else {
        std::optional<T> result;
        detail::runInto<T>(std::move(task), &result, &outcome);
        detail::finish(outcome, limit);
        return std::move(*result);
    }
}

} // namespace velto
