#ifndef DISCOVERYREMOTE_H
#define DISCOVERYREMOTE_H

#include "device/DevInfo.h"
#include "remote/RemoteRequest.h"

#include <QJsonArray>
#include <QObject>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class AddDevWidget;
class ControlWidget;
class RemoteServer;

// The script interface's methods on the add-device dialog's list: devices,
// scan, open and close. open and close go the dialog's way, as a toggle and
// a confirm, with its refusals; open is answered once the main window has
// made the device's panel, close once the panel has gone. Nothing here waits
// on the interface thread: the scan and the opens run on the dialog's thread.
class DiscoveryRemote : public QObject
{
    Q_OBJECT

public:
    // The open panel of a device, or null.
    using PanelOf = std::function<ControlWidget *(const QString &serial)>;

    // Registers the methods; they go with this object.
    DiscoveryRemote(RemoteServer *server, AddDevWidget *dialog, PanelOf panelOf, QObject *parent = nullptr);

    // The main window has made a panel and lists it: an open waiting for it is answered.
    void PanelMade(ControlWidget *panel);

private:
    struct Confirming
    {
        RemoteRequest request;
        QString serial;
        bool open;
    };

    QJsonArray Devices() const;
    DevInfo Listed(const RemoteRequest &request) const;
    void Confirm(const RemoteRequest &request, bool open);
    void ScriptConfirmed(DevHandle handle, int outcome);
    void ScanEnded(bool failed);

    AddDevWidget *m_dialog;
    PanelOf m_panelOf;
    std::vector<RemoteRequest> m_scans;
    // The script's confirm the dialog works on (it takes one at a time).
    std::optional<Confirming> m_confirming;
    // Opens done whose panels the main window has yet to make, by serial.
    std::vector<std::pair<QString, RemoteRequest>> m_awaitingPanel;
};

#endif
