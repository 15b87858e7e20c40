// Scripts driving the open panels of the running program through real TCP
// connections: the device list, panels opened and closed as the add-device
// dialog does, refusals that reach no device, commands and parameters that
// go the way of clicks and confirmed popups, the end of a motion that wait
// reports, notifications, two clients on one device, and the SDK's example.
#include "panel/BtnParamWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "remote/RemoteError.h"
#include "tests/support/AppHarness.h"
#include "tests/support/RemoteClient.h"

#include <QJsonArray>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>

using namespace harness;
using namespace remoteclient;

namespace {

QString Dir()
{
    return QCoreApplication::applicationDirPath();
}

// Library calls other than the poll's reads, from index from on.
QStringList Commands(int from)
{
    QStringList commands;
    for (const QString &call : simjournal::Journal(from)) {
        if (!call.startsWith("get") && !call.startsWith("read"))
            commands << call;
    }
    return commands;
}

// Every library call on the device from index from on.
QStringList CallsOn(int handle, int from)
{
    return simjournal::Journal(from).filter(QRegularExpression(QStringLiteral("^\\w+\\(%1[,)]").arg(handle)));
}

QJsonValue Result(const QJsonObject &reply)
{
    return reply["result"];
}

QJsonObject Params(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestRemoteDevices : public QObject
{
    Q_OBJECT

    App m_app;
    QList<ControlWidget *> m_panels;
    quint16 m_port = 0;
    BoxAnswerer m_boxes{QStringLiteral("确认")};

    // devices attached, the first open of them in panels, the interface on
    // a free port; the held clock when manual.
    void Open(int devices, int open, bool manual = false)
    {
        QFile::remove(Dir() + "/devConfig.json");
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        QSettings(Dir() + "/appConfig.ini", QSettings::IniFormat).setValue("remote/port", m_port);
        m_app = Start(devices);
        if (manual)
            simUseManualClock(1);
        m_panels = OpenPanels(m_app.window.get(), open);
        m_app.window->SwitchRemote(true);
    }
    std::unique_ptr<Client> Hello()
    {
        QFile file(Dir() + "/remote.token");
        file.open(QIODevice::ReadOnly);
        std::unique_ptr<Client> client(new Client(m_port));
        client->Call(0, "hello", {{"token", QString::fromLatin1(file.readAll().trimmed())}});
        if (!client->Answer(0).contains("result"))
            qWarning("hello refused");
        return client;
    }
    int Handle(int i) const { return m_app.handles.at(i); }
    ControlWidget *PanelOf(int i) const
    {
        for (ControlWidget *panel : m_app.window->findChildren<ControlWidget *>()) {
            if (panel->GetDevSerial() == Serial(i + 1))
                return panel;
        }
        return nullptr;
    }
    // The devices' panel flags, or their models, as devices lists them.
    static QString Column(const QJsonValue &devices, const char *name)
    {
        QStringList column;
        for (const QJsonValue &device : devices.toArray())
            column << device[QLatin1String(name)].toVariant().toString();
        return column.join(',');
    }

private slots:
    void cleanup()
    {
        simUseManualClock(0);
        m_app.window.reset();
        QVERIFY(simjournal::WaitForWorkers(m_app.handles));
    }

    // Bad requests are refused with their code, the popup's own text for a
    // value out of its range, and nothing reaches a device.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("params"); // DEV: the open 13 mm device, OTHER: one without a panel
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *method, const char *params, int code, const char *message = "") {
            QTest::newRow(name) << QByteArray(method) << QByteArray(params) << code << QString::fromUtf8(message);
        };
        row("unknown device", "move", R"({"device":"NO 1"})", RemoteUnknownDevice);
        row("no panel", "home", R"({"device":"OTHER"})", RemotePanelClosed);
        row("device not a string", "state", R"({"device":1})", RpcInvalidParams);
        row("target a string", "move", R"({"device":"DEV","target_mm":"3"})", RpcInvalidParams);
        row("target NaN", "move", R"({"device":"DEV","target_mm":NaN})", RpcParseError);
        row("target infinite", "move", R"({"device":"DEV","target_mm":1e999})", RpcParseError);
        row("target beyond travel", "move", R"({"device":"DEV","target_mm":13.0000001})", RemoteOutOfRange,
            "目标位置 超出限制范围\n[0-13]!");
        row("target negative", "move", R"({"device":"DEV","target_mm":-0.5})", RemoteOutOfRange, "目标位置 超出限制范围\n[0-13]!");
        row("direction", "jog", R"({"device":"DEV","direction":"up"})", RpcInvalidParams);
        row("on not a bool", "enable", R"({"device":"DEV","on":1})", RpcInvalidParams);
        row("speed", "set_params", R"({"device":"DEV","group":"move","values":{"Speed":2.01}})", RemoteOutOfRange,
            "速度值 超出限制范围\n[0.01-2.00]!");
        row("jerk a bool", "set_params", R"({"device":"DEV","group":"move","values":{"Jerk":true}})", RpcInvalidParams);
        row("unknown field", "set_params", R"({"device":"DEV","group":"move","values":{"speed":1}})", RpcInvalidParams);
        row("step", "set_params", R"({"device":"DEV","group":"jog","values":{"Step":0}})", RemoteOutOfRange,
            "步进步长 超出限制范围\n[0.000001-13.000000]!");
        row("delay a fraction", "set_params", R"({"device":"DEV","group":"jog","values":{"Delay":2.5}})", RpcInvalidParams);
        row("offset", "set_params", R"({"device":"DEV","group":"drive","values":{"Offset":14}})", RemoteOutOfRange,
            "相对位移值 超出限制范围\n[0.000001-13.000000]!");
        row("cruise end", "set_params", R"({"device":"DEV","group":"cruise","values":{"EndPos":13.5}})", RemoteOutOfRange,
            "巡航结束位置 超出限制范围\n[0-13]!");
        row("backlight", "set_params", R"({"device":"DEV","group":"button","values":{"backlight_level":21}})",
            RemoteOutOfRange, "背光亮度等级 超出限制范围\n[0-20]!");
        row("button position", "set_params", R"({"device":"DEV","group":"button","values":{"pos1":13.5}})",
            RemoteOutOfRange, "位置1 超出限制范围\n[0.000000-13.000000]!");
        row("button mode", "set_params", R"({"device":"DEV","group":"button","values":{"mode":"fast"}})", RpcInvalidParams);
        row("trigger offset", "set_params", R"({"device":"DEV","group":"trigger1","values":{"in_offset":-100.5}})",
            RemoteOutOfRange, "IO1 相对位移 超出限制范围\n[-100.000000-13.000000]!");
        row("trigger time", "set_params", R"({"device":"DEV","group":"trigger2","values":{"out_time":0}})",
            RemoteOutOfRange, "IO2 输出电平时间 超出限制范围\n[1-16777215]!");
        row("group", "get_params", R"({"device":"DEV","group":"speed"})", RpcInvalidParams);
        row("timeout", "wait", R"({"device":"DEV","timeout_s":-1})", RpcInvalidParams);
        row("event", "subscribe", R"({"events":["x"]})", RpcInvalidParams);
        row("subscribe unknown", "subscribe", R"({"events":["log"],"device":"NO 1"})", RemoteUnknownDevice);
    }
    void refusals()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, params);
        QFETCH(int, code);
        QFETCH(QString, message);
        Open(2, 1);
        const int from = simJournalSize();
        std::unique_ptr<Client> client = Hello();
        client->socket.write(R"({"jsonrpc":"2.0","id":1,"method":")" + method + R"(","params":)"
                             + params.replace("OTHER", Serial(2).toUtf8()).replace("DEV", Serial(1).toUtf8()) + "}\n");
        const QJsonObject reply = client->Next();
        QCOMPARE(Code(reply), code);
        if (!message.isEmpty())
            QCOMPARE(QJsonValue(reply["error"])["message"].toString(), message);
        client->Call(2, "state", {{"device", Serial(1)}});
        QVERIFY(client->Answer(2).contains("result"));
        QCOMPARE(Commands(from), QStringList());
        QVERIFY(!LogOf(m_panels.at(0)).contains("[脚本]"));
        QVERIFY(m_boxes.texts.isEmpty());
    }

    // devices lists what the last scan found, scan looks again; open and
    // close make and remove a panel as the dialog's confirm does, answered
    // once it is there (or gone), with no question to the operator and the
    // operator's unconfirmed toggle in the open dialog kept.
    void devicesOpenClose()
    {
        Open(3, 1);
        std::unique_ptr<Client> client = Hello();
        client->Call(1, "devices");
        QCOMPARE(Column(Result(client->Answer(1)), "panel"), QString("true,false,false"));
        const int late = simAttach(qPrintable(Serial(4)), 1, 1);
        client->Call(2, "scan");
        const QJsonValue scanned = Result(client->Answer(2, 10000));
        QCOMPARE(Column(scanned, "device"), QStringList({Serial(1), Serial(2), Serial(3), Serial(4)}).join(','));
        QCOMPARE(Column(scanned, "model"), QString("QUMA-L1A,,,"));
        QCOMPARE(Column(scanned, "handle"), QString("%1,%2,%3,%4").arg(Handle(0)).arg(Handle(1)).arg(Handle(2)).arg(late));
        Pick(m_app.window.get(), {2}, false);
        AddDevWidget *dialog = Dialog(m_app.window.get());
        QCOMPARE(DevButton(m_app.window.get(), 2)->text(), Serial(3));
        const int from = simJournalSize();
        client->Call(3, "open", {{"device", Serial(2)}});
        QCOMPARE(Result(client->Answer(3)), QJsonValue(true));
        client->Call(4, "state", {{"device", Serial(2)}});
        QVERIFY(client->Answer(4).contains("result"));
        QVERIFY(DevButton(m_app.window.get(), 1)->isChecked() && DevButton(m_app.window.get(), 2)->isChecked());
        QVERIFY(PanelOf(1) && CallsOn(Handle(1), from).contains(simjournal::Call("openDev(H)", Handle(1))));
        QVERIFY(WaitForInit(PanelOf(1)));
        client->Call(5, "devices");
        QCOMPARE(Column(Result(client->Answer(5)), "travel_mm"), QString("13,6,,"));
        client->Call(6, "close", {{"device", Serial(2)}});
        QCOMPARE(Result(client->Answer(6)), QJsonValue(true));
        QVERIFY(!PanelOf(1));
        QVERIFY(simjournal::WaitForCall(simjournal::Call("closeDev(H)", Handle(1)), from) >= 0);
        QVERIFY(dialog->isVisible() && DevButton(m_app.window.get(), 2)->isChecked());
        QVERIFY(!DevButton(m_app.window.get(), 1)->isChecked());
        QVERIFY(m_boxes.texts.isEmpty());
        Click(dialog, "pbConfirm");
        QVERIFY(WaitConfirmed(m_app.window.get()));
        QVERIFY(PanelOf(0) && !PanelOf(1) && PanelOf(2));
        m_app.handles << late;
        // The operator closing the dialog cancels nothing of a script's.
        Pick(m_app.window.get(), {}, false);
        simSetCallDelay(Handle(1), 300);
        client->Call(7, "open", {{"device", Serial(2)}});
        QTRY_VERIFY(Busy(dialog));
        Click(dialog, "pbClose");
        QCOMPARE(Result(client->Answer(7)), QJsonValue(true));
        QVERIFY(PanelOf(1) && !dialog->isVisible());
    }

    // Refused opens reach no device and make no panel: an unknown device, one
    // the engineering console holds, one asked while the dialog confirms the
    // operator's choice; a device that cannot be opened says so.
    void openRefusals_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown") << "unknown" << int(RemoteUnknownDevice);
        QTest::newRow("console") << "console" << int(RemoteBusy);
        QTest::newRow("confirming") << "confirming" << int(RemoteBusy);
        QTest::newRow("open fails") << "open fails" << int(RemoteOpenFailed);
    }
    void openRefusals()
    {
        QFETCH(QString, refusal);
        QFETCH(int, code);
        Open(3, 0);
        std::unique_ptr<Client> client = Hello();
        AddDevWidget *dialog = Dialog(m_app.window.get());
        if (refusal == "console")
            QVERIFY(DeviceOwners::Acquire(Handle(1), DeviceOwners::ConsoleOwner));
        if (refusal == "confirming") {
            Pick(m_app.window.get(), {2}, false);
            simSetCallDelay(Handle(2), 1000);
            Click(dialog, "pbConfirm");
            QVERIFY(Busy(dialog));
        }
        if (refusal == "open fails")
            simFailNext("openDev", 1);
        const int from = simJournalSize();
        client->Call(1, "open", {{"device", refusal == "unknown" ? QString("NO 1") : Serial(2)}});
        const QJsonObject reply = client->Answer(1);
        if (refusal == "console")
            DeviceOwners::Release(Handle(1), DeviceOwners::ConsoleOwner);
        QCOMPARE(Code(reply), code);
        QVERIFY(!PanelOf(1));
        const QStringList calls = CallsOn(Handle(1), from);
        QCOMPARE(calls, refusal == "open fails" ? QStringList{simjournal::Call("openDev(H)", Handle(1))} : QStringList());
        if (refusal == "confirming")
            QVERIFY(WaitConfirmed(m_app.window.get()) && PanelOf(2));
        QVERIFY(m_boxes.texts.isEmpty());
    }

    // Each command reaches the device as its click or confirmed popup would,
    // answered once the worker sent it, logged as a script's, and the popups
    // and the store show a value set.
    void commands_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("shown"); // field=text of a popup or dialog afterwards
        QTest::newRow("home") << QByteArray("home") << QByteArray("{}") << QStringList{"restore(H)"} << QString();
        QTest::newRow("stop") << QByteArray("stop") << QByteArray("{}") << QStringList{"stop(H)"} << QString();
        QTest::newRow("enable") << QByteArray("enable") << QByteArray(R"({"on":false})") << QStringList{"setMotorEnable(H, 0)"} << QString();
        QTest::newRow("move") << QByteArray("move") << QByteArray("{}") << QStringList{"move(H)"} << QString();
        QTest::newRow("move to") << QByteArray("move") << QByteArray(R"({"target_mm":2.5})")
                                 << QStringList{"setTargetPos(H, 2.5)", "move(H)"} << "lePosition=2.500000";
        QTest::newRow("jog") << QByteArray("jog") << QByteArray(R"({"direction":"right"})") << QStringList{"jog(H, 0)"} << QString();
        QTest::newRow("drive") << QByteArray("drive") << QByteArray(R"({"direction":"left"})") << QStringList{"drive(H, 1)"} << QString();
        QTest::newRow("cruise") << QByteArray("cruise") << QByteArray("{}") << QStringList{"cruise(H)"} << QString();
        QTest::newRow("speed") << QByteArray("set_params") << QByteArray(R"({"group":"drive","values":{"Speed":1.5}})")
                               << QStringList{"setSpeed(H, 1.5)"} << "leSpeed=1.50";
        QTest::newRow("button") << QByteArray("set_params") << QByteArray(R"({"group":"button","values":{"backlight_level":7}})")
                                << QStringList{"setBackLightLevel(H, 7)"} << "sbLightLev=7";
        QTest::newRow("trigger") << QByteArray("set_params")
                                 << QByteArray(R"({"group":"trigger2","values":{"mode":"input","in_offset":-2.5}})")
                                 << QStringList{"setIO1TriggerMode(H, 1)", "setTriggerInMode(H, 1)", "setIO1TriggerInDisp(H, 1)",
                                                "setIO2TriggerMode(H, 1)", "setTriggerInMode(H, 1)", "setIO2TriggerInDisp(H, -2.5)"}
                                 << "dsbStep_2=-2.5";
    }
    void commands()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, params);
        QFETCH(QStringList, calls);
        QFETCH(QString, shown);
        Open(1, 1);
        const int from = simJournalSize();
        std::unique_ptr<Client> client = Hello();
        QJsonObject values = Params(params);
        values["device"] = Serial(1);
        client->Call(1, QString::fromLatin1(method), values);
        const QJsonObject reply = client->Answer(1);
        QVERIFY2(reply.contains("result"), QJsonDocument(reply).toJson());
        for (QString &call : calls)
            call = simjournal::Call(qPrintable(call), Handle(0));
        QCOMPARE(Commands(from), calls);
        QVERIFY(LogOf(m_panels.at(0)).contains("[脚本] "));
        if (!shown.isEmpty()) {
            QWidget *field = m_panels.at(0)->findChild<QWidget *>(shown.section('=', 0, 0));
            QCOMPARE(field->property(qobject_cast<QLineEdit *>(field) ? "text" : "value").toString(), shown.section('=', 1));
        }
        if (method == "set_params") {
            client->Call(2, "get_params", {{"device", Serial(1)}, {"group", values["group"]}});
            QCOMPARE(Result(client->Answer(2)), Result(reply));
        }
        if (method == "set_params" && values["group"] == "drive") {
            QCOMPARE(m_panels.at(0)->findChild<MoveParamWidget *>()->findChild<QLineEdit *>("leSpeed")->text(), QString("1.50"));
            QFile store(Dir() + "/devConfig.json");
            QVERIFY(store.open(QIODevice::ReadOnly));
            QCOMPARE(QJsonDocument::fromJson(store.readAll())[Serial(1)]["MoveParam"]["Speed"].toDouble(), 1.5);
        }
    }

    // The device refuses a push: the script hears it, the popup shows what
    // the device holds. Motion control disabled: motion is refused as busy,
    // stop still goes.
    void deviceRefusals()
    {
        Open(1, 1);
        std::unique_ptr<Client> client = Hello();
        simFailNext("setJogTimes", 1);
        client->Call(1, "set_params", {{"device", Serial(1)}, {"group", "jog"}, {"values", QJsonObject{{"Times", 7}}}});
        QCOMPARE(Code(client->Answer(1)), int(RemoteCommandFailed));
        client->Call(2, "get_params", {{"device", Serial(1)}, {"group", "jog"}});
        QCOMPARE(Result(client->Answer(2))["Times"].toInt(), 2);
        simSetControlDisabled(Handle(0), 1);
        QTRY_VERIFY(!m_panels.at(0)->findChild<QPushButton *>("pbMove")->isEnabled());
        const int from = simJournalSize();
        client->Call(3, "move", {{"device", Serial(1)}, {"target_mm", 1}});
        QCOMPARE(Code(client->Answer(3)), int(RemoteBusy));
        client->Call(4, "stop", {{"device", Serial(1)}});
        QVERIFY(client->Answer(4).contains("result"));
        QCOMPARE(Commands(from), QStringList{simjournal::Call("stop(H)", Handle(0))});
    }

    // wait answers once the motion of the last command has ended, not on a
    // poll that has not seen it start, and also when no poll saw it run; it
    // fails when the panel closes, the device goes or time runs out, and a
    // client that goes only loses its answer.
    void waitEnds_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<int>("code");
        for (const char *ending : {"clock", "unseen", "operator stop", "client gone"})
            QTest::newRow(ending) << ending << 0;
        QTest::newRow("panel closed") << "panel closed" << int(RemotePanelClosed);
        QTest::newRow("device lost") << "device lost" << int(RemoteDeviceLost);
        QTest::newRow("timeout") << "timeout" << int(RemoteTimeout);
    }
    void waitEnds()
    {
        QFETCH(QString, ending);
        QFETCH(int, code);
        Open(1, 1, true);
        const int h = Handle(0);
        std::unique_ptr<Client> client = Hello(), other = Hello();
        if (ending == "unseen") {
            client->Call(0, "subscribe", {{"events", QJsonArray{"status"}}});
            QVERIFY(client->Answer(0).contains("result"));
            simSetCallDelay(h, 200);
        }
        const int from = simJournalSize();
        client->Call(1, "move", {{"device", Serial(1)}, {"target_mm", 1.0}});
        client->Call(2, "wait", {{"device", Serial(1)}, {"timeout_s", ending == "timeout" ? 1.5 : 30}});
        const int moved = simjournal::WaitForCall(simjournal::Call("move(H)", h), from);
        QVERIFY(moved >= 0);
        if (ending == "unseen") {
            QTRY_VERIFY(simJournalEntryEndTime(moved) >= 0);
            simAdvanceClock(60000);
        }
        QVERIFY(client->Answer(1).contains("result"));
        QTest::qWait(500);
        QVERIFY(!client->socket.canReadLine() || ending == "unseen");
        if (ending == "clock")
            simAdvanceClock(60000);
        else if (ending == "operator stop")
            Click(m_panels.at(0), "pbStop"), QTest::qWait(200), simAdvanceClock(60000);
        else if (ending == "panel closed")
            Click(m_panels.at(0), "pbRemove");
        else if (ending == "device lost")
            simDetach(h);
        else if (ending == "client gone")
            client.reset(), simAdvanceClock(60000);
        other->Call(3, "wait", {{"device", Serial(1)}, {"timeout_s", 30}});
        const QJsonObject answer = client ? client->Answer(2, 10000) : other->Answer(3, 10000);
        QCOMPARE(Code(answer), code);
        if (code)
            return;
        QCOMPARE(Result(answer)["running"], QJsonValue(false));
        const double position = Result(answer)["position_mm"].toDouble();
        QVERIFY2(ending == "operator stop" ? position > 1.1 : std::fabs(position - 1.0) < 1e-6, qPrintable(QString::number(position)));
        if (ending == "unseen") {
            while (client->socket.canReadLine())
                QVERIFY(!QJsonDocument::fromJson(client->socket.readLine())["params"]["running"].toBool());
        }
    }

    // Two clients driving one device at once: every command answered, each
    // target set directly before its move, no call overlapping another.
    void twoClientsOneDevice()
    {
        Open(1, 1);
        std::unique_ptr<Client> a = Hello(), b = Hello();
        const int from = simJournalSize();
        for (int i = 1; i <= 20; ++i) {
            a->Call(i, "move", {{"device", Serial(1)}, {"target_mm", 1.0 + i / 100.0}});
            b->Call(i, "move", {{"device", Serial(1)}, {"target_mm", 5.0 + i / 100.0}});
            b->Call(100 + i, "state", {{"device", Serial(1)}});
        }
        for (int i = 1; i <= 20; ++i)
            QVERIFY(a->Answer(i).contains("result") && b->Answer(i).contains("result"));
        const QStringList calls = Commands(from);
        QCOMPARE(calls.size(), 80);
        for (int i = 0; i < calls.size(); i += 2)
            QVERIFY2(calls[i].startsWith("setTargetPos") && calls[i + 1].startsWith("move("), qPrintable(calls[i]));
        QCOMPARE(simOverlapTotal(), 0);
    }

    // Notifications carry what the worker's signals carried, stamped with
    // when it read them; at most one position per poll; stop_all stops all.
    void notificationsAndStopAll()
    {
        Open(2, 2);
        std::unique_ptr<Client> client = Hello();
        client->Call(1, "subscribe", {{"events", QJsonArray{"position", "status", "log"}}, {"device", Serial(2)}});
        QVERIFY(client->Answer(1).contains("result"));
        const int from = simJournalSize();
        const QDateTime start = QDateTime::currentDateTime();
        client->Call(2, "move", {{"device", Serial(2)}, {"target_mm", 1.0}});
        client->Call(3, "wait", {{"device", Serial(2)}});
        QMap<QString, int> seen;
        QStringList logs;
        for (QJsonObject note = client->Next(); !note.contains("id") || note["id"] != 3; note = client->Next()) {
            const QJsonObject params = note["params"].toObject();
            if (note.contains("id"))
                continue;
            QCOMPARE(params["device"].toString(), Serial(2));
            const QDateTime read = QDateTime::fromString(params["time"].toString(), Qt::ISODateWithMs);
            QVERIFY(read >= start.addMSecs(-1) && read <= QDateTime::currentDateTime());
            ++seen[note["method"].toString()];
            if (note["method"] == "log")
                logs << params["text"].toString();
        }
        QVERIFY(seen["status"] >= 2);
        QCOMPARE(logs.filter("[脚本] 移动").size(), 1);
        const int polls = simjournal::Calls({simjournal::Call("getPositon(H)", Handle(1))}).size();
        QVERIFY(seen["position"] >= 2 && seen["position"] <= polls);
        for (ControlWidget *panel : m_panels)
            QVERIFY(Press(panel, "pbMove"));
        client->Call(4, "stop_all");
        QStringList stopped = Result(client->Answer(4)).toVariant().toStringList();
        stopped.sort();
        QCOMPARE(stopped, QStringList({Serial(1), Serial(2)}));
        QCOMPARE(simjournal::Calls({"stop("}).size(), 2);
        Q_UNUSED(from)
    }

    // The SDK's example moves two devices through positions while their
    // panels show it.
    void example()
    {
        Open(2, 2);
        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PYTHONPATH", Dir() + "/../../bin/help/Nuvik_PythonSDK");
        script.setProcessEnvironment(env);
        script.start("python3", {"-B", Dir() + "/../../bin/help/Nuvik_PythonSDK/example_positions.py", "--config-dir", Dir(),
                                 "--device", Serial(1), "--device", Serial(2), "1", "2.5", "4"});
        QVERIFY(QTest::qWaitFor([&] { return script.state() == QProcess::NotRunning; }, 60000));
        QCOMPARE(script.exitCode(), 0);
        const QString out = script.readAllStandardOutput();
        QVERIFY2(out.count(QRegularExpression("at (1.0|2.5|4.0)00000 mm")) == 6, qPrintable(out));
        for (int i = 0; i < 2; ++i) {
            QTRY_COMPARE(m_panels.at(i)->findChild<QLabel *>("lbCurrentPos")->text(), QString("4.000000mm")); // shown on the next 100 ms beat
            QCOMPARE(LogOf(m_panels.at(i)).count("[脚本] 移动"), 3);
        }
    }
};

QTEST_MAIN(TestRemoteDevices)
#include "tst_remotedevices.moc"
