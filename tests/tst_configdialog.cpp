// SPDX-License-Identifier: MIT
// The configuration dialog's real widgets, driven as a user drives them, and
// its agreement with the view on what a settings file means.
#include "config/configdialog.h"
#include "testsupport.h"
#include "view/myglwidget.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Widgets
{
    QSpinBox *count, *nearSpin, *farSpin;
    QCheckBox *frame;
    QSlider *nearSlider, *farSlider;
    QPushButton *ok, *cancel;
    QLabel *saveFailure;
};

template <class T>
T *at(QLayout *layout, int index)
{
    QLayoutItem *item = layout ? layout->itemAt(index) : nullptr;
    return qobject_cast<T *>(item ? item->widget() : nullptr);
}

template <class T>
T *at(QLayout *layout, int row, int column)
{
    auto *grid = qobject_cast<QGridLayout *>(layout);
    QLayoutItem *item = grid ? grid->itemAtPosition(row, column) : nullptr;
    return qobject_cast<T *>(item ? item->widget() : nullptr);
}

QString label(QLabel *l)
{
    return l ? l->text() : QString();
}

// Finds the widgets through the layout, checking its order and texts on the way.
bool find(QDialog &dialog, Widgets &w)
{
    QLayout *main = dialog.layout();
    if (dialog.windowTitle() != "Configuration" || !qobject_cast<QVBoxLayout *>(main)
        || main->count() != 4)
        return false;
    QLayout *hearts = main->itemAt(0)->layout(), *grid = main->itemAt(1)->layout(),
            *buttons = main->itemAt(2)->layout();
    w = {at<QSpinBox>(hearts, 1), at<QSpinBox>(grid, 0, 2), at<QSpinBox>(grid, 1, 2),
         at<QCheckBox>(hearts, 3), at<QSlider>(grid, 0, 1), at<QSlider>(grid, 1, 1),
         at<QPushButton>(buttons, 0), at<QPushButton>(buttons, 1), at<QLabel>(main, 3)};
    return label(at<QLabel>(hearts, 0)) == "Number of Hearts:"
        && label(at<QLabel>(hearts, 2)) == "Show Frame:"
        && label(at<QLabel>(grid, 0, 0)) == "Near Distance:"
        && label(at<QLabel>(grid, 1, 0)) == "Far Distance:" && w.count && w.nearSpin
        && w.farSpin && w.frame && w.frame->text().isEmpty() && w.nearSlider && w.farSlider
        && w.ok && w.ok->text() == "Ok" && w.cancel && w.cancel->text() == "Cancel" && w.saveFailure
        && w.saveFailure->isHidden();
}

// What the dialog shows, as "count frame near far"; it also insists that each
// slider agrees with its spin box.
QString shown(const Widgets &w)
{
    if (w.nearSlider->value() != w.nearSpin->value() || w.farSlider->value() != w.farSpin->value())
        return "slider and spin box disagree";
    return QString("%1 %2 %3 %4")
        .arg(w.count->value()).arg(w.frame->isChecked()).arg(w.nearSpin->value()).arg(w.farSpin->value());
}

QByteArray bytes(int count, int flag, int nearD, int farD)
{
    QByteArray b = encoded(HeartSettings{count, false, nearD, farD});
    b[4] = char(flag);
    return b;
}

} // namespace

class TestConfigDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void coupling_data();
    void coupling();
    void loadingThenOk_data();
    void loadingThenOk();
    void dialogAndViewAgree();
    void closingKeepsTheFile_data();
    void closingKeepsTheFile();
    void okWithoutTemporaryFile_data();
    void okWithoutTemporaryFile();

private:
    QTemporaryDir dir;
    QByteArray fileName;
};

void TestConfigDialog::init()
{
    QVERIFY(dir.isValid());
    fileName = QFile::encodeName(dir.filePath("KestaConfig.dat"));
    QFile::remove(fileName);
}

