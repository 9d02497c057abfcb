// The preferences panel's handlers. The check boxes and number fields edit the working copy
// through their bindings; the font pop-ups and the position buttons go through here.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/views/textfield.h"
#include "preferences/zivpreferences.h"

#include <QComboBox>
#include <QRadioButton>

namespace sleevelight {

namespace {

// Selects the item of that title. A stored name the list lacks (a face since removed, or a name
// from another system) is put first, so the panel shows what is stored instead of nothing.
void selectItemWithTitle(QComboBox* popup, const QString& title)
{
    if (popup == nullptr)
        return;
    int index = popup->findText(title, Qt::MatchExactly);
    if (index < 0) {
        popup->insertItem(0, title);
        index = 0;
    }
    popup->setCurrentIndex(index);
}

void restyleSample(TextField* sample, const QString& fontName)
{
    Utility::styleTextField(sample, {.font = fontName});
}

QString titleOfSelectedItem(const QComboBox* popup)
{
    return popup != nullptr ? popup->currentText() : QString();
}

} // namespace

void AppDelegate::openPreference(QObject*)
{
    mPreferenceView1->show();
    mPreferenceView2->hide();
    if (mPreferenceView3)
        mPreferenceView3->hide();
    getFromUserDefaults();
    setButtonFromPrefValue();
    mPreferencePanel->makeKeyAndOrderFront();
}

void AppDelegate::selectPreferenceView(QObject* sender)
{
    if (sender == nullptr)
        return;
    bool ok = false;
    const int tag = sender->property("tag").toInt(&ok);
    if (!ok)
        return;
    const QList<QPointer<QWidget>> pages = {mPreferenceView1, mPreferenceView2, mPreferenceView3};
    if (tag < 0 || tag >= pages.size())
        return;
    for (qsizetype page = 0; page < pages.size(); ++page)
        if (pages[page])
            pages[page]->setVisible(page == tag);
}

void AppDelegate::setPreferenceDone(QObject*)
{
    saveToUserDefaults();
    setViewFromPrefValue();
    changeViewFromPrefValueWithTimer(true);
    updateTrackInfo();
}

void AppDelegate::closePreferences(QObject*)
{
    getFromUserDefaults();
    mPreferencePanel->close();
}

void AppDelegate::closePreferencesObserver(QObject*)
{
    getFromUserDefaults();
}

void AppDelegate::namePopupSelectDone(QObject*)
{
    setPrefNameFont(titleOfSelectedItem(mNameFontPopup));
    restyleSample(mNameTextField, prefNameFont());
}

void AppDelegate::albumPopupSelectDone(QObject*)
{
    setPrefAlbumFont(titleOfSelectedItem(mAlbumFontPopup));
    restyleSample(mAlbumTextField, prefAlbumFont());
}

void AppDelegate::artistPopupSelectDone(QObject*)
{
    setPrefArtistFont(titleOfSelectedItem(mArtistFontPopup));
    restyleSample(mArtistTextField, prefArtistFont());
}

void AppDelegate::radioButtonChanged(QObject*)
{
    if (mArtworkRadioButtons.isEmpty())
        mArtworkRadioButtons = {mArtworkLeftRadioButton, mArtworkRightRadioButton, mArtworkToggleRadioButton};
    const ArtworkPositionMode modes[] = {ArtworkPositionMode::Left, ArtworkPositionMode::Right,
                                         ArtworkPositionMode::Toggle};
    for (int i = 0; i < 3; ++i) {
        if (mArtworkRadioButtons[i] && mArtworkRadioButtons[i]->isChecked()) {
            Preferences working = m_working;
            working.artworkPositionMode = modes[i];
            setWorkingPreferences(working);
            return;
        }
    }
}

void AppDelegate::setButtonFromPrefValue()
{
    selectItemWithTitle(mNameFontPopup, prefNameFont());
    selectItemWithTitle(mAlbumFontPopup, prefAlbumFont());
    selectItemWithTitle(mArtistFontPopup, prefArtistFont());

    if (mArtworkRadioButtons.isEmpty())
        mArtworkRadioButtons = {mArtworkLeftRadioButton, mArtworkRightRadioButton, mArtworkToggleRadioButton};
    // Indexed by the case's place (Left 0, Right 1, Toggle 2); the group turns the others off.
    const int index = int(m_working.artworkPositionMode) - 1;
    if (QRadioButton* button = mArtworkRadioButtons.value(index))
        button->setChecked(true);

    restyleSample(mNameTextField, prefNameFont());
    restyleSample(mAlbumTextField, prefAlbumFont());
    restyleSample(mArtistTextField, prefArtistFont());
    tellFeatures(&DisplayFeature::preferencePanelFilled);
}

} // namespace sleevelight
