#include "ui/ViewEngine.h"

#include "model/ClientLogger.h"

#include <QQmlEngine>
#include <QQuickView>
#include <QSGRendererInterface>

// Defined by the module's generated type registration, which a static initializer beside it
// runs; naming it here keeps that object file in the link of every program with views.
void qml_register_types_Velto_Ui();

namespace velto {

ViewEngine::ViewEngine()
{
    volatile auto keepTypes = &qml_register_types_Velto_Ui;
    Q_UNUSED(keepTypes);
}
ViewEngine::~ViewEngine() = default;

QQmlEngine& ViewEngine::engine()
{
    if (!m_engine) {
        // Two small, mostly static views: the software renderer draws them in a few
        // milliseconds, while a GL driver would stay resident in a background app for good.
        static const bool chosen = [] {
            if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
                QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
            return true;
        }();
        Q_UNUSED(chosen);
        m_engine = std::make_unique<QQmlEngine>();
        // The views' module lives at qrc:/Velto/Ui; Qt 6.4 does not look in qrc:/ by itself.
        m_engine->addImportPath(QStringLiteral("qrc:/"));
    }
    return *m_engine;
}

std::unique_ptr<QQuickView> ViewEngine::createView(const QString& file,
                                                   const QVariantMap& properties)
{
    auto view = std::make_unique<QQuickView>(&engine(), nullptr);
    view->setInitialProperties(properties);
    view->setResizeMode(QQuickView::SizeViewToRootObject);
    view->setSource(QUrl(QStringLiteral("qrc:/Velto/Ui/") + file));
    if (view->status() != QQuickView::Ready) {
        for (const QQmlError& error : view->errors())
            ClientLogger::error(u"view failed to load: ", error.toString());
        return nullptr;
    }
    return view;
}

} // namespace velto
