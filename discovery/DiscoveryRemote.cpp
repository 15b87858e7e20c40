#include "discovery/DiscoveryRemote.h"

#include "discovery/AddDevWidget.h"
#include "panel/ControlWidget.h"
#include "remote/RemoteServer.h"

#include <QJsonObject>

DiscoveryRemote::DiscoveryRemote(RemoteServer *server, AddDevWidget *dialog, PanelOf panelOf, QObject *parent)
    : QObject(parent)
    , m_dialog(dialog)
    , m_panelOf(std::move(panelOf))
{
    connect(dialog, &AddDevWidget::SigScriptConfirmed, this, &DiscoveryRemote::ScriptConfirmed);
    connect(dialog, &AddDevWidget::SigScanEnded, this, &DiscoveryRemote::ScanEnded);
    server->RegisterMethod(QStringLiteral("devices"), {}, this, [this](const RemoteRequest &) { return Devices(); });
    server->RegisterAsyncMethod(QStringLiteral("scan"), {}, this, [this](const RemoteRequest &request) {
        // Asked while a scan runs, the dialog makes another after it: the
        // answer then tells what the scan after the request found.
        m_scans.push_back(request);
        m_dialog->ScanDev();
    });
    const QStringList device{QStringLiteral("device")};
    server->RegisterAsyncMethod(QStringLiteral("open"), device, this,
                                [this](const RemoteRequest &request) { Confirm(request, true); });
    server->RegisterAsyncMethod(QStringLiteral("close"), device, this,
                                [this](const RemoteRequest &request) { Confirm(request, false); });
}

// model and travel_mm as the panel read them from the device; null without a
// panel or before it has read them.
QJsonArray DiscoveryRemote::Devices() const
{
    QJsonArray devices;
    for (const DevInfo &info : m_dialog->GetDevs()) {
        const ControlWidget *panel = m_panelOf(info.serial);
        const ActuatorModelInfo model = panel ? panel->GetModel() : ActuatorModelInfo{0, QString(), 0};
        const bool known = model.code != 0;
        devices.append(QJsonObject{{"device", info.serial},
                                   {"handle", info.handle},
                                   {"model", known ? QJsonValue(model.name) : QJsonValue()},
                                   {"travel_mm", known ? QJsonValue(model.travelMm) : QJsonValue()},
                                   {"panel", panel != nullptr}});
    }
    return devices;
}

DevInfo DiscoveryRemote::Listed(const RemoteRequest &request) const
{
    const QString serial = request.GetString(QStringLiteral("device"));
    for (const DevInfo &info : m_dialog->GetDevs()) {
        if (info.serial == serial)
            return info;
    }
    throw RemoteError(RemoteUnknownDevice, QStringLiteral("unknown device '%1'").arg(serial));
}

void DiscoveryRemote::Confirm(const RemoteRequest &request, bool open)
{
    const DevInfo info = Listed(request);
    const bool hasPanel = m_panelOf(info.serial) != nullptr;
    if (open ? hasPanel : !hasPanel && !info.checked) {
        request.Reply(true);
        return;
    }
    const RemoteError busy(RemoteBusy, QStringLiteral("the add-device dialog is scanning or opening devices; "
                                                      "try again once it has finished"));
    if (m_dialog->Busy() || m_confirming)
        throw busy;
    // The outcome may come before the dialog returns.
    m_confirming = Confirming{request, info.serial, open};
    if (!m_dialog->ConfirmForScript(info.handle, open)) {
        m_confirming.reset();
        throw busy;
    }
}

void DiscoveryRemote::ScriptConfirmed(DevHandle, int outcome)
{
    if (!m_confirming)
        return;
    const Confirming done = *std::exchange(m_confirming, std::nullopt);
    const QString &serial = done.serial;
    switch (outcome) {
    case AddDevWidget::ScriptConsoleHolds:
        done.request.Fail(RemoteBusy, QStringLiteral("device '%1' is held by the engineering console").arg(serial));
        return;
    case AddDevWidget::ScriptStillHeld:
        done.request.Fail(RemoteBusy, QStringLiteral("device '%1' is still being released by its closed panel; "
                                                     "try again")
                                          .arg(serial));
        return;
    case AddDevWidget::ScriptOpenFailed:
        done.request.Fail(RemoteOpenFailed, QStringLiteral("device '%1' could not be opened").arg(serial));
        return;
    case AddDevWidget::ScriptLost:
        done.request.Fail(RemoteDeviceLost, QStringLiteral("device '%1' was lost while it was opened").arg(serial));
        return;
    default:
        break;
    }
    // A closed panel has gone by now; a new one is made on a later pass.
    if (!done.open || m_panelOf(serial))
        done.request.Reply(true);
    else
        m_awaitingPanel.emplace_back(serial, done.request);
}

void DiscoveryRemote::PanelMade(ControlWidget *panel)
{
    const QString serial = panel->GetDevSerial();
    for (auto it = m_awaitingPanel.begin(); it != m_awaitingPanel.end();) {
        if (it->first == serial) {
            it->second.Reply(true);
            it = m_awaitingPanel.erase(it);
        } else {
            ++it;
        }
    }
}

void DiscoveryRemote::ScanEnded(bool failed)
{
    const std::vector<RemoteRequest> scans = std::exchange(m_scans, {});
    for (const RemoteRequest &request : scans) {
        if (failed)
            request.Fail(RemoteCommandFailed, QStringLiteral("the scan failed; the device list was not updated"));
        else
            request.Reply(Devices());
    }
}
