// SPDX-License-Identifier: MIT
#include "configdialog.h"

#include "heartsettings.h"
#include "settingsfile.h"
#include "settingslocation.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace SettingsLimits;

ConfigDialog::ConfigDialog(const char *fileName, QWidget *parent)
    : QDialog(parent, Qt::WindowFlags())
    , fileName(fileName)
{
    setWindowTitle(QStringLiteral("Configuration"));

    mainLayout = new QVBoxLayout;
    buttonLayout = new QHBoxLayout;
    heartsLayout = new QHBoxLayout;
    distanceLayout = new QGridLayout;

    okButton = new QPushButton(QStringLiteral("Ok"));
    connect(okButton, SIGNAL(clicked()), this, SLOT(applyChanges()));
    cancelButton = new QPushButton(QStringLiteral("Cancel"));
    connect(cancelButton, SIGNAL(clicked()), this, SLOT(cancelChanges()));

    frameCheckBox = new QCheckBox;
    frameCheckBox->setChecked(false);

    const HeartSettings defaults;
    heartCountSpinBox = new QSpinBox;
    heartCountSpinBox->setRange(minHeartCount, maxHeartCount);
    heartCountSpinBox->setSingleStep(1);
    heartCountSpinBox->setValue(defaults.heartCount);

    // Each initial value is set before its connection, so no slot runs until
    // loadSettings.
    nearSpinBox = new QSpinBox;
    nearSpinBox->setRange(minNearDistance, maxNearDistance);
    nearSpinBox->setSingleStep(1);
    nearSpinBox->setValue(defaults.nearDistance);
    connect(nearSpinBox, SIGNAL(valueChanged(int)), this, SLOT(adjustNearSlider(int)));

    farSpinBox = new QSpinBox;
    farSpinBox->setRange(minFarDistance, maxFarDistance);
    farSpinBox->setSingleStep(1);
    farSpinBox->setValue(defaults.farDistance);
    connect(farSpinBox, SIGNAL(valueChanged(int)), this, SLOT(adjustFarSlider(int)));

    nearSlider = new QSlider;
    nearSlider->setRange(minNearDistance, maxNearDistance);
    nearSlider->setValue(defaults.nearDistance);
    nearSlider->setSingleStep(1);
    nearSlider->setOrientation(Qt::Horizontal);
    connect(nearSlider, SIGNAL(valueChanged(int)), this, SLOT(adjustNearSlider(int)));

    farSlider = new QSlider;
    farSlider->setRange(minFarDistance, maxFarDistance);
    farSlider->setValue(defaults.farDistance);
    farSlider->setSingleStep(1);
    farSlider->setOrientation(Qt::Horizontal);
    connect(farSlider, SIGNAL(valueChanged(int)), this, SLOT(adjustFarSlider(int)));

    heartsLayout->addWidget(new QLabel(QStringLiteral("Number of Hearts:")));
    heartsLayout->addWidget(heartCountSpinBox);
    heartsLayout->addWidget(new QLabel(QStringLiteral("Show Frame:")));
    heartsLayout->addWidget(frameCheckBox);

    distanceLayout->addWidget(new QLabel(QStringLiteral("Near Distance:")), 0, 0);
    distanceLayout->addWidget(nearSlider, 0, 1);
    distanceLayout->addWidget(nearSpinBox, 0, 2);
    distanceLayout->addWidget(new QLabel(QStringLiteral("Far Distance:")), 1, 0);
    distanceLayout->addWidget(farSlider, 1, 1);
    distanceLayout->addWidget(farSpinBox, 1, 2);

    buttonLayout->addWidget(okButton);
    buttonLayout->addWidget(cancelButton);

    saveFailure = new QLabel;
    saveFailure->setWordWrap(true);
    saveFailure->hide();

    mainLayout->addLayout(heartsLayout);
    mainLayout->addLayout(distanceLayout);
    mainLayout->addLayout(buttonLayout);
    mainLayout->addWidget(saveFailure);
    setLayout(mainLayout);

    loadSettings(fileName);
}

void ConfigDialog::loadSettings(const char *fileName)
{
    // A short file leaves the fields it does not cover as the widgets show them.
    HeartSettings s;
    s.heartCount = heartCountSpinBox->value();
    s.showFrame = frameCheckBox->isChecked();
    s.nearDistance = nearSlider->value();
    s.farDistance = farSlider->value();
    if (!readSettingsFile(settingsFileToRead(fileName), s))
        return;

    // Through the ordinary setters, signals on: the ranges clamp and the
    // coupling slots correct the gap exactly as withinLimits does for the view.
    heartCountSpinBox->setValue(s.heartCount);
    frameCheckBox->setChecked(s.showFrame);
    nearSlider->setValue(s.nearDistance);
    nearSpinBox->setValue(s.nearDistance);
    farSlider->setValue(s.farDistance);
    farSpinBox->setValue(s.farDistance);
}

bool ConfigDialog::saveSettings(const char *fileName)
{
    HeartSettings s;
    s.heartCount = heartCountSpinBox->value();
    s.showFrame = frameCheckBox->isChecked();
    // The sliders, which the coupling slots keep equal to the spin boxes.
    s.nearDistance = nearSlider->value();
    s.farDistance = farSlider->value();
    // Each file tried, with why it could not be written.
    QStringList failures;
    for (const QString &target : settingsFilesToSave(fileName)) {
        QString why;
        // The user's own settings folder may not exist yet.
        if (!QDir().mkpath(QFileInfo(target).path()))
            why = qt_error_string(); // the system's last error, from making it
        else if (writeSettingsFile(target, s, &why))
            return true;
        if (why.endsWith('.'))
            why.chop(1);
        failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fullPathOf(target)), why);
    }
    saveFailure->setText(QStringLiteral("The settings could not be saved to %1.")
                             .arg(failures.join(QStringLiteral(", nor to "))));
    saveFailure->show();
    // Tall enough for the sentence, however it wraps.
    layout()->activate();
    resize(width(), qMax(height(), heightForWidth(width())));
    return false;
}

// The setters below re-enter these slots through valueChanged; each nesting
// ends as soon as a setter finds its value unchanged. The comparisons include
// equality, which at exactly the gap only sets a value to itself.
void ConfigDialog::adjustNearSlider(int value)
{
    if (value + distanceGap >= farSlider->value()) {
        farSlider->setValue(value + distanceGap);
        farSpinBox->setValue(value + distanceGap);
    }
    nearSlider->setValue(value);
    nearSpinBox->setValue(value);
    repaint();
}

void ConfigDialog::adjustFarSlider(int value)
{
    if (value - distanceGap <= nearSlider->value()) {
        nearSlider->setValue(value - distanceGap);
        nearSpinBox->setValue(value - distanceGap);
    }
    farSlider->setValue(value);
    farSpinBox->setValue(value);
    repaint();
}

void ConfigDialog::applyChanges()
{
    // Closing after a failed save would lose the user's changes unseen.
    if (saveSettings(fileName))
        done(0);
}

void ConfigDialog::cancelChanges()
{
    reject();
}
