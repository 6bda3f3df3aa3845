#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>

class QQmlEngine;
class QQuickView;

namespace velto {

// The one QML engine of the app's views, made on the first open of a panel or window so an
// idle app carries no QML, and kept for the later ones.
class ViewEngine
{
public:
    ViewEngine();
    ~ViewEngine();

    bool created() const { return m_engine != nullptr; }
    QQmlEngine& engine();
    // A view of the module's file (for example "QuickPanel.qml") with the properties it requires;
    // nothing when the file does not load (the errors go to the log).
    std::unique_ptr<QQuickView> createView(const QString& file, const QVariantMap& properties);

private:
    std::unique_ptr<QQmlEngine> m_engine;
};

} // namespace velto
