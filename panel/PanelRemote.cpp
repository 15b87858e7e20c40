#include "panel/PanelRemote.h"

#include "device/SerialComDev.h"
#include "panel/BtnParamWidget.h"
#include "panel/ControlWidget.h"
#include "panel/CruiseCtrlWidget.h"
#include "panel/DriveParamWidget.h"
#include "panel/JogParamWidget.h"
#include "panel/MoveParamWidget.h"
#include "panel/TriParamWidget.h"
#include "remote/RemoteServer.h"

#include <QJsonArray>
#include <QTimer>

#include <array>
#include <climits>
#include <cmath>
#include <variant>
#include <vector>

namespace {

// Status word bits.
constexpr quint16 kStopped = 1u << 2;
constexpr quint16 kLeftLimit = 1u << 3;
constexpr quint16 kRightLimit = 1u << 4;
constexpr quint16 kEnabled = 1u << 5;
constexpr quint16 kHomed = 1u << 6;
constexpr quint16 kCtrlDisabled = 1u << 7;
constexpr quint16 kMotorConnected = 1u << 8;

constexpr int kMaxWaitS = 24 * 60 * 60;

const QStringList kGroups = {"move", "jog", "drive", "cruise", "button", "trigger1", "trigger2"};
const QStringList kDirections = {"left", "right"};
const QStringList kEvents = {"position", "status", "log"};
const QStringList kButtonModes = {"speed", "step", "position"};
const QStringList kTriggerModes = {"input", "output"};
const QStringList kEdges = {"rising", "falling"};
const QStringList kLevels = {"high", "low"};
const QStringList kConditions = {"moving", "position_reached", "max_speed"};


// A value held in single precision, as its popup shows it (1.1f is 1.1).
double Single(float value)
{
    return QString::number(double(value), 'g', 7).toDouble();
}

RemoteError BadValue(const QString &name, const char *what)
{
    return RemoteError(RpcInvalidParams, QStringLiteral("value '%1' must be %2").arg(name, QLatin1String(what)));
}

double Number(const QString &name, const QJsonValue &value)
{
    if (!value.isDouble())
        throw BadValue(name, "a number");
    return value.toDouble();
}

int Integer(const QString &name, const QJsonValue &value)
{
    const double number = Number(name, value);
    if (number != std::trunc(number) || number < INT_MIN || number > INT_MAX)
        throw BadValue(name, "an integer");
    return int(number);
}

bool Boolean(const QString &name, const QJsonValue &value)
{
    if (!value.isBool())
        throw BadValue(name, "true or false");
    return value.toBool();
}

// The index of value in choices.
int Choice(const QString &name, const QJsonValue &value, const QStringList &choices)
{
    const int index = value.isString() ? choices.indexOf(value.toString()) : -1;
    if (index < 0)
        throw RemoteError(RpcInvalidParams,
                          QStringLiteral("value '%1' must be one of: %2").arg(name, choices.join(QStringLiteral(", "))));
    return index;
}

QJsonValue ChoiceName(int index, const QStringList &choices)
{
    return index >= 0 && index < choices.size() ? QJsonValue(choices.at(index)) : QJsonValue();
}

// The motion groups by their devConfig.json names.
template <typename Group>
struct GroupField
{
    const char *name;
    std::variant<double Group::*, float Group::*, int Group::*, bool Group::*> member;
};

template <typename Group>
using GroupFields = std::vector<GroupField<Group>>;

const GroupFields<MoveParam> kMoveFields = {{"TargetPos", &MoveParam::TargetPos},
                                            {"Speed", &MoveParam::Speed},
                                            {"Acc", &MoveParam::Acc},
                                            {"Jerk", &MoveParam::Jerk},
                                            {"JerkChecked", &MoveParam::JerkChecked}};
const GroupFields<JogParam> kJogFields = {
    {"Step", &JogParam::Step}, {"Delay", &JogParam::Delay}, {"Times", &JogParam::Times}};
const GroupFields<DriveParam> kDriveFields = {{"Offset", &DriveParam::Offset},
                                              {"Speed", &DriveParam::Speed},
                                              {"Acc", &DriveParam::Acc},
                                              {"Enable", &DriveParam::Enable}};
const GroupFields<CruiseParam> kCruiseFields = {{"BeginPos", &CruiseParam::BeginPos},
                                                {"EndPos", &CruiseParam::EndPos},
                                                {"StopTime", &CruiseParam::StopTime},
                                                {"Times", &CruiseParam::Times}};

template <typename Group>
QJsonObject ToJson(const Group &group, const GroupFields<Group> &fields)
{
    QJsonObject json;
    for (const GroupField<Group> &field : fields) {
        std::visit(
            [&](auto member) {
                const auto value = group.*member;
                if constexpr (std::is_same_v<decltype(value), const float>)
                    json.insert(QLatin1String(field.name), Single(value));
                else
                    json.insert(QLatin1String(field.name), value);
            },
            field.member);
    }
    return json;
}

QStringList Names(const char *const *names, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QLatin1String(names[i]);
    return list;
}

RemoteError UnknownField(const QString &name, const QString &group, const QStringList &fields)
{
    return RemoteError(RpcInvalidParams, QStringLiteral("group '%1' has no field '%2' (it has: %3)")
                                             .arg(group, name, fields.join(QStringLiteral(", "))));
}

// group with the given values put in, each checked for its type.
template <typename Group>
Group FromJson(Group group, const QJsonObject &values, const GroupFields<Group> &fields, const QString &groupName)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        const auto field = std::find_if(fields.begin(), fields.end(),
                                        [&](const GroupField<Group> &f) { return it.key() == QLatin1String(f.name); });
        if (field == fields.end()) {
            QStringList names;
            for (const GroupField<Group> &f : fields)
                names << QLatin1String(f.name);
            throw UnknownField(it.key(), groupName, names);
        }
        std::visit(
            [&](auto member) {
                auto &target = group.*member;
                using T = std::decay_t<decltype(target)>;
                if constexpr (std::is_same_v<T, bool>)
                    target = Boolean(it.key(), it.value());
                else if constexpr (std::is_same_v<T, int>)
                    target = Integer(it.key(), it.value());
                else
                    target = T(Number(it.key(), it.value()));
            },
            field->member);
    }
    return group;
}

