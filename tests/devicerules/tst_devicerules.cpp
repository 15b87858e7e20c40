// Which devices the add-device dialog lists, which panels the operator gets
// and who may drive a device: the dialog alone, then with the whole program.
#include "config/DevConfig.h"
#include "device/DeviceOwners.h"
#include "tests/support/AppHarness.h"

#include <QLabel>
#include <QLayout>

using namespace harness;
using simjournal::Call;
using simjournal::Journal;

class TestDeviceRules : public QObject
{
    Q_OBJECT

    App app;
    MainWidget *Main() { return app.window.get(); }
    int H(int i) const { return app.handles.at(i); }
    // The menu bar's tabs from left to right, by handle; 0 for the add button.
    QList<int> Tabs()
    {
        QList<int> tabs;
        QLayout *bar = Main()->findChild<QWidget *>("wgMenuBar")->layout();
        for (int i = 0; i < bar->count() - 1; ++i) // the last is the spacer
            tabs << bar->itemAt(i)->widget()->objectName().mid(5).toInt();
        return tabs;
    }

    // The dialog's listed device buttons in order, "+" marking a checked one.
    static QStringList Shown(AddDevWidget *dialog)
    {
        QStringList texts;
        for (int i = 0; i < 6; ++i) {
            auto *button = dialog->findChild<QPushButton *>(QStringLiteral("pbDevInfo_%1").arg(i));
            if (!button->isHidden())
                texts << button->text() + (button->isChecked() ? "+" : "");
        }
        return texts;
    }

    static QStringList Probe(int h)
    {
        return {Call("openDev(H)", h), Call("readDriverSerial(H, 33)", h), Call("closeDev(H)", h)};
    }

    // The dialog on its own, with two devices attached.
    std::unique_ptr<AddDevWidget> dialog;
    void NewDialog(const char *failing = nullptr)
    {
        simReset();
        app.handles = Attach(2);
        if (failing)
            simFailNext(failing, 1);
        dialog.reset(new AddDevWidget);
        QVERIFY(WaitIdle(dialog.get()));
    }

private slots:
    void initTestCase()
    {
        // Parameters stored for the first device before the program starts.
        JogParam jog;
        jog.Times = 11;
        DevConfig(QCoreApplication::applicationDirPath() + "/devConfig.json").SaveJogParam(Serial(1), jog);
    }

