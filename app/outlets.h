#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>

#include <optional>

class QComboBox;
class QObject;
class QPushButton;
class QRadioButton;
class QSlider;
class QTableWidget;
class QWidget;

namespace sleevelight {

class FrameView;
class ImageView;
class MainWindow;
class Panel;
class ProgressBar;
class StackView;
class TextField;
class TitleButton;
class ZivPreferences;

// The application object's outlets: views the interface files make and own, each found by its
// name (app/appdelegate.cpp connects them).
struct AppOutlets
{
    QPointer<MainWindow> mWindow;
    QPointer<FrameView> mView;
    QPointer<ImageView> mArtworkView;
    QPointer<ImageView> mVinylView;
    QPointer<QSlider> mSound;
    QPointer<StackView> mTrackStackViewRight, mTrackStackViewLeft, mTrackStackViewWide;
    QPointer<StackView> mTrackStackAlbumNumbersRatingsRight, mTrackStackAlbumNumbersRatingsLeft;
    QPointer<StackView> mTrackStackNumbersRatingsRight, mTrackStackNumbersRatingsLeft;
    QPointer<StackView> mTrackStackRatingsRight, mTrackStackRatingsLeft;
    QPointer<StackView> mTrackStackProgressRight, mTrackStackProgressLeft, mTrackStackProgressWide;
    QPointer<TextField> mAlertInfo;
    QPointer<TextField> mTrackName, mTrackAlbum, mTrackNumbers, mTrackArtist;
    QPointer<ProgressBar> mSlider;
    QPointer<TextField> mTrackProgressDuration, mTrackProgressElapsed;
    QPointer<TextField> mTrackName2, mTrackAlbum2, mTrackNumbers2, mTrackArtist2;
    QPointer<ProgressBar> mSlider2;
    QPointer<TextField> mTrackProgressDuration2, mTrackProgressElapsed2;
    QPointer<TextField> mTrackName3, mTrackAlbum3, mTrackNumbers3, mTrackArtist3;
    QPointer<ProgressBar> mSlider3;
    QPointer<TextField> mTrackProgressDuration3, mTrackProgressElapsed3;
    QPointer<TitleButton> mTrackLovedRight, mTrackRatingR1, mTrackRatingR2, mTrackRatingR3, mTrackRatingR4,
        mTrackRatingR5;
    QPointer<TitleButton> mTrackLovedLeft, mTrackRatingL1, mTrackRatingL2, mTrackRatingL3, mTrackRatingL4,
        mTrackRatingL5;
    QPointer<ZivPreferences> mPreferencePanel;
    QPointer<QWidget> mPreferenceView, mPreferenceView1, mPreferenceView2, mPreferenceView3;
    QPointer<QTableWidget> mPlayersList;
    QPointer<TextField> mNameTextField, mAlbumTextField, mArtistTextField;
    QPointer<QComboBox> mNameFontPopup, mAlbumFontPopup, mArtistFontPopup;
    QPointer<QRadioButton> mArtworkLeftRadioButton, mArtworkRightRadioButton, mArtworkToggleRadioButton;
    QPointer<Panel> mCheckForUpdatePanel;
    QPointer<TextField> mUpdateDescription;
    QPointer<QPushButton> mUpdateDownload, mUpdateDone;

    // Connects every outlet to the view of its name under `roots`; returns the names not found.
    QStringList connectOutlets(const QList<QObject*>& roots);

    // ---- Plain collections of views ----
    std::optional<QList<QPointer<TitleButton>>> mTrackRatingRight;
    std::optional<QList<QPointer<TitleButton>>> mTrackRatingLeft;
    QList<QPointer<QRadioButton>> mArtworkRadioButtons; // built on first use
};

} // namespace sleevelight