const char *const kButtonNames[] = {"speed", "mode", "step", "pos1", "pos2", "backlight_level", "sleep_level",
                                    "dormant_min"};
const char *const kTriggerNames[] = {"mode", "in_edge", "in_offset", "out_level", "out_condition", "out_time"};

QJsonObject ButtonJson(const BtnParam &param, unsigned int known)
{
    const QJsonValue values[] = {Single(param.speed), ChoiceName(param.mode, kButtonModes), param.jogStep, param.pos1,
                                 param.pos2, param.backLightLevel, param.backSleepLevel, param.backDormant};
    QJsonObject json;
    for (int i = 0; i < 8; ++i)
        json.insert(QLatin1String(kButtonNames[i]), known & (1u << i) ? values[i] : QJsonValue());
    return json;
}

QJsonObject TriggerJson(const TriParam &param, double offset)
{
    return {{"mode", ChoiceName(param.ioMode - 1, kTriggerModes)},
            {"in_edge", ChoiceName(param.inMode - 1, kEdges)},
            {"in_offset", offset},
            {"out_level", ChoiceName(param.outMode - 1, kLevels)},
            {"out_condition", ChoiceName(param.outCondition - 1, kConditions)},
            {"out_time", param.outTime}};
}

QJsonObject Params(PanelLink *link, const QString &group)
{
    ControlWidget *panel = link->Panel();
    SerialComDev *worker = panel->GetWorker();
    if (group == QLatin1String("move"))
        return ToJson(worker->CopyMoveParam(), kMoveFields);
    if (group == QLatin1String("jog"))
        return ToJson(worker->CopyJogParam(), kJogFields);
    if (group == QLatin1String("drive"))
        return ToJson(worker->CopyDriveParam(), kDriveFields);
    if (group == QLatin1String("cruise"))
        return ToJson(worker->CopyCruiseParam(), kCruiseFields);
    if (group == QLatin1String("button")) {
        unsigned int known = 0;
        const BtnParam button = worker->CopyBtnParam(&known);
        return ButtonJson(button, known);
    }
    const auto *dialog = panel->findChild<TriParamWidget *>(QString(), Qt::FindDirectChildrenOnly);
    const bool first = group == QLatin1String("trigger1");
    const TriParam io1 = dialog->GetParam(0);
    return TriggerJson(dialog->GetParam(first ? 0 : 1), first ? io1.inDisp1 : io1.inDisp2);
}

template <typename Popup>
Popup *PopupOf(ControlWidget *panel)
{
    return panel->findChild<Popup *>(QString(), Qt::FindDirectChildrenOnly);
}

