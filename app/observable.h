#pragma once

// The accessors of the application object's observable properties; included by its header only.

// Getter and setter of an observable property kept in m_<name>; the setter notifies only on change.
#define SL_OBSERVABLE(Type, name, Setter)                                                                    \
    Type name() const                                                                                        \
    {                                                                                                        \
        return m_##name;                                                                                     \
    }                                                                                                        \
    void Setter(Type const& value)                                                                           \
    {                                                                                                        \
        if (m_##name == value)                                                                               \
            return;                                                                                          \
        m_##name = value;                                                                                    \
        Q_EMIT name##Changed();                                                                              \
    }

// A preference as two observable properties: pref<Name> is the working copy the panel edits,
// <field> the live value the display reads. Both keep their values in a `Preferences`.
#define SL_PREFERENCE(Type, field, Name)                                                                     \
    Type pref##Name() const                                                                                  \
    {                                                                                                        \
        return m_working.field;                                                                              \
    }                                                                                                        \
    void setPref##Name(Type const& value)                                                                    \
    {                                                                                                        \
        setPreference(QStringLiteral(#field), QVariant::fromValue(value));                                   \
    }                                                                                                        \
    Type field() const                                                                                       \
    {                                                                                                        \
        return m_live.field;                                                                                 \
    }                                                                                                        \
    void set##Name(Type const& value)                                                                        \
    {                                                                                                        \
        setLivePreference(QStringLiteral(#field), QVariant::fromValue(value));                               \
    }
