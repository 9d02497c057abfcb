#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace sleevelight {

// Asks the user where to save a file, in a modal dialog.
class SavePanel
{
public:
    QString directory;            // where the dialog opens
    QString message;              // shown as the dialog's title
    QString nameFieldStringValue; // the proposed name
    QStringList allowedFileTypes; // extensions without the dot
    bool canCreateDirectories = false;
    bool allowsOtherFileTypes = true;

    // True when the user confirmed a choice.
    bool runModal(QWidget* parent);
    // The full path of the chosen file, and the folder it is in; empty before a confirmed choice.
    QString url() const { return m_chosen; }
    QString directoryURL() const;

    // Tests answer instead of a dialog: the chosen file path, or none for a cancelled dialog.
    // An empty function brings the dialog back.
    using Runner = std::function<std::optional<QString>(const SavePanel& panel)>;
    static void setRunner(Runner runner);

private:
    QString m_chosen;
};

} // namespace sleevelight