// Confirms the popup's group with the values put in, or refuses with its warning.
template <typename Popup, typename Group>
void ConfirmPopup(ControlWidget *panel, const QJsonObject &values, const GroupFields<Group> &fields,
                  const QString &group)
{
    auto *popup = PopupOf<Popup>(panel);
    const Group given = FromJson(popup->GetParam(), values, fields, group);
    QString refusal;
    if (!popup->ConfirmGiven(given, &refusal))
        throw RemoteError(RemoteOutOfRange, refusal);
}

void ConfirmButton(ControlWidget *panel, const QJsonObject &values)
{
    const QStringList names = Names(kButtonNames, 8);
    std::array<double, 8> given {};
    unsigned int fields = 0;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int i = names.indexOf(it.key());
        if (i < 0)
            throw UnknownField(it.key(), QStringLiteral("button"), names);
        given[std::size_t(i)] = i == 1 ? Choice(it.key(), it.value(), kButtonModes)
            : i >= 5                   ? Integer(it.key(), it.value())
                                       : Number(it.key(), it.value());
        fields |= 1u << i;
    }
    QString refusal;
    if (!PopupOf<BtnParamWidget>(panel)->ConfirmGiven(given, fields, &refusal))
        throw RemoteError(RemoteOutOfRange, refusal);
}

void ConfirmTrigger(ControlWidget *panel, int io, const QJsonObject &values)
{
    auto *dialog = PopupOf<TriParamWidget>(panel);
    TriParam records[2] = {dialog->GetParam(0), dialog->GetParam(1)};
    TriParam &record = records[io];
    const QStringList names = Names(kTriggerNames, 6);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString &name = it.key();
        const QJsonValue &value = it.value();
        if (name == QLatin1String("mode"))
            record.ioMode = uint16_t(Choice(name, value, kTriggerModes) + 1);
        else if (name == QLatin1String("in_edge"))
            record.inMode = uint16_t(Choice(name, value, kEdges) + 1);
        else if (name == QLatin1String("in_offset"))
            (io == 0 ? records[0].inDisp1 : records[0].inDisp2) = Number(name, value);
        else if (name == QLatin1String("out_level"))
            record.outMode = uint16_t(Choice(name, value, kLevels) + 1);
        else if (name == QLatin1String("out_condition"))
            record.outCondition = uint16_t(Choice(name, value, kConditions) + 1);
        else if (name == QLatin1String("out_time"))
            record.outTime = Integer(name, value);
        else
            throw UnknownField(name, QStringLiteral("trigger%1").arg(io + 1), names);
    }
    QString refusal;
    if (!dialog->ConfirmGiven(records[0], records[1], &refusal))
        throw RemoteError(RemoteOutOfRange, refusal);
}

void Queue(SerialComDev *worker, std::function<void()> call)
{
    QMetaObject::invokeMethod(worker, std::move(call), Qt::QueuedConnection);
}

// Done answering the request with result() or its error.
PanelLink::Done Answer(const RemoteRequest &request, std::function<QJsonValue()> result)
{
    return [request, result](int code, const QString &message) {
        if (code)
            request.Fail(code, message);
        else
            request.Reply(result());
    };
}

} // namespace

PanelLink::PanelLink(ControlWidget *panel, RemoteServer *server)
    : QObject(panel)
    , m_panel(panel)
    , m_server(server)
    , m_serial(panel->GetDevSerial())
{
    SerialComDev *worker = panel->GetWorker();
    connect(worker, &SerialComDev::SigScriptDone, this, &PanelLink::ScriptDone);
    connect(worker, &SerialComDev::SigMotionEnded, this, &PanelLink::MotionEnded);
    connect(worker, &SerialComDev::SigDisconnect, this, [this]() {
        m_lost = true;
        while (!m_waiters.empty())
            Finish(m_waiters.begin(), RemoteDeviceLost,
                   QStringLiteral("device '%1' was lost").arg(m_panel->GetDevSerial()));
    });
    connect(worker, &SerialComDev::SigPosChanged, this,
            [this](double pos, qint64 readMs) { Publish(QStringLiteral("position"), readMs, {{"position_mm", pos}}); });
    connect(worker, &SerialComDev::SigStatusChanged, this,
            [this](bool, bool, bool, bool, bool, quint16 word, qint64 readMs) {
                Publish(QStringLiteral("status"), readMs,
                        {{"running", !(word & kStopped)}, {"homed", bool(word & kHomed)},
                         {"enabled", bool(word & kEnabled)}, {"control_disabled", bool(word & kCtrlDisabled)},
                         {"motor_connected", bool(word & kMotorConnected)}, {"status_word", word}});
            });
    connect(worker, &SerialComDev::SigOutputMsg, this,
            [this](const QString &text, bool warning, int, int, qint64 timeMs) {
                Publish(QStringLiteral("log"), timeMs, {{"text", text}, {"warning", warning}});
            });
}

