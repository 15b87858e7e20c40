#include "discovery/AddDevWidget.h"
#include "sim/ActuatorSimControl.h"
#include "tests/support/SimJournal.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <atomic>

#ifdef __linux__
#include <dlfcn.h>

// Lets a test make scanDev report more handles than the capacity it was given.
namespace {
std::atomic<int> g_scanResult{-1000};
}

extern "C" int scanDev(int *handles, int capacity)
{
    using Fn = int (*)(int *, int);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "scanDev"));
    const int found = real ? real(handles, capacity) : -1;
    return g_scanResult != -1000 ? g_scanResult.load() : found;
}
#endif

namespace {

using simjournal::Journal;

QString Call(const char *name, int handle)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(handle);
}

QPushButton *DevButton(const AddDevWidget &dialog, int i)
{
    return dialog.findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i));
}

// Texts of the visible device buttons, in order.
QStringList Shown(const AddDevWidget &dialog)
{
    QStringList texts;
    for (int i = 0; i < 6; ++i) {
        if (!DevButton(dialog, i)->isHidden())
            texts << DevButton(dialog, i)->text();
    }
    return texts;
}

QList<int> CheckedHandles(const AddDevWidget &dialog)
{
    QList<int> handles;
    for (const DevInfo &info : dialog.GetCheckedDevs())
        handles << info.handle;
    return handles;
}

} // namespace

class TestAddDevWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstScanListsDevicesUnchecked();
    void noDeviceLeavesBlankInertButton();
    void failedProbesAreLeftOut_data();
    void failedProbesAreLeftOut();
    void atMostSixDevices();
    void scanResultAboveCapacity();
    void longSerialIsCut();
    void confirmOpensNewlyCheckedOnly();
    void rescanKeepsListedDevices();
    void unpluggedDeviceDisappears();
    void closeAppliesNothing();
    void uncheckAndRemove();
    void pendingChoicesSurviveALostDevice();
    void dragByTitleStrip_data();
    void dragByTitleStrip();

private:
    int m_h1 = 0;
    int m_h2 = 0;
};

void TestAddDevWidget::init()
{
    simReset();
    m_h1 = simAttach("ORV 100000000001", 3, 1);
    m_h2 = simAttach("ORV 100000000002", 1, 1);
    QVERIFY(m_h1 > 0 && m_h2 > 0);
}

void TestAddDevWidget::firstScanListsDevicesUnchecked()
{
    AddDevWidget dialog;
    QCOMPARE(Shown(dialog), (QStringList{"ORV 100000000001", "ORV 100000000002"}));
    QVERIFY(!DevButton(dialog, 0)->isChecked());
    QVERIFY(!DevButton(dialog, 1)->isChecked());
    QVERIFY(dialog.GetCheckedDevs().isEmpty());
    // Every probe is closed again; nothing is left open.
    QCOMPARE(Journal(), (QStringList{"scanDev(6)", Call("openDev", m_h1),
                                     QStringLiteral("readDriverSerial(%1, 33)").arg(m_h1),
                                     Call("closeDev", m_h1), Call("openDev", m_h2),
                                     QStringLiteral("readDriverSerial(%1, 33)").arg(m_h2),
                                     Call("closeDev", m_h2)}));
    QCOMPARE(isDevOpen(m_h1), 0);

    // The dialog shrinks to fit two buttons: 4 buttons of 40 px and their spacing less than six.
    const int twoHigh = dialog.height();
    for (int i = 0; i < 4; ++i)
        simAttach(qPrintable(QStringLiteral("ORV X%1").arg(i)), 1, 1);
    dialog.ScanDev();
    QCOMPARE(Shown(dialog).size(), 6);
    QCOMPARE(dialog.height() - twoHigh, 4 * (40 + 5));
}

void TestAddDevWidget::noDeviceLeavesBlankInertButton()
{
    simReset();
    AddDevWidget dialog;
    QCOMPARE(Shown(dialog), QStringList{QString()});
    QVERIFY(!DevButton(dialog, 0)->isCheckable());
    QTest::mouseClick(DevButton(dialog, 0), Qt::LeftButton);
    QVERIFY(!DevButton(dialog, 0)->isChecked());

    // A later device makes it a real toggle again.
    QVERIFY(simAttach("ORV 3", 1, 1) > 0);
    dialog.ScanDev();
    QCOMPARE(Shown(dialog), QStringList{"ORV 3"});
    QTest::mouseClick(DevButton(dialog, 0), Qt::LeftButton);
    QVERIFY(DevButton(dialog, 0)->isChecked());
}

