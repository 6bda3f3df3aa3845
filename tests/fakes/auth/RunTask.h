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

// Runs a task to its end in a nested event loop and returns its value or rethrows its error
// (QCoro::waitFor hangs when the task throws and needs a default-constructible result).
template <typename T>
T runTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    using Value = std::conditional_t<std::is_void_v<T>, bool, T>;
    std::optional<Value> result;
    std::exception_ptr error;
    bool done = false;
    QEventLoop loop;
    [](QCoro::Task<T> task, std::optional<Value>& result, std::exception_ptr& error, bool& done,
       QEventLoop& loop) -> QCoro::Task<void> {
        try {
            if constexpr (std::is_void_v<T>)
                co_await std::move(task);
            else
                result.emplace(co_await std::move(task));
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
        loop.quit();
    }(std::move(task), result, error, done, loop);
    if (!done) {
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Resuming the task later would touch this stack frame: stop here instead.
    if (!done)
        qFatal("runTask: the task did not finish in time");
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}

} // namespace velto