// From near 10 and far 100, either typed over a spin box's selected text or
// one key on a slider.
void TestConfigDialog::coupling_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("near 90 pushes far") << "nearSpin" << "90" << 0 << "80 0 90 105";
    QTest::newRow("near 85 leaves far") << "nearSpin" << "85" << 0 << "80 0 85 100";
    QTest::newRow("near 86 pushes far") << "nearSpin" << "86" << 0 << "80 0 86 101";
    QTest::newRow("far 24 pulls near") << "farSpin" << "24" << 0 << "80 0 9 24";
    QTest::newRow("far 25 leaves near") << "farSpin" << "25" << 0 << "80 0 10 25";
    QTest::newRow("far 16") << "farSpin" << "16" << 0 << "80 0 1 16";
    QTest::newRow("near 999 stops at 99") << "nearSpin" << "999" << 0 << "80 0 99 114";
    QTest::newRow("near slider End") << "nearSlider" << "" << int(Qt::Key_End) << "80 0 985 1000";
    QTest::newRow("near slider PageUp") << "nearSlider" << "" << int(Qt::Key_PageUp) << "80 0 20 100";
    QTest::newRow("far slider Home") << "farSlider" << "" << int(Qt::Key_Home) << "80 0 1 16";
    QTest::newRow("far slider Right") << "farSlider" << "" << int(Qt::Key_Right) << "80 0 10 101";
}

void TestConfigDialog::coupling()
{
    QFETCH(QString, target);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, expected);

    ConfigDialog dialog(fileName.constData(), nullptr);
    Widgets w;
    QVERIFY(find(dialog, w));
    QCOMPARE(shown(w), QString("80 0 10 100"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QWidget *input = target == "nearSpin" ? static_cast<QWidget *>(w.nearSpin)
                   : target == "farSpin"  ? static_cast<QWidget *>(w.farSpin)
                   : target == "nearSlider" ? static_cast<QWidget *>(w.nearSlider)
                                            : static_cast<QWidget *>(w.farSlider);
    if (key) {
        QTest::keyClick(input, Qt::Key(key));
    } else {
        QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(input, typed);
    }
    QCOMPARE(shown(w), expected);
}

// What a file opens as, and the next "Ok" writes exactly that, as 16 bytes,
// even when nothing was changed.
void TestConfigDialog::loadingThenOk_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no file") << QByteArray() << "80 0 10 100";
    QTest::newRow("near 900, far 100") << bytes(80, 0, 900, 100) << "80 0 85 100";
    QTest::newRow("near 5, far 3") << bytes(80, 0, 5, 3) << "80 0 1 16";
    QTest::newRow("count 0") << bytes(0, 0, 10, 100) << "1 0 10 100";
    QTest::newRow("count 9999, flag 2") << bytes(9999, 2, 10, 100) << "5000 1 10 100";
    QTest::newRow("beyond both ends") << bytes(-5, 1, 2000, 3000) << "1 1 985 1000";
    QTest::newRow("5 bytes") << bytes(7, 1, 30, 400).left(5) << "7 1 10 100";
    QTest::newRow("longer") << bytes(7, 1, 30, 400) + bytes(9, 0, 90, 900) << "7 1 30 400";
}

void TestConfigDialog::loadingThenOk()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);

    if (!file.isEmpty())
        QVERIFY(put(fileName, file));
    ConfigDialog dialog(fileName.constData(), nullptr);
    Widgets w;
    QVERIFY(find(dialog, w));
    QCOMPARE(shown(w), expected);
    QCOMPARE(QFile::exists(fileName), !file.isEmpty()); // opening creates nothing

    QTest::mouseClick(w.ok, Qt::LeftButton);
    const QStringList v = expected.split(' ');
    QCOMPARE(contents(fileName).toHex(),
             bytes(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()).toHex());
}

// For many random files the dialog shows what withinLimits makes of the
// decoded bytes, and the view takes exactly the same.
void TestConfigDialog::dialogAndViewAgree()
{
    QRandomGenerator random(20240214);
    auto field = [&random]() -> qint32 {
        // Half near the ranges, where the clamps and the gap decide; half anywhere.
        return random.bounded(2) ? random.bounded(-20, 1100) : qint32(random.generate());
    };
    for (int round = 0; round < 300; ++round) {
        QByteArray file = bytes(field(), 0, field(), field());
        for (int i = 4; i < 8; ++i)
            file[i] = char(random.bounded(2) ? 0 : random.bounded(256));
        QVERIFY(put(fileName, file));
        const QString expected = describe(withinLimits(
            decodeSettings(reinterpret_cast<const unsigned char *>(file.constData()), 16, {})));

        ConfigDialog dialog(fileName.constData(), nullptr);
        Widgets w;
        QVERIFY(find(dialog, w));
        MyGLWidget view(false);
        view.loadSettings(fileName.constData());
        QVERIFY2(shown(w) == expected && describe(view.settings()) == expected,
                 qPrintable(file.toHex() + ": dialog " + shown(w) + ", view " + describe(view.settings())
                            + ", expected " + expected));
    }
}

