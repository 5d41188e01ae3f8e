#pragma once
// Window tests reach a window's controls the way Qt finds them: by object name
// (each control is named as its member) and type. Other windows the window owns
// are not searched, its menus are. A control that is missing, of another type
// or named twice stops the test program with a message that says which.
//   auto* ok = Find<QPushButton>(window, "Button1");
//   ok->click();
#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QObject>
#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace FindWidgetDetail {
inline void Collect(const QObject& parent, const QString& name, QList<QObject*>& found)
{
    for (QObject* child : parent.children()) {
        // Another window is not searched; the window's menus (popups) are.
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget && (widget->windowType() == Qt::Window || widget->windowType() == Qt::Dialog))
            continue;
        if (child->objectName() == name) found.append(child);
        Collect(*child, name, found);
    }
}
}  // namespace FindWidgetDetail

template <typename T>
T* Find(const QObject& window, const char* name)
{
    QList<QObject*> named;
    FindWidgetDetail::Collect(window, QString::fromLatin1(name), named);
    QList<T*> found;
    for (QObject* o : named)
        if (auto* t = dynamic_cast<T*>(o)) found.append(t);
    if (found.size() != 1)
        qFatal("control \"%s\" of the wanted type in %s \"%s\": %s", name,
               window.metaObject()->className(), qPrintable(window.objectName()),
               found.isEmpty() ? "not found" : "found more than once");
    return found.front();
}

template <typename T>
T* Find(const QObject* window, const char* name)
{
    if (!window) qFatal("no window to find \"%s\" in", name);
    return Find<T>(*window, name);
}

// The radio items of a titled group box found by name, each with its item index
// as id: FindRadioGroup(window, "DataTypeRG")->button(2)->click().
inline QButtonGroup* FindRadioGroup(const QObject& window, const char* name)
{
    auto* group = Find<QGroupBox>(window, name)->findChild<QButtonGroup*>();
    if (!group) qFatal("group box \"%s\" has no radio items", name);
    return group;
}
