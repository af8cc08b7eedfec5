// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QVBoxLayout;

// The settings editor of "/c": heart count, wire-frame switch, and near and far
// distance each as a slider beside a spin box. The widgets are the dialog's
// only state; while the user edits, far stays at least 15 above near. "Ok"
// saves and closes, or where the file cannot be written says so and stays
// open; "Cancel", Escape and the close button only close.
class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    // fileName is kept, not copied: it must outlive the dialog.
    ConfigDialog(const char *fileName, QWidget *parent);

    // Set the widgets from the settings file of that name (clamped and
    // coupled as if typed), or write their values to it; see
    // settingslocation.h for where that file is. A file that cannot be read
    // leaves the widgets as they were; one that cannot be written is left
    // intact, the reason is shown in the dialog, and false is returned.
    void loadSettings(const char *fileName);
    bool saveSettings(const char *fileName);

protected slots:
    void adjustNearSlider(int value);
    void adjustFarSlider(int value);
    void applyChanges();
    void cancelChanges();

private:
    const char *fileName;
    // Created without a parent; setLayout hands all of them to the dialog,
    // whose destructor frees them once each.
    QVBoxLayout *mainLayout;
    QHBoxLayout *buttonLayout;
    QHBoxLayout *heartsLayout;
    QGridLayout *distanceLayout;
    QCheckBox *frameCheckBox;
    QPushButton *okButton;
    QPushButton *cancelButton;
    QSpinBox *heartCountSpinBox;
    QSpinBox *nearSpinBox;
    QSpinBox *farSpinBox;
    QSlider *nearSlider;
    QSlider *farSlider;
    QLabel *saveFailure; // hidden until a save fails
};
