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

#include <functional>

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

// One declared binding; lives as long as the view. The model side is a property of the model, or
// one entry of its keyed values.
class Binding : public QObject
{
    Q_OBJECT

public:
    using Read = std::function<QVariant()>;
    using Write = std::function<void(const QVariant&)>;

    Binding(Read readModel, Write writeModel, QObject* view, QMetaProperty viewProperty,
            ValueTransformers::Transform transform)
        : QObject(view), m_readModel(std::move(readModel)), m_writeModel(std::move(writeModel)), m_view(view),
          m_viewProperty(viewProperty), m_transform(std::move(transform))
    {}

    QString key;

public Q_SLOTS:
    void modelChanged()
    {
        QVariant value = m_readModel();
        if (m_transform)
            value = m_transform(value);
        if (m_viewProperty.read(m_view) == value)
            return;
        m_updatingView = true;
        m_viewProperty.write(m_view, value);
        m_updatingView = false;
    }

    void keyChanged(const QString& changed)
    {
        if (changed == key)
            modelChanged();
    }

    void viewChanged()
    {
        if (m_updatingView || m_transform || !m_writeModel)
            return;
        m_writeModel(m_viewProperty.read(m_view));
    }

private:
    Read m_readModel;
    Write m_writeModel;
    QObject* m_view;
    QMetaProperty m_viewProperty;
    ValueTransformers::Transform m_transform;
    bool m_updatingView = false;
};

QString describe(QObject* view)
{
    return QString::fromLatin1(view->metaObject()->className()) + u" \"" + view->objectName() + u'"';
}

// "preference:<key>" binds to the model's keyed values: preference(key), setPreference(key, value)
// and the signal preferenceChanged(key), so that a value needs no property of its own.
constexpr QLatin1StringView keyedPrefix("preference:");

void bind(QObject* model, QObject* view, QStringList& errors)
{
    const QString bound = view->property("bind").toString();
    const QMetaObject* modelMeta = model->metaObject();
    const bool keyed = bound.startsWith(keyedPrefix);
    const QByteArray name = bound.toUtf8();
    const int modelIndex = keyed ? -1 : modelMeta->indexOfProperty(name.constData());
    const int changedIndex = modelMeta->indexOfSignal("preferenceChanged(QString)");
    if (keyed ? changedIndex < 0 || modelMeta->indexOfMethod("preference(QString)") < 0 : modelIndex < 0) {
        errors << describe(view) + u" is bound to the unknown property " + bound;
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
    const QMetaProperty viewProperty = view->metaObject()->property(viewIndex);
    Binding::Read read;
    Binding::Write write;
    QMetaMethod changed;
    const QString key = bound.mid(keyedPrefix.size());
    if (keyed) {
        read = [model, key] {
            QVariant value;
            QMetaObject::invokeMethod(model, "preference", Qt::DirectConnection,
                                      Q_RETURN_ARG(QVariant, value), Q_ARG(QString, key));
            return value;
        };
        write = [model, key](const QVariant& value) {
            QMetaObject::invokeMethod(model, "setPreference", Qt::DirectConnection, Q_ARG(QString, key),
                                      Q_ARG(QVariant, value));
        };
        changed = modelMeta->method(changedIndex);
    } else {
        const QMetaProperty modelProperty = modelMeta->property(modelIndex);
        read = [model, modelProperty] {
            return modelProperty.read(model);
        };
        if (modelProperty.isWritable())
            write = [model, modelProperty](const QVariant& value) {
                modelProperty.write(model, value);
            };
        changed = modelProperty.notifySignal();
    }
    auto* binding = new Binding(read, write, view, viewProperty, transform);
    binding->key = key;
    const QMetaObject* bindingMeta = binding->metaObject();
    if (changed.isValid())
        QObject::connect(
            model, changed, binding,
            bindingMeta->method(bindingMeta->indexOfSlot(keyed ? "keyChanged(QString)" : "modelChanged()")));
    if (isEditable(view) && viewProperty.hasNotifySignal() && write)
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
