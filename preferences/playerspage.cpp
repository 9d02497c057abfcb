#include "preferences/playerspage.h"

#include "app/appdelegate.h"
#include "player/itunesbridgeprotocol.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

using namespace Qt::StringLiterals;

namespace sleevelight {

void PlayersPage::preferencePanelFilled()
{
    fillPlayersList();
    fillServers();
}

void PlayersPage::fillServers()
{
    if (!app.mPreferenceView3)
        return;
    auto* servers = app.mPreferenceView3->findChild<QLineEdit*>(u"mpdServersField"_s);
    auto* folder = app.mPreferenceView3->findChild<QLineEdit*>(u"mpdMusicFolderField"_s);
    if (servers == nullptr || folder == nullptr)
        return;
    const QSignalBlocker quietServers(servers);
    const QSignalBlocker quietFolder(folder);
    servers->setText(app.workingPreferences().mpdServers.join(u", "_s));
    folder->setText(app.workingPreferences().mpdMusicFolder);
    // Wired once: the page is filled each time the panel opens.
    if (servers->property("wired").toBool())
        return;
    servers->setProperty("wired", true);
    connect(servers, &QLineEdit::textEdited, this, [this](const QString& text) {
        Preferences working = app.workingPreferences();
        working.mpdServers.clear();
        for (const QString& entry : text.split(u',', Qt::SkipEmptyParts))
            if (!entry.trimmed().isEmpty())
                working.mpdServers << entry.trimmed();
        app.setWorkingPreferences(working);
    });
    connect(folder, &QLineEdit::textEdited, this, [this](const QString& text) {
        Preferences working = app.workingPreferences();
        working.mpdMusicFolder = text.trimmed();
        app.setWorkingPreferences(working);
    });
}

void PlayersPage::fillPlayersList()
{
    if (!app.mPlayersList)
        return;
    QStringList names = app.iTunesBridge->playerNames();
    for (const QString& named :
         app.workingPreferences().preferredPlayers + app.workingPreferences().ignoredPlayers)
        if (!names.contains(named, Qt::CaseInsensitive))
            names << named;
    app.mPlayersList->clearContents();
    app.mPlayersList->setColumnCount(2);
    app.mPlayersList->setRowCount(int(names.size()));
    app.mPlayersList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int row = 0; row < names.size(); ++row) {
        auto* name = new QTableWidgetItem(names[row]);
        name->setFlags(Qt::ItemIsEnabled);
        app.mPlayersList->setItem(row, 0, name);
        auto* choice = new QComboBox;
        choice->addItems(playerChoiceTexts);
        choice->setCurrentIndex(
            app.workingPreferences().preferredPlayers.contains(names[row], Qt::CaseInsensitive) ? 1
            : app.workingPreferences().ignoredPlayers.contains(names[row], Qt::CaseInsensitive) ? 2
                                                                                                : 0);
        connect(choice, &QComboBox::currentIndexChanged, this, &PlayersPage::playersListChanged);
        app.mPlayersList->setCellWidget(row, 1, choice);
    }
}

void PlayersPage::playersListChanged()
{
    Preferences working = app.workingPreferences();
    QStringList preferred;
    working.ignoredPlayers.clear();
    for (int row = 0; row < app.mPlayersList->rowCount(); ++row) {
        const QString name = app.mPlayersList->item(row, 0)->text();
        const int choice = static_cast<QComboBox*>(app.mPlayersList->cellWidget(row, 1))->currentIndex();
        if (choice == 1)
            preferred << name;
        else if (choice == 2)
            working.ignoredPlayers << name;
    }
    // Those preferred before keep their order; the ones added come after them.
    QStringList ordered;
    for (const QString& name : std::as_const(app.workingPreferences().preferredPlayers))
        if (preferred.contains(name, Qt::CaseInsensitive))
            ordered << name;
    for (const QString& name : std::as_const(preferred))
        if (!ordered.contains(name, Qt::CaseInsensitive))
            ordered << name;
    working.preferredPlayers = ordered;
    app.setWorkingPreferences(working);
}

} // namespace sleevelight