PanelLink::~PanelLink()
{
    // The panel's own members are gone by now.
    const QString message = QStringLiteral("the panel of device '%1' was closed").arg(m_serial);
    while (!m_waiters.empty())
        Finish(m_waiters.begin(), RemotePanelClosed, message);
    const QHash<quint32, Done> running = std::exchange(m_running, {});
    for (const Done &done : running)
        done(RemotePanelClosed, message);
}

QJsonObject PanelLink::State() const
{
    const DeviceState state = m_panel->GetWorker()->CopyState();
    const quint16 word = state.statusWord;
    const auto bit = [&](quint16 mask) { return state.statusRead ? QJsonValue(bool(word & mask)) : QJsonValue(); };
    return {{"position_mm", state.positionRead ? QJsonValue(state.positionMm) : QJsonValue()},
            {"running", state.statusRead ? QJsonValue(!(word & kStopped)) : QJsonValue()},
            {"homed", bit(kHomed)},
            {"enabled", bit(kEnabled)},
            {"left_limit", bit(kLeftLimit)},
            {"right_limit", bit(kRightLimit)},
            {"status_word", state.statusRead ? QJsonValue(word) : QJsonValue()},
            {"remaining", state.remaining},
            {"time", state.statusRead ? RemoteServer::TimeText(state.statusReadMs) : QJsonValue()}};
}

bool PanelLink::ControlDisabled() const
{
    return m_panel->GetWorker()->CopyState().statusWord & kCtrlDisabled;
}

// The steps are queued between the request's BeginScript and EndScript: the
// worker runs nothing else in between, and logs them as a script's.
void PanelLink::Run(bool motion, const std::function<void()> &post, Done done)
{
    SerialComDev *worker = m_panel->GetWorker();
    const quint32 request = ++m_lastRequest;
    Queue(worker, [worker, request, motion]() { worker->BeginScript(request, motion); });
    try {
        post();
    } catch (const RemoteError &) {
        Queue(worker, [worker]() { worker->EndScript(false); });
        throw;
    }
    Queue(worker, [worker]() { worker->EndScript(true); });
    if (motion)
        m_lastMotion = request;
    m_running.insert(request, std::move(done));
}

void PanelLink::Wait(const RemoteRequest &request, int timeoutMs)
{
    if (m_lastMotion == 0 || m_panel->GetWorker()->CopyState().motionEnded >= m_lastMotion) {
        request.Reply(State());
        return;
    }
    if (!request.Client())
        return;
    auto *timer = new QTimer(this);
    m_waiters.push_back({request, m_lastMotion, timer});
    const auto waiter = std::prev(m_waiters.end());
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, waiter, timeoutMs]() {
        Finish(waiter, RemoteTimeout, QStringLiteral("the motion did not end within %1 s").arg(timeoutMs / 1000.0));
    });
    timer->start(timeoutMs);
    // A client that goes takes its waits with it.
    connect(request.Client(), &QObject::destroyed, timer, [this, waiter]() { Drop(waiter); });
}

void PanelLink::Drop(std::list<Waiter>::iterator waiter)
{
    waiter->timer->stop();
    waiter->timer->deleteLater();
    m_waiters.erase(waiter);
}

void PanelLink::ScriptDone(quint32 request, bool accepted, const QString &why)
{
    const Done done = m_running.take(request);
    if (done)
        done(accepted ? 0 : RemoteCommandFailed, QStringLiteral("the device refused: %1").arg(why));
}

void PanelLink::MotionEnded(quint32 request)
{
    for (auto waiter = m_waiters.begin(); waiter != m_waiters.end();) {
        const auto next = std::next(waiter);
        if (waiter->after <= request)
            Finish(waiter, 0, QString());
        waiter = next;
    }
}

void PanelLink::Finish(std::list<Waiter>::iterator waiter, int code, const QString &message)
{
    const RemoteRequest request = waiter->request;
    Drop(waiter);
    if (code)
        request.Fail(code, message);
    else
        request.Reply(State());
}