void TestAddDevWidget::failedProbesAreLeftOut_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("firstProbe");
    QTest::newRow("open") << "openDev" << QStringList{"openDev(H)"};
    // The device opened is closed again although its serial is unknown.
    QTest::newRow("serial") << "readDriverSerial"
                            << QStringList{"openDev(H)", "readDriverSerial(H, 33)", "closeDev(H)"};
}

void TestAddDevWidget::failedProbesAreLeftOut()
{
    QFETCH(QString, failing);
    QFETCH(QStringList, firstProbe);
    simFailNext(qPrintable(failing), 1);
    AddDevWidget dialog;
    QCOMPARE(Shown(dialog), QStringList{"ORV 100000000002"});
    const QStringList journal = Journal();
    QCOMPARE(journal.mid(1, firstProbe.size()),
             firstProbe.replaceInStrings("H", QString::number(m_h1)));
    QCOMPARE(journal.at(1 + firstProbe.size()), Call("openDev", m_h2));
    QCOMPARE(isDevOpen(m_h1), 0);

    // The next scan probes it again.
    simJournalClear();
    dialog.ScanDev();
    QCOMPARE(Shown(dialog), (QStringList{"ORV 100000000002", "ORV 100000000001"}));
    QVERIFY(!Journal().contains(Call("openDev", m_h2)));
}

void TestAddDevWidget::atMostSixDevices()
{
    for (int i = 0; i < 6; ++i)
        simAttach(qPrintable(QStringLiteral("ORV Y%1").arg(i)), 1, 1);
    AddDevWidget dialog;
    QCOMPARE(Shown(dialog).size(), 6);
    QCOMPARE(Shown(dialog).first(), QStringLiteral("ORV 100000000001"));
}

void TestAddDevWidget::scanResultAboveCapacity()
{
#ifdef __linux__
    g_scanResult = 9;
    AddDevWidget dialog;
    g_scanResult = -1000;
    // Only the six slots the library could fill are read.
    QCOMPARE(Shown(dialog), (QStringList{"ORV 100000000001", "ORV 100000000002"}));
    QCOMPARE(Journal().filter("openDev").size(), 2);
#else
    QSKIP("needs symbol interposition");
#endif
}

void TestAddDevWidget::longSerialIsCut()
{
    simReset();
    simAttach("ORV 1234567890123456789012345678901234567890", 1, 1);
    AddDevWidget dialog;
    QCOMPARE(Shown(dialog), QStringList{"ORV 1234567890123456789012345678"});
}

