#include "platform/savepanel.h"

#include <QFileDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {
SavePanel::Runner& runner()
{
    static SavePanel::Runner function;
    return function;
}
} // namespace

bool SavePanel::runModal(QWidget* parent)
{
    m_chosen.clear();
    if (runner()) {
        const std::optional<QString> chosen = runner()(*this);
        if (!chosen)
            return false;
        m_chosen = *chosen;
        return true;
    }

    QFileDialog dialog(parent, message, directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, !canCreateDirectories);
    QStringList filters;
    if (!allowedFileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString& type : allowedFileTypes)
            patterns << u"*."_s + type;
        filters << patterns.join(u' ');
        dialog.setDefaultSuffix(allowedFileTypes.first());
    }
    if (allowsOtherFileTypes || filters.isEmpty())
        filters << u"*"_s;
    dialog.setNameFilters(filters);
    dialog.selectFile(nameFieldStringValue);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_chosen = dialog.selectedFiles().value(0);
    return true;
}

QString SavePanel::directoryURL() const
{
    if (m_chosen.isEmpty())
        return {};
    return QFileInfo(m_chosen).absolutePath();
}

void SavePanel::setRunner(Runner function)
{
    runner() = std::move(function);
}

} // namespace sleevelight