    void cleanup()
    {
        dialog.reset();
        for (int h : qAsConst(app.handles))
            DeviceOwners::Release(h, DeviceOwners::ConsoleOwner);
        app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(app.handles));
    }

    void failedProbeLeavesDeviceOut_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::newRow("none") << "";
        QTest::newRow("open") << "openDev";
        QTest::newRow("serial") << "readDriverSerial";
    }

    // A scan probes each device not yet listed for its serial and closes it
    // again, also when the serial cannot be read; one that fails is left out
    // until a later scan. Devices are listed unchecked, six at most, in a
    // dialog that fits them.
    void failedProbeLeavesDeviceOut()
    {
        QFETCH(QString, failing);
        NewDialog(failing.isEmpty() ? nullptr : qPrintable(failing));
        const QStringList first = failing == "openDev" ? QStringList{Call("openDev(H)", H(0))} : Probe(H(0));
        QCOMPARE(Journal(), QStringList{"scanDev(6)"} + first + Probe(H(1)));
        QCOMPARE(Shown(dialog.get()), failing.isEmpty() ? (QStringList{Serial(1), Serial(2)}) : QStringList{Serial(2)});
        const int height = dialog->height();
        const int added = Attach(5).value(0);
        simJournalClear();
        QVERIFY(Scan(dialog.get()));
        QCOMPARE(Journal().mid(1, 3), Probe(failing.isEmpty() ? added : H(0)));
        QCOMPARE(Shown(dialog.get()).size(), 6);
        QCOMPARE(dialog->height() - height, (failing.isEmpty() ? 4 : 5) * (40 + 5));
    }

    // Confirming opens the newly checked devices only; unchecking calls
    // nothing (the panel closes its device); closing applies nothing.
    void confirmAndRescan()
    {
        NewDialog();
        dialog->show();
        simJournalClear();
        Click(dialog.get(), "pbDevInfo_0");
        Click(dialog.get(), "pbClose");
        QVERIFY(Journal().isEmpty() && dialog->GetCheckedDevs().isEmpty());
        QVERIFY(Scan(dialog.get()));
        dialog->show();
        Click(dialog.get(), "pbDevInfo_1");
        QCOMPARE(Shown(dialog.get()), (QStringList{Serial(1), Serial(2) + "+"}));
        Click(dialog.get(), "pbConfirm");
        QVERIFY(WaitIdle(dialog.get()) && !dialog->isVisible());
        QCOMPARE(Journal().mid(1), QStringList{Call("openDev(H)", H(1))});
        QCOMPARE(dialog->GetCheckedDevs().value(0).serial, Serial(2));
        simJournalClear();
        Click(dialog.get(), "pbDevInfo_0");
        Click(dialog.get(), "pbDevInfo_1");
        dialog->SlotConfirm();
        QVERIFY(WaitIdle(dialog.get()));
        QCOMPARE(Journal(), QStringList{Call("openDev(H)", H(0))});
        QVERIFY(dialog->GetCheckedDevs().size() == 1 && dialog->GetCheckedDevs()[0].handle == H(0));

        // A rescan keeps listed devices without touching them and drops an
        // unchecked one that is gone, never one with a panel; a failed scan
        // keeps the list and says so. While the operator is choosing, a
        // change of the list keeps the choices not yet confirmed.
        const int h3 = simAttach("ORV 3", 1, 1);
        simJournalClear();
        QVERIFY(Scan(dialog.get()));
        QCOMPARE(Journal(), QStringList{"scanDev(6)"} + Probe(h3));
        QCOMPARE(Shown(dialog.get()), (QStringList{Serial(1) + "+", Serial(2), "ORV 3"}));
        simDetach(H(0));
        simDetach(H(1));
        simFailNext("scanDev", 1);
        QVERIFY(Scan(dialog.get()));
        QCOMPARE(Shown(dialog.get()).size(), 3);
        auto *note = dialog->findChild<QLabel *>("lbNote");
        QVERIFY(note->text().contains("扫描失败"));
        dialog->show();
        Click(dialog.get(), "pbDevInfo_2");
        QVERIFY(Scan(dialog.get()));
        QCOMPARE(Shown(dialog.get()), (QStringList{Serial(1) + "+", "ORV 3+"}));
        QVERIFY(note->text().isEmpty());
        dialog->RemoveDev(H(0));
        QCOMPARE(Shown(dialog.get()), QStringList{"ORV 3+"});
        QVERIFY(dialog->GetCheckedDevs().isEmpty());
    }

    // Each picked device gets a panel and a tab in the order picked, with its
    // own stored parameters, and drives only its device. Confirming again
    // keeps the panels; unchecking closes exactly those panels and devices.
    void pickedDevicesGetPanels()
    {
        app = Start(3);
        const QList<ControlWidget *> panels = OpenPanels(Main(), 3);
        for (int i : {0, 1, 2}) {
            QCOMPARE(panels.value(i)->GetDevHandle(), H(i));
            QCOMPARE(panels[i]->findChild<QLabel *>("lbDevInfo")->text(), Serial(i + 1));
        }
        QCOMPARE(Tabs(), (QList<int>{H(0), H(1), H(2), 0}));
        QCOMPARE(Main()->findChild<QPushButton *>(QStringLiteral("pbDev%1").arg(H(0)))->text(), "ORV\n*05170001");
        QVERIFY(Journal().contains(Call("setJogTimes(H, 11)", H(0))));
        QVERIFY(Journal().contains(Call("setJogTimes(H, 2)", H(1))));
        simJournalClear();
        Click(panels[0], "pbMove");
        QVERIFY(simjournal::WaitForCall(Call("move(H)", H(0))) >= 0);
        Pick(Main(), {});
        QCOMPARE(Panels(Main()), panels);
        // Unchecked while their workers are inside slow calls: the panels go
        // at once, before the call in flight has returned; each device is
        // closed after it. (A teardown waiting 250 ms per panel returns only
        // after that call.)
        simSetCallDelay(H(0), 450);
        simSetCallDelay(H(1), 450);
        Pick(Main(), {0, 1}, false);
        const int from = simJournalSize();
        while (!Journal(from).contains(Call("getWorkStatus(H)", H(0))))
            QThread::yieldCurrentThread(); // the last call of a poll has just begun
        bool inFlight = false;
        QTimer::singleShot(0, [&] { inFlight = !Journal(from).contains(Call("closeDev(H)", H(0))); });
        Click(Dialog(Main()), "pbConfirm");
        QCoreApplication::processEvents();
        QVERIFY(inFlight);
        QCOMPARE(Panels(Main()), QList<ControlWidget *>{panels[2]});
        QCOMPARE(Tabs(), (QList<int>{H(2), 0}));
        QVERIFY(simjournal::WaitForWorkers({H(0), H(1)}));
        QStringList calls = simjournal::Calls({"openDev", "closeDev", "move"});
        calls.sort();
        QCOMPARE(calls, (QStringList{Call("closeDev(H)", H(0)), Call("closeDev(H)", H(1)), Call("move(H)", H(0))}));
        QCOMPARE(simOverlapTotal(), 0);
    }

    // The dialog's library calls run in the background, here on slow devices:
    // the window is shown before the first scan has ended, and while a scan
    // runs the dialog says so with its buttons disabled, the interface going
    // on. A panel closed and a device lost meanwhile count as they happened.
    void scanInBackground()
    {
        simReset();
        app.handles = Attach(3);
        simSetCallDelay(H(0), 1000);
        app.window = MakeWindow();
        QVERIFY(!Journal().contains(Call("closeDev(H)", H(0))));
        QVERIFY(WaitIdle(Dialog(Main())));
        simSetCallDelay(H(0), 0);
        OpenPanels(Main(), 2);
        app.handles << simAttach("ORV 4", 1, 1);
        simSetCallDelay(H(3), 600);
        BoxAnswerer boxes(QStringLiteral("确认"));
        bool ranDuringScan = false;
        QTimer::singleShot(0, [&] { ranDuringScan = !Journal().contains(Call("closeDev(H)", H(3))); });
        Click(Main(), "pbAddDev");
        AddDevWidget *dialog = Dialog(Main());
        QCoreApplication::processEvents();
        QVERIFY(ranDuringScan && Busy(dialog));
        QCOMPARE(dialog->findChild<QLabel *>("lbBusy")->text(), QStringLiteral("正在扫描设备…"));
        QVERIFY(!dialog->findChild<QPushButton *>("pbConfirm")->isEnabled()
                && !dialog->findChild<QPushButton *>("pbScanDev")->isEnabled());
        // Sized for the busy indicator alone, not for it and the list.
        QTRY_VERIFY_WITH_TIMEOUT(dialog->height() == dialog->minimumSizeHint().height(), 300);
        QVERIFY(Busy(dialog));
        Click(dialog, "pbClose");
        QPointer<ControlWidget> closed = Panels(Main()).value(0);
        Click(closed, "pbRemove");
        QCOMPARE(simDetach(H(1)), 0);
        QTRY_VERIFY(Panels(Main()).isEmpty() && boxes.texts.size() == 2);
        QVERIFY(Busy(dialog) && WaitIdle(dialog));
        QCOMPARE(Shown(dialog), (QStringList{Serial(1), Serial(3), "ORV 4"}));
        QCOMPARE(simOverlapTotal(), 0);
    }

    // Closing a panel asks; cancel keeps it, confirm closes it and its device
    // (dropping commands still queued) and unchecks the device, which stays
    // listed. A lost device takes its panel, tab and entry, and the operator
    // is told which one went.
    void closedOrLostPanels()
    {
        app = Start(2);
        QPointer<ControlWidget> panel = OpenPanels(Main(), 2).at(0);
        for (const QString &answer : QStringList{"取消", "确认"}) {
            simJournalClear();
            // Closed while its worker is stuck in a call.
            simSetCallDelay(H(0), answer == "取消" ? 0 : 4000);
            QTest::qWait(100);
            Click(panel, "pbHome");
            Click(panel, "pbMove");
            BoxAnswerer answerer(answer);
            Click(panel, "pbRemove");
            QCOMPARE(answerer.texts, QStringList{QStringLiteral("您确定要关闭控制窗口吗?")});
            QCOMPARE(bool(panel), answer == "取消");
            QVERIFY(!panel || simjournal::WaitForCall(Call("move(H)", H(0))) >= 0);
        }
        QCOMPARE(Tabs(), (QList<int>{H(1), 0}));
        // Picked again meanwhile: the dialog stays usable while it waits for
        // the worker; closed then, it applies nothing (the other device stays
        // checked with its panel), else it tells the operator when it gives up.
        Pick(Main(), {0, 1}, false);
        Click(Dialog(Main()), "pbConfirm");
        QVERIFY(Dialog(Main())->isVisible());
        Click(Dialog(Main()), "pbClose");
        Pick(Main(), {});
        QCOMPARE(Tabs(), (QList<int>{H(1), 0}));
        BoxAnswerer busy(QStringLiteral("确认"));
        Pick(Main(), {0}, false);
        Click(Dialog(Main()), "pbConfirm");
        QVERIFY(DeviceOwners::OwnerOf(H(0)) == DeviceOwners::PanelOwner && Dialog(Main())->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(busy.texts, QStringList{QStringLiteral("设备 %1 仍被占用, 请稍后再试。").arg(Serial(1))}, 5000);
        QCOMPARE(Panels(Main()).size(), 1);
        QVERIFY(simjournal::WaitForWorkers({H(0)}));
        QVERIFY(Journal().contains(Call("closeDev(H)", H(0))) && !Journal().contains(Call("move(H)", H(0))));
        Pick(Main(), {}, false);
        QCOMPARE(Shown(Dialog(Main())), (QStringList{Serial(1), Serial(2) + "+"}));
        Dialog(Main())->close();

        simDetach(H(1));
        QTRY_VERIFY(Panels(Main()).isEmpty());
        QCOMPARE(busy.texts.last(), QStringLiteral("设备已断开!\n") + Serial(2));
        QCOMPARE(Tabs(), QList<int>{0});
        QCOMPARE(Shown(Dialog(Main())), QStringList{Serial(1)});
        app.handles.removeLast();
    }

    // Checked devices the scan no longer reports (unplugged, their panels not
    // yet aware) keep their entries, but every attached free device gets a
    // button first; the dialog names those left without one.
    void moreThanSixEntries()
    {
        app = Start(8); // the scan reports six
        OpenPanels(Main(), 2);
        for (int i : {0, 1}) {
            simSetCallDelay(H(i), 1000);
            QCOMPARE(simDetach(H(i)), 0);
        }
        Pick(Main(), {}, false);
        QCOMPARE(Shown(Dialog(Main())), (QStringList{Serial(3), Serial(4), Serial(5), Serial(6), Serial(7), Serial(8)}));
        QCOMPARE(Dialog(Main())->findChild<QLabel *>("lbNote")->text(),
                 QStringLiteral("扫描未找到, 未显示: %1, %2").arg(Serial(1), Serial(2)));
        Dialog(Main())->close();
        for (int i : {0, 1})
            simSetCallDelay(H(i), 0);
    }

    // A picked device taken by the console meanwhile, or failing to open,
    // gets no panel and the operator is told. The console's device is
    // neither opened nor probed, and the dialog says why it is missing.
    void unavailableDeviceGetsNoPanel()
    {
        for (bool console : {true, false}) {
            app = Start(2);
            BoxAnswerer answerer(QStringLiteral("确认"));
            Pick(Main(), {0, 1}, false);
            if (console)
                QVERIFY(DeviceOwners::Acquire(H(0), DeviceOwners::ConsoleOwner));
            else
                simFailNext("openDev", 1);
            simJournalClear();
            Click(Dialog(Main()), "pbConfirm");
            QTRY_COMPARE(answerer.texts, QStringList{(console ? QStringLiteral("设备 %1 正被调试窗口使用。")
                                                              : QStringLiteral("设备 %1 无法打开。")).arg(Serial(1))});
            QVERIFY(Panels(Main()).size() == 1 && Panels(Main())[0]->GetDevSerial() == Serial(2));
            Pick(Main(), {}, false); // drops the console's device from the list
            QVERIFY(Scan(Dialog(Main()))); // finds it unlisted
            QCOMPARE(Journal().join(' ').contains(QStringLiteral("(%1").arg(H(0))), !console);
            QCOMPARE(Shown(Dialog(Main())).value(0), Serial(console ? 2 : 1) + (console ? "+" : ""));
            QCOMPARE(Dialog(Main())->findChild<QLabel *>("lbNote")->text().contains("1 台设备正被调试窗口使用"), console);
            Dialog(Main())->close();
            cleanup();
        }
    }
};

QTEST_MAIN(TestDeviceRules)
#include "tst_devicerules.moc"