void PanelLink::Publish(const QString &event, qint64 readMs, const QJsonObject &params)
{
    if (m_server && m_server->HasSubscribers(event))
        m_server->Publish(event, m_panel->GetDevSerial(), readMs, params);
}

PanelRemote::PanelRemote(RemoteServer *server, Lookup lookup, QObject *parent)
    : QObject(parent)
    , m_server(server)
    , m_lookup(std::move(lookup))
{
    const QString device = QStringLiteral("device");
    server->RegisterMethod(QStringLiteral("state"), {device}, this,
                           [this](const RemoteRequest &request) { return Link(request)->State(); });
    const struct
    {
        const char *method;
        int command;
    } commands[] = {{"home", CommandHome}, {"stop", CommandStop}, {"enable", CommandEnable}, {"move", CommandMove},
                    {"jog", CommandJogLeft}, {"drive", CommandDriveLeft}, {"cruise", -1}};
    for (const auto &command : commands) {
        QStringList params{device};
        if (command.command == CommandEnable)
            params << QStringLiteral("on");
        else if (command.command == CommandMove)
            params << QStringLiteral("target_mm");
        else if (command.command == CommandJogLeft || command.command == CommandDriveLeft)
            params << QStringLiteral("direction");
        const int code = command.command;
        server->RegisterAsyncMethod(QLatin1String(command.method), params, this,
                                    [this, code](const RemoteRequest &request) { Command(request, code); });
    }
    server->RegisterMethod(QStringLiteral("get_params"), {device, QStringLiteral("group")}, this,
                           [this](const RemoteRequest &request) {
                               PanelLink *link = Link(request);
                               return Params(link, request.GetEnum(QStringLiteral("group"), kGroups));
                           });
    server->RegisterAsyncMethod(
        QStringLiteral("set_params"), {device, QStringLiteral("group"), QStringLiteral("values")}, this,
        [this](const RemoteRequest &request) {
            PanelLink *link = Link(request);
            const QString group = request.GetEnum(QStringLiteral("group"), kGroups);
            SetParams(link, group, request.GetObject(QStringLiteral("values")),
                      Answer(request, [link, group]() { return Params(link, group); }));
        });
    server->RegisterAsyncMethod(QStringLiteral("wait"), {device, QStringLiteral("timeout_s")}, this,
                                [this](const RemoteRequest &request) {
                                    PanelLink *link = Link(request);
                                    const double seconds = request.GetDouble(QStringLiteral("timeout_s"), 60.0);
                                    if (seconds < 0 || seconds > kMaxWaitS)
                                        throw RemoteError(RpcInvalidParams,
                                                          QStringLiteral("parameter 'timeout_s' must lie in 0 to %1")
                                                              .arg(kMaxWaitS));
                                    link->Wait(request, int(std::lround(seconds * 1000)));
                                });
    server->RegisterAsyncMethod(QStringLiteral("stop_all"), {}, this, [this](const RemoteRequest &request) {
        struct Collect
        {
            RemoteRequest request;
            int pending;
            QJsonArray stopped;
        };
        QList<PanelLink *> links;
        for (ControlWidget *panel : m_lookup.panels()) {
            auto *link = panel->findChild<PanelLink *>(QString(), Qt::FindDirectChildrenOnly);
            if (link && !link->Lost())
                links << link;
        }
        auto collect = std::make_shared<Collect>(Collect{request, int(links.size()), {}});
        if (links.isEmpty())
            request.Reply(QJsonArray());
        for (PanelLink *link : qAsConst(links)) {
            const QString serial = link->Panel()->GetDevSerial();
            SerialComDev *worker = link->Panel()->GetWorker();
            link->Run(
                true, [worker]() { Queue(worker, [worker]() { worker->RunScriptCommand(CommandStop, false); }); },
                [collect, serial](int code, const QString &) {
                    if (!code)
                        collect->stopped.append(serial);
                    if (--collect->pending == 0)
                        collect->request.Reply(collect->stopped);
                });
        }
    });
    server->RegisterMethod(QStringLiteral("subscribe"), {QStringLiteral("events"), device}, this,
                           [this](const RemoteRequest &request) {
                               const QStringList events = request.GetEnumList(QStringLiteral("events"), kEvents);
                               const QString serial = request.GetString(QStringLiteral("device"), QString());
                               if (!serial.isEmpty() && !m_lookup.panelOf(serial) && !m_lookup.known(serial))
                                   throw RemoteError(RemoteUnknownDevice,
                                                     QStringLiteral("unknown device '%1'").arg(serial));
                               m_server->Subscribe(request, events, serial);
                               return true;
                           });
}

