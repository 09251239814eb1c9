#include "app/AuxiliaryWindows.h"

void AuxiliaryWindows::add(const QString& identifier, Scene scene)
{
    m_scenes.insert(identifier, std::move(scene));
}

QWidget* AuxiliaryWindows::open(const QString& identifier, const QString& value)
{
    const auto scene = m_scenes.constFind(identifier);
    if (scene == m_scenes.constEnd())
        return nullptr;
    closeAll();
    QWidget* window = scene->make ? scene->make(value) : nullptr;
    if (!window)
        return nullptr;
    window->setParent(nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(identifier);
    window->setWindowTitle(scene->title);
    if (scene->defaultSize.isValid())
        window->resize(scene->defaultSize);
    m_open.insert(identifier, window);
    window->show();
    window->raise();
    window->activateWindow();
    Q_EMIT opened(identifier, window);
    return window;
}

void AuxiliaryWindows::closeAll()
{
    // Copy first: closing deletes the window, which may re-enter through its owner's reactions.
    const QList<QPointer<QWidget>> windows = m_open.values();
    m_open.clear();
    for (const QPointer<QWidget>& window : windows) {
        if (window)
            window->close();
    }
}

QWidget* AuxiliaryWindows::window(const QString& identifier) const
{
    return m_open.value(identifier).data();
}