void TestAddDevWidget::confirmOpensNewlyCheckedOnly()
{
    AddDevWidget dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    simJournalClear();
    QTest::mouseClick(DevButton(dialog, 1), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton *>("pbConfirm"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(Journal(), QStringList{Call("openDev", m_h2)});
    QCOMPARE(CheckedHandles(dialog), QList<int>{m_h2});
    const QList<DevInfo> checked = dialog.GetCheckedDevs();
    QCOMPARE(checked.first().serial, QStringLiteral("ORV 100000000002"));
    QVERIFY(checked.first().checked);

    // Confirming again without a change opens nothing.
    simJournalClear();
    dialog.SlotConfirm();
    QVERIFY(Journal().isEmpty());

    // Unchecking clears the flag without a library call.
    DevButton(dialog, 1)->setChecked(false);
    DevButton(dialog, 0)->setChecked(true);
    dialog.SlotConfirm();
    QCOMPARE(Journal(), QStringList{Call("openDev", m_h1)});
    QCOMPARE(CheckedHandles(dialog), QList<int>{m_h1});
}

void TestAddDevWidget::rescanKeepsListedDevices()
{
    AddDevWidget dialog;
    DevButton(dialog, 0)->setChecked(true);
    dialog.SlotConfirm();
    const int h3 = simAttach("ORV 100000000003", 1, 1);

    simJournalClear();
    dialog.ScanDev();
    QCOMPARE(Journal(), (QStringList{"scanDev(6)", Call("openDev", h3),
                                     QStringLiteral("readDriverSerial(%1, 33)").arg(h3),
                                     Call("closeDev", h3)}));
    QCOMPARE(Shown(dialog).size(), 3);
    QVERIFY(DevButton(dialog, 0)->isChecked());
    QVERIFY(!DevButton(dialog, 1)->isChecked());
    QCOMPARE(isDevOpen(m_h1), 1);
}

// Only a panel's worker may find its device lost: a scan that misses a
// device with a panel, or fails outright, closes no panel at the next
// confirmation. An unchecked device that is gone leaves the list.
void TestAddDevWidget::unpluggedDeviceDisappears()
{
    AddDevWidget dialog;
    DevButton(dialog, 0)->setChecked(true);
    dialog.SlotConfirm();
    simDetach(m_h1);
    simDetach(m_h2);
    dialog.ScanDev();
    QCOMPARE(Shown(dialog), QStringList{"ORV 100000000001"});
    QCOMPARE(CheckedHandles(dialog), QList<int>{m_h1});

    simReattach(m_h1);
    simReattach(m_h2);
    dialog.ScanDev();
    simFailNext("scanDev", 1);
    dialog.ScanDev();
    QCOMPARE(Shown(dialog), (QStringList{"ORV 100000000001", "ORV 100000000002"}));
    QCOMPARE(CheckedHandles(dialog), QList<int>{m_h1});
    QVERIFY(dialog.findChild<QLabel *>("lbNote")->text().contains("扫描失败"));
    dialog.ScanDev();
    QVERIFY(dialog.findChild<QLabel *>("lbNote")->text().isEmpty());
}

void TestAddDevWidget::closeAppliesNothing()
{
    AddDevWidget dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    simJournalClear();
    QTest::mouseClick(DevButton(dialog, 0), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton *>("pbClose"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QVERIFY(Journal().isEmpty());
    QVERIFY(dialog.GetCheckedDevs().isEmpty());
    // Reopening shows the confirmed state.
    dialog.ScanDev();
    QVERIFY(!DevButton(dialog, 0)->isChecked());
}

void TestAddDevWidget::uncheckAndRemove()
{
    AddDevWidget dialog;
    DevButton(dialog, 0)->setChecked(true);
    DevButton(dialog, 1)->setChecked(true);
    dialog.SlotConfirm();

    dialog.UncheckDev(m_h1);
    QVERIFY(!DevButton(dialog, 0)->isChecked());
    QCOMPARE(CheckedHandles(dialog), QList<int>{m_h2});
    QCOMPARE(Shown(dialog).size(), 2);

    dialog.RemoveDev(m_h2);
    QCOMPARE(Shown(dialog), QStringList{"ORV 100000000001"});
    QVERIFY(dialog.GetCheckedDevs().isEmpty());

    // Unknown handles change nothing.
    dialog.UncheckDev(9999);
    dialog.RemoveDev(9999);
    QCOMPARE(Shown(dialog), QStringList{"ORV 100000000001"});

    dialog.RemoveDev(m_h1);
    QCOMPARE(Shown(dialog), QStringList{QString()});
    QVERIFY(!DevButton(dialog, 0)->isCheckable());
}

void TestAddDevWidget::dragByTitleStrip_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("drags");
    // The strip is drawn 5 px inside the dialog, at (5, 5) to (284, 44).
    QTest::newRow("strip, left end") << QPoint(6, 6) << true;
    QTest::newRow("strip, bottom row") << QPoint(150, 44) << true;
    QTest::newRow("margin above the strip") << QPoint(150, 2) << false;
    QTest::newRow("below the strip") << QPoint(150, 47) << false;
}

void TestAddDevWidget::dragByTitleStrip()
{
    QFETCH(QPoint, press);
    QFETCH(bool, drags);
    AddDevWidget dialog;
    dialog.move(300, 200);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, press);
    QMouseEvent move(QEvent::MouseMove, press + QPoint(30, 20), dialog.mapToGlobal(press + QPoint(30, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &move);
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, press + QPoint(30, 20));
    QCOMPARE(dialog.pos(), drags ? start + QPoint(30, 20) : start);
}

// Another device lost while the operator is choosing keeps the choices
// not yet confirmed.
void TestAddDevWidget::pendingChoicesSurviveALostDevice()
{
    AddDevWidget dialog;
    DevButton(dialog, 0)->setChecked(true);
    dialog.SlotConfirm();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(DevButton(dialog, 1), Qt::LeftButton);
    dialog.RemoveDev(m_h1);
    QCOMPARE(Shown(dialog), QStringList{"ORV 100000000002"});
    QVERIFY(DevButton(dialog, 0)->isChecked());
    QVERIFY(dialog.GetCheckedDevs().isEmpty());
}

QTEST_MAIN(TestAddDevWidget)
#include "tst_adddevwidget.moc"