void PanelRemote::Attach(ControlWidget *panel)
{
    new PanelLink(panel, m_server);
}

PanelLink *PanelRemote::Link(const RemoteRequest &request) const
{
    const QString serial = request.GetString(QStringLiteral("device"));
    ControlWidget *panel = m_lookup.panelOf(serial);
    auto *link = panel ? panel->findChild<PanelLink *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!link && !m_lookup.known(serial))
        throw RemoteError(RemoteUnknownDevice, QStringLiteral("unknown device '%1'").arg(serial));
    if (!link)
        throw RemoteError(RemotePanelClosed, QStringLiteral("device '%1' has no control panel open").arg(serial));
    if (link->Lost())
        throw RemoteError(RemoteDeviceLost, QStringLiteral("device '%1' was lost").arg(serial));
    return link;
}

// As the panel's buttons: move, jog and drive lock the buttons for 100 ms (a
// script's commands are queued whatever that lock); while the device reports
// motion control disabled, which locks the buttons too, only stop and enable
// are taken.
void PanelRemote::Command(const RemoteRequest &request, int command)
{
    PanelLink *link = Link(request);
    ControlWidget *panel = link->Panel();
    SerialComDev *worker = panel->GetWorker();
    int run = command;
    bool on = false;
    if (command == CommandEnable)
        on = request.GetBool(QStringLiteral("on"));
    if (command == CommandJogLeft || command == CommandDriveLeft) {
        if (request.GetEnum(QStringLiteral("direction"), kDirections) == QLatin1String("right"))
            run = command == CommandJogLeft ? CommandJogRight : CommandDriveRight;
    }
    const bool hasTarget = command == CommandMove && request.Has(QStringLiteral("target_mm"));
    const double target = hasTarget ? request.GetDouble(QStringLiteral("target_mm")) : 0.0;
    if (command != CommandStop && command != CommandEnable && link->ControlDisabled())
        throw RemoteError(RemoteBusy, QStringLiteral("device '%1' reports motion control disabled")
                                          .arg(panel->GetDevSerial()));
    if (command < 0) {
        SetParams(link, QStringLiteral("cruise"), {}, Answer(request, []() { return true; }));
        return;
    }
    link->Run(
        true,
        [=]() {
            if (hasTarget) {
                auto *popup = PopupOf<MoveParamWidget>(panel);
                MoveParam param = popup->GetParam();
                param.TargetPos = target;
                QString refusal;
                if (!popup->ConfirmGiven(param, &refusal))
                    throw RemoteError(RemoteOutOfRange, refusal);
            }
            Queue(worker, [worker, run, on]() { worker->RunScriptCommand(run, on); });
            if (run != CommandHome && run != CommandStop && run != CommandEnable)
                panel->DisableBtns();
        },
        Answer(request, []() { return true; }));
}

// As a confirmed popup or dialog, which the worker pushes; the answer, once it
// has, is the whole group or the device's refusal (the popups then show what
// the device holds). The cruise group starts a cruise, as the popup's start.
void PanelRemote::SetParams(PanelLink *link, const QString &group, const QJsonObject &values, PanelLink::Done done)
{
    ControlWidget *panel = link->Panel();
    const bool cruise = group == QLatin1String("cruise");
    if (cruise && link->ControlDisabled())
        throw RemoteError(RemoteBusy, QStringLiteral("device '%1' reports motion control disabled")
                                          .arg(panel->GetDevSerial()));
    link->Run(
        cruise,
        [&]() {
            if (group == QLatin1String("move"))
                ConfirmPopup<MoveParamWidget>(panel, values, kMoveFields, group);
            else if (group == QLatin1String("jog"))
                ConfirmPopup<JogParamWidget>(panel, values, kJogFields, group);
            else if (group == QLatin1String("drive"))
                ConfirmPopup<DriveParamWidget>(panel, values, kDriveFields, group);
            else if (cruise)
                ConfirmPopup<CruiseCtrlWidget>(panel, values, kCruiseFields, group);
            else if (group == QLatin1String("button"))
                ConfirmButton(panel, values);
            else
                ConfirmTrigger(panel, group == QLatin1String("trigger1") ? 0 : 1, values);
        },
        std::move(done));
}