void TestConfigDialog::closingKeepsTheFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("withFile");
    QTest::newRow("Cancel") << "cancel" << true;
    QTest::newRow("Escape") << "escape" << true;
    QTest::newRow("Escape, no file") << "escape" << false;
    QTest::newRow("close") << "close" << true;
}

// Edited first, so that any saving would show.
void TestConfigDialog::closingKeepsTheFile()
{
    QFETCH(QString, how);
    QFETCH(bool, withFile);

    const QByteArray before = bytes(7, 1, 30, 400) + "tail";
    if (withFile)
        QVERIFY(put(fileName, before));
    ConfigDialog dialog(fileName.constData(), nullptr);
    Widgets w;
    QVERIFY(find(dialog, w));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    w.frame->click();

    if (how == "cancel")
        QTest::mouseClick(w.cancel, Qt::LeftButton);
    else if (how == "escape")
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else
        dialog.close(); // the close event the window manager's button sends

    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(contents(fileName), withFile ? before : QByteArray("<unreadable>"));
}

void TestConfigDialog::okWithoutTemporaryFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("saved"); // where, or nothing: the save failed
    QTest::addColumn<QString>("told"); // the file a failed save names first
    const QString own = "config/tst_configdialog/";
    // No temporary file can be made there, but the file itself is writable.
    QTest::newRow("read-only folder") << "readonly" << "KestaConfig.dat" << QString();
    // Nor is the file, nor the user's own settings folder.
    QTest::newRow("read-only folder and file") << "readonly both" << QString() << own + "KestaConfig.dat";
    // Fails beside the file for root too: the name fits, a temporary name
    // beside it does not. In the user's own folder the name is new.
    QTest::newRow("no room for a temporary name") << "longname" << own + QString(250, 'k') << QString();
}

// Saved and closed; or the dialog stays open and says which file could not
// be written and why, the old file whole, until "Cancel".
void TestConfigDialog::okWithoutTemporaryFile()
{
    QFETCH(QString, folder);
    QFETCH(QString, saved);
    QFETCH(QString, told);

    QTemporaryDir here;
    AsOrdinaryUser user(here.path());
    QVERIFY2(user.ok(), "root could not become nobody");
    const QString name = here.filePath(folder == "longname" ? QString(250, 'k') : "KestaConfig.dat");
    const QByteArray before = bytes(80, 0, 10, 100) + "tail";
    QVERIFY(put(name, before));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(here.filePath("config")));
    const QByteArray fileName = QFile::encodeName(name); // the dialog keeps the pointer
    ConfigDialog dialog(fileName.constData(), nullptr);
    Widgets w;
    QVERIFY(find(dialog, w));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    w.frame->click();

    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (folder.startsWith("readonly")) {
        if (folder == "readonly both")
            QVERIFY(QFile::setPermissions(name, QFileDevice::ReadOwner));
        QVERIFY(QFile::setPermissions(here.path(), all & ~QFileDevice::WriteOwner));
        const bool probed = put(here.filePath("probe"), "x");
        QFile::remove(here.filePath("probe"));
        QVERIFY2(!probed, "permission bits are not enforced for this user");
    }
    QTest::mouseClick(w.ok, Qt::LeftButton);
    QFile::setPermissions(here.path(), all);

    QCOMPARE(dialog.isVisible(), saved.isEmpty());
    QCOMPARE(contents(name), saved == "KestaConfig.dat" ? bytes(80, 1, 10, 100) : before);
    if (!saved.isEmpty())
        QCOMPARE(contents(here.filePath(saved)), bytes(80, 1, 10, 100));
    QCOMPARE(QDir(here.path()).entryList(QDir::Files).size(), 1);
    if (!told.isEmpty()) {
        QVERIFY(w.saveFailure->isVisible());
        const QRegularExpression sentence("^The settings could not be saved to " + QRegularExpression::escape(here.filePath(told)) + ": \\w.*\\.$");
        QVERIFY2(sentence.match(w.saveFailure->text()).hasMatch(), qPrintable(w.saveFailure->text()));
        QTest::mouseClick(w.cancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }
}

QTEST_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
