#include "platform/binder.h"

#include "platform/valuetransformer.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMetaProperty>

namespace sleevelight {

namespace {

const char* defaultTarget(QObject* view)
{
    if (qobject_cast<QAction*>(view))
        return "text";
    if (auto* button = qobject_cast<QAbstractButton*>(view); button && button->isCheckable())
        return "checked";
    if (qobject_cast<QAbstractSpinBox*>(view) || qobject_cast<QAbstractSlider*>(view))
        return "value";
    if (qobject_cast<QComboBox*>(view))
        return "currentText";
    for (const char* name : {"text", "value", "image"})
        if (view->metaObject()->indexOfProperty(name) >= 0)
            return name;
    return view->metaObject()->userProperty().name();
}

bool isEditable(QObject* view)
{
    if (auto* button = qobject_cast<QAbstractButton*>(view))
        return button->isCheckable();
    return qobject_cast<QAbstractSpinBox*>(view) || qobject_cast<QAbstractSlider*>(view) ||
           qobject_cast<QLineEdit*>(view);
}

// One declared binding; lives as long as the view.
class Binding : public QObject
{
    Q_OBJECT

public:
    Binding(QObject* model, QMetaProperty modelProperty, QObject* view, QMetaProperty viewProperty,
            ValueTransformers::Transform transform)
        : QObject(view), m_model(model), m_modelProperty(modelProperty), m_view(view),
          m_viewProperty(viewProperty), m_transform(std::move(transform))
    {}

public Q_SLOTS:
    void modelChanged()
    {
        QVariant value = m_modelProperty.read(m_model);
        if (m_transform)
            value = m_transform(value);
        if (m_viewProperty.read(m_view) == value)
            return;
        m_updatingView = true;
        m_viewProperty.write(m_view, value);
        m_updatingView = false;
    }

    void viewChanged()
    {
        if (m_updatingView || m_transform)
            return;
        m_modelProperty.write(m_model, m_viewProperty.read(m_view));
    }

private:
    QObject* m_model;
    QMetaProperty m_modelProperty;
    QObject* m_view;
    QMetaProperty m_viewProperty;
    ValueTransformers::Transform m_transform;
    bool m_updatingView = false;
};

QString describe(QObject* view)
{
    return QString::fromLatin1(view->metaObject()->className()) + u" \"" + view->objectName() + u'"';
}

void bind(QObject* model, QObject* view, QStringList& errors)
{
    const QByteArray name = view->property("bind").toString().toUtf8();
    const int modelIndex = model->metaObject()->indexOfProperty(name.constData());
    if (modelIndex < 0) {
        errors << describe(view) + u" is bound to the unknown property " + QString::fromUtf8(name);
        return;
    }
    QByteArray target = view->property("bindTarget").toString().toUtf8();
    if (target.isEmpty())
        target = defaultTarget(view);
    const int viewIndex = view->metaObject()->indexOfProperty(target.constData());
    if (viewIndex < 0) {
        errors << describe(view) + u" has no property " + QString::fromUtf8(target) + u" to bind";
        return;
    }
    ValueTransformers::Transform transform;
    const QString transformerName = view->property("transformer").toString();
    if (!transformerName.isEmpty()) {
        transform = ValueTransformers::transformer(transformerName);
        if (!transform) {
            errors << describe(view) + u" names the unknown transformer " + transformerName;
            return;
        }
    }
    const QMetaProperty modelProperty = model->metaObject()->property(modelIndex);
    const QMetaProperty viewProperty = view->metaObject()->property(viewIndex);
    auto* binding = new Binding(model, modelProperty, view, viewProperty, transform);
    const QMetaObject* bindingMeta = binding->metaObject();
    if (modelProperty.hasNotifySignal())
        QObject::connect(model, modelProperty.notifySignal(), binding,
                         bindingMeta->method(bindingMeta->indexOfSlot("modelChanged()")));
    if (isEditable(view) && viewProperty.hasNotifySignal() && modelProperty.isWritable())
        QObject::connect(view, viewProperty.notifySignal(), binding,
                         bindingMeta->method(bindingMeta->indexOfSlot("viewChanged()")));
    binding->modelChanged();
}

void connectAction(QObject* model, QObject* view, QStringList& errors)
{
    QString selector = view->property("action").toString();
    const QByteArray method = selector.section(u':', 0, 0).toUtf8();
    const QByteArray signature = method + "(QObject*)";
    if (model->metaObject()->indexOfMethod(signature.constData()) < 0) {
        errors << describe(view) + u" sends the unknown action " + selector;
        return;
    }
    auto invoke = [model, view, method] {
        QMetaObject::invokeMethod(model, method.constData(), Qt::DirectConnection, Q_ARG(QObject*, view));
    };
    if (auto* action = qobject_cast<QAction*>(view))
        QObject::connect(action, &QAction::triggered, model, invoke);
    else if (auto* button = qobject_cast<QAbstractButton*>(view))
        QObject::connect(button, &QAbstractButton::clicked, model, invoke);
    else if (auto* combo = qobject_cast<QComboBox*>(view))
        QObject::connect(combo, &QComboBox::activated, model, invoke);
    else
        errors << describe(view) + u" cannot send actions";
}

} // namespace

QStringList Binder::connect(QObject* model, const QList<QObject*>& roots)
{
    QStringList errors;
    for (QObject* root : roots) {
        QList<QObject*> objects = root->findChildren<QObject*>();
        objects.prepend(root);
        for (QObject* object : std::as_const(objects)) {
            if (object->property("bind").isValid())
                bind(model, object, errors);
            if (object->property("action").isValid())
                connectAction(model, object, errors);
        }
    }
    return errors;
}

} // namespace sleevelight

#include "binder.moc"
